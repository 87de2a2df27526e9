// The page around the game: a start screen (browsers let a page play sound only after a click
// or a key), the picture scaled by the largest whole factor that fits, and the player's files
// kept in IndexedDB. The game itself starts from tvk.js, which this file configures.
'use strict';

const WIDTH = 640;
const HEIGHT = 400;
const PLAY_DIR = '/play';  // the game's working folder: game.sav, game.cfg, links to the data
const canvas = document.getElementById('canvas');
const start = document.getElementById('start');

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
      console.warn('The browser keeps no files for this page: saves last until it is closed.');
    }
    for (const name of ['gfx', 'languages', 'music']) {
      if (!FS.analyzePath(PLAY_DIR + '/' + name).exists) {
        FS.symlink('/data/' + name, PLAY_DIR + '/' + name);
      }
    }
    FS.chdir(PLAY_DIR);
    Module.removeRunDependency('storage');
  });
}

let ready = false;
let started = false;

function startGame() {
  if (!ready || started) {
    return;
  }
  started = true;
  start.remove();
  canvas.focus();
  fitCanvas();
  Module.callMain([]);
  fitCanvas();
}

var Module = {
  canvas,
  preRun: [mountStorage],
  onRuntimeInitialized() {
    ready = true;
    start.textContent = 'Click or press a key to play';
  },
  print: text => console.log(text),
  printErr: text => console.error(text),
};

if (location.protocol === 'file:') {
  start.textContent = 'This page must be served by a web server (scripts/web --serve), ' +
      'not opened as a file.';
} else {
  start.addEventListener('click', startGame);
  addEventListener('keydown', startGame);
}
// The game keeps its own focus after a click on the picture.
canvas.addEventListener('mousedown', () => canvas.focus());

document.getElementById('export').addEventListener('click', () => {
  const path = PLAY_DIR + '/game.sav';
  if (!ready || !FS.analyzePath(path).exists) {
    alert('There is no saved game yet: leave a game with Escape first.');
    return;
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([FS.readFile(path)]));
  link.download = 'game.sav';
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
});
