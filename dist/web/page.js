// The page around the game: a start screen (browsers let a page play sound only after a click
// or a key), the picture scaled by the largest whole factor that fits, the player's files kept
// in IndexedDB, a game saved as the page goes away, and the saved game exported and imported.
// The game itself starts from tvk.js, which this file configures.
'use strict';

const WIDTH = 640;
const HEIGHT = 400;
const PLAY_DIR = '/play';  // the game's working folder: game.sav, game.cfg, links to the data
const SAVE_PATH = PLAY_DIR + '/game.sav';
const IMPORT_PATH = '/tmp/import.sav';  // outside the stored folder
// The save made as the page went away, until IndexedDB has it (see saveBeforeLeaving).
const PENDING_SAVE = 'tvk.saveBeforeLeaving';
const canvas = document.getElementById('canvas');
const start = document.getElementById('start');
const notice = document.getElementById('notice');

function fitCanvas() {
  const factor = Math.max(1, Math.floor(Math.min(innerWidth / WIDTH, innerHeight / HEIGHT)));
  canvas.style.width = WIDTH * factor + 'px';
  canvas.style.height = HEIGHT * factor + 'px';
}
addEventListener('resize', fitCanvas);
fitCanvas();

// Arrows and Space move the player, not the page.
addEventListener('keydown', event => {
  if (event.key.startsWith('Arrow') || event.key === ' ') {
    event.preventDefault();
  }
}, {capture: true});

// The player's folder lives in IndexedDB; without it (private windows) the game still plays,
// and its first save says that it cannot be kept.
function mountStorage() {
  FS.mkdir(PLAY_DIR);
  FS.mount(IDBFS, {}, PLAY_DIR);
  Module.addRunDependency('storage');
  FS.syncfs(true, error => {
    Module.tvkStorage = !error;
    if (error) {
      // A plain folder in memory: a file's flush to IndexedDB would fail every write.
      FS.unmount(PLAY_DIR);
      console.warn('The browser keeps no files for this page: saves last until it is closed.');
    }
    for (const name of ['gfx', 'languages', 'music']) {
      if (!FS.analyzePath(PLAY_DIR + '/' + name).exists) {
        FS.symlink('/data/' + name, PLAY_DIR + '/' + name);
      }
    }
    FS.chdir(PLAY_DIR);
    const pending = Module.tvkStorage && readPendingSave();
    if (!pending) {
      Module.removeRunDependency('storage');
      return;
    }
    FS.writeFile(SAVE_PATH, pending);
    keepFiles().then(() => Module.removeRunDependency('storage'));
  });
}

// Stores the player's folder in IndexedDB. Resolves to 1 once stored, 0 when the browser
// refused, -1 when it keeps no files for this page. The game waits for it after each write.
// Copies are counted, so that one begun before the last save for leaving does not let its copy
// in localStorage go.
let copiesBegun = 0;
let pendingSaveCopy = 0;

function keepFiles() {
  return new Promise(resolve => {
    if (!Module.tvkStorage) {
      resolve(-1);
      return;
    }
    const copy = ++copiesBegun;
    FS.syncfs(false, error => {
      if (!error && copy >= pendingSaveCopy) {
        forgetPendingSave();
      }
      resolve(error ? 0 : 1);
    });
  });
}

function readPendingSave() {
  try {
    return localStorage.getItem(PENDING_SAVE);
  } catch {
    return null;
  }
}

function forgetPendingSave() {
  try {
    localStorage.removeItem(PENDING_SAVE);
  } catch {
    // nothing was kept there
  }
}

// Closing, reloading or hiding the page saves a game being played, as Escape would (it goes on
// if the page stays). The browser may end the page before IndexedDB has stored the file, and
// does not wait for it; a copy in localStorage, which takes it at once, survives the page, and
// its next visit moves it to IndexedDB. Hidden comes first and pagehide after it, or alone.
let savedForLeaving = false;

function saveBeforeLeaving() {
  if (!started || ended || savedForLeaving || !Module.tvkStorage) {
    return;
  }
  const text = Module.ccall('TvkSaveBeforeLeaving', 'string', [], []);
  if (!text) {
    return;
  }
  savedForLeaving = true;
  FS.writeFile(SAVE_PATH, text);
  pendingSaveCopy = copiesBegun + 1;
  keepFiles();
  try {
    localStorage.setItem(PENDING_SAVE, text);
  } catch {
    // no room or no localStorage: only the copy to IndexedDB that has started is left
  }
}
addEventListener('pagehide', saveBeforeLeaving);
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') {
    saveBeforeLeaving();
  } else {
    savedForLeaving = false;
  }
});
addEventListener('pageshow', () => {
  savedForLeaving = false;
});

let ready = false;
let started = false;
let ended = false;

function startGame() {
  if (!ready || started) {
    return;
  }
  started = true;
  performance.mark('tvk-started');
  start.style.display = 'none';
  canvas.focus();
  fitCanvas();
  Module.callMain([]);
  fitCanvas();
}

// The game, waiting for an event, is woken at the page's next input or after timeoutMs. Only
// once the browser has handed the input to SDL too: in a task of its own, after every listener.
const INPUTS = ['keydown', 'keyup', 'pointermove', 'pointerdown', 'pointerup', 'pointercancel',
                'pointerenter', 'pointerleave', 'mousemove', 'mousedown', 'mouseup', 'wheel',
                'touchstart', 'touchmove', 'touchend', 'touchcancel', 'resize', 'focus', 'blur',
                'pointerlockchange', 'fullscreenchange', 'visibilitychange'];
let wakeGame = null;  // while the game waits

// The common inputs wake it at once as well, still inside the browser's dispatch of the input,
// by listeners on the window added as the game first waits: after SDL's own, which has then
// queued the input. The picture the game draws for it so goes out with the browser's frame for
// the input itself instead of in a frame of its own after it.
const COMMON_INPUTS = ['keydown', 'keypress', 'keyup', 'pointermove', 'pointerdown', 'pointerup',
                       'mousemove', 'mousedown', 'mouseup', 'wheel'];
let wakesAtOnce = false;

function wakeGameNow() {
  if (wakeGame) {
    wakeGame();
  }
}

function waitForInput(timeoutMs) {
  if (!wakesAtOnce) {
    wakesAtOnce = true;
    for (const input of COMMON_INPUTS) {
      addEventListener(input, wakeGameNow, {passive: true});
    }
  }
  return new Promise(resolve => {
    const wake = () => {
      clearTimeout(timer);
      if (wakeGame === wake) {
        wakeGame = null;
      }
      resolve();
    };
    const timer = setTimeout(wake, timeoutMs);
    wakeGame = wake;
  });
}
// On the window, which sees the document's and the elements' events first.
function wakeGameAfterInput() {
  if (wakeGame) {
    setTimeout(wakeGame, 0);
  }
}
for (const input of INPUTS) {
  addEventListener(input, wakeGameAfterInput, {capture: true, passive: true});
}

var Module = {
  canvas,
  preRun: [mountStorage],
  onRuntimeInitialized() {
    performance.mark('tvk-ready');  // for the start's measure (bench/web.py)
    ready = true;
    start.textContent = 'Click or press a key to play';
  },
  tvkKeepFiles: keepFiles,
  tvkWaitForInput: waitForInput,
  // Quit in the main menu: the picture would stand still, so the page says what happened.
  tvkGameEnded() {
    ended = true;
    if (document.pointerLockElement) {
      document.exitPointerLock();
    }
    start.textContent = 'The game has ended. Reload the page to play again.';
    start.classList.add('ended');
    start.style.display = '';
  },
  print: text => console.log(text),
  printErr: text => console.error(text),
};

// The game waits for the browser (its next frame, a key, a file stored) through WebAssembly's
// JavaScript Promise Integration where the browser has it. Elsewhere the page loads the build in
// asyncify/, which waits through Asyncify: larger, and dearer by the frame.
const PROMISE_INTEGRATION = typeof WebAssembly === 'object' &&
    typeof WebAssembly.Suspending === 'function';
const GAME_FOLDER = PROMISE_INTEGRATION ? '' : 'asyncify/';
Module.locateFile = file => GAME_FOLDER + file;

if (location.protocol === 'file:') {
  start.textContent = 'This page must be served by a web server (scripts/web --serve), ' +
      'not opened as a file.';
} else if (typeof WebAssembly !== 'object') {
  start.textContent = 'This browser cannot run the game: it has no WebAssembly.';
} else {
  start.addEventListener('click', startGame);
  addEventListener('keydown', startGame);
  // The game and its data start coming at once, before tvk.js asks for them.
  for (const file of ['tvk.wasm', 'tvk.data']) {
    const hint = document.createElement('link');
    hint.rel = 'preload';
    hint.href = GAME_FOLDER + file;
    hint.as = 'fetch';
    hint.crossOrigin = 'anonymous';
    if (file.endsWith('.wasm')) {
      hint.type = 'application/wasm';
    }
    document.head.append(hint);
  }
  const game = document.createElement('script');
  game.src = GAME_FOLDER + 'tvk.js';
  document.body.append(game);
}
// The game keeps its own focus after a click on the picture.
canvas.addEventListener('mousedown', () => canvas.focus());

document.getElementById('export').addEventListener('click', () => {
  if (!ready || !FS.analyzePath(SAVE_PATH).exists) {
    notice.textContent = 'There is no saved game yet: leave a game with Escape first.';
    return;
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([FS.readFile(SAVE_PATH)]));
  link.download = 'game.sav';
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
});

// A saved game from a file goes through the game's own loader, which refuses it with its reason
// or lets it become the save that Continue loads. The current save is replaced only then.
const importer = document.getElementById('import-file');
document.getElementById('import').addEventListener('click', () => importer.click());
importer.addEventListener('change', async () => {
  const file = importer.files[0];
  importer.value = '';
  if (!file || !ready) {
    return;
  }
  notice.textContent = await importSave(file);
});

async function importSave(file) {
  const refused = why => file.name + ' was not imported: ' + why + '.';
  const limit = Module._TvkSaveSizeLimit();
  if (file.size > limit) {
    // The loader's own words for it, without reading the file into memory first.
    return refused('the file has ' + file.size + ' bytes, at most ' + limit);
  }
  FS.writeFile(IMPORT_PATH, new Uint8Array(await file.arrayBuffer()));
  const why = Module.ccall('TvkCheckImport', 'string', ['string'], [IMPORT_PATH]);
  const bytes = FS.readFile(IMPORT_PATH);
  FS.unlink(IMPORT_PATH);
  if (why) {
    return refused(why.split(IMPORT_PATH).join(file.name));
  }
  FS.writeFile(SAVE_PATH, bytes);
  const kept = await keepFiles();
  const imported = file.name + ' is now the saved game: Continue in the main menu plays it';
  if (kept === 1) {
    return imported + '.';
  }
  return imported + ', but only until the page is closed: the browser ' +
      (kept < 0 ? 'keeps no files for this page.' : 'did not store it.');
}
