#!/usr/bin/env python3
"""The web build (build-web/) played in a real headless Chromium, driven over the DevTools
protocol: the page loads cleanly, draws the native game's main menu pixel for pixel, scales the
picture by whole factors, keeps a saved game over a reload and exports it, switches between its
five languages, and says that it must be served when opened from a file.

Run inside the build root in a network of its own (scripts/test does):
    scripts/with-deps tests/web/browser_test.py [BUILD_WEB_DIR]
Prints one line per check and "N passed, N failed" last; the exit code is 1 on any failure.
"""
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import urllib.request

import websocket

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SITE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build-web"))
MENU_PICTURE = os.path.join(REPO, "docs", "mainmenu.png")
FAILURES = os.path.join(os.path.dirname(SITE), "build-web-test")  # pictures of failed checks
DEADLINE = 60  # seconds for anything the page has to do; only a broken page takes that long


def eventually(what, check, deadline=DEADLINE):
    """Calls check until it returns something true, and returns that; fails at the deadline."""
    end = time.monotonic() + deadline
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


class Server:
    """build-web/ served on 127.0.0.1, as a static web host would."""

    def __init__(self, folder):
        handler = functools.partial(QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Browser:
    """One headless Chromium with one page, and the DevTools session on that page."""

    def __init__(self, profile, downloads):
        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--use-angle=swiftshader",
             "--enable-unsafe-swiftshader", "--autoplay-policy=user-gesture-required",
             "--remote-debugging-port=0", "--user-data-dir=" + profile,
             "--window-size=800,600", "--hide-scrollbars", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        port_file = os.path.join(profile, "DevToolsActivePort")
        port = eventually("Chromium's DevTools port",
                          lambda: os.path.exists(port_file) and open(port_file).readline().strip())
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
        page = next(t for t in targets if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=DEADLINE)
        self.next_id = 0
        self.events = []
        self.send("Page.enable")
        self.send("Runtime.enable")
        self.send("Log.enable")
        self.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads,
                  eventsEnabled=True)

    def send(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise AssertionError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.events.append(message)

    def pump(self):
        """Takes the events that came meanwhile."""
        self.send("Runtime.evaluate", expression="0")

    def errors(self):
        self.pump()
        found = []
        for event in self.events:
            params = event.get("params", {})
            if event["method"] == "Runtime.exceptionThrown":
                found.append(params["exceptionDetails"].get("text", "exception"))
            elif event["method"] == "Runtime.consoleAPICalled" and params["type"] == "error":
                found.append(" ".join(str(a.get("value", "")) for a in params["args"]))
            elif event["method"] == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append(params["entry"]["text"])
        return found

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise AssertionError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def navigate(self, url):
        self.events.clear()
        self.send("Page.navigate", url=url)
        eventually("the page's load event", lambda: self.pump() or any(
            e["method"] == "Page.loadEventFired" for e in self.events))

    def reload(self):
        self.events.clear()
        self.send("Page.reload")
        eventually("the page's load event", lambda: self.pump() or any(
            e["method"] == "Page.loadEventFired" for e in self.events))

    def size(self, width, height):
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def key(self, name):
        code, key, keycode = KEYS[name]
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=keycode, nativeVirtualKeyCode=keycode)
        # One key per frame of the game (60 ms), so that none is merged with the next.
        time.sleep(0.15)

    def canvas_rect(self):
        return self.evaluate(
            "(r => [r.x, r.y, r.width, r.height])(canvas.getBoundingClientRect())")

    def canvas_picture(self, path):
        """Writes the picture on screen where the canvas is, at one pixel per CSS pixel."""
        x, y, w, h = self.canvas_rect()
        shot = self.send("Page.captureScreenshot", format="png",
                         clip={"x": x, "y": y, "width": w, "height": h, "scale": 1})
        with open(path, "wb") as out:
            out.write(base64.b64decode(shot["data"]))
        return path

    def close(self):
        self.socket.close()
        self.process.terminate()
        self.process.wait()


KEYS = {
    "Enter": ("Enter", "Enter", 13), "Escape": ("Escape", "Escape", 27),
    "Up": ("ArrowUp", "ArrowUp", 38), "Down": ("ArrowDown", "ArrowDown", 40),
    "Left": ("ArrowLeft", "ArrowLeft", 37), "Right": ("ArrowRight", "ArrowRight", 39),
}


def differing_pixels(a, b):
    """How many pixels two pictures of one size differ in (ImageMagick), or None when the
    sizes differ."""
    run = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True,
                         text=True)
    if run.returncode == 2:
        return None
    return int(float(run.stderr.split()[0]))


class Checks:
    def __init__(self, work):
        self.work = work
        self.server = Server(SITE)
        self.downloads = os.path.join(work, "downloads")
        os.makedirs(self.downloads)
        self.browser = Browser(os.path.join(work, "profile"), self.downloads)

    def start(self):
        """Opens the page and starts the game from its start screen."""
        self.browser.navigate(self.server.url)
        eventually("the start screen", lambda: self.browser.evaluate("ready"))
        self.browser.click(400, 300)
        eventually("the game to start", lambda: self.browser.evaluate("started"))

    def shows(self, picture, what):
        """Waits until the canvas shows the picture exactly."""
        shot = os.path.join(self.work, "shot.png")

        def same():
            self.browser.canvas_picture(shot)
            return differing_pixels(shot, picture) == 0
        try:
            eventually(what, same)
        except AssertionError:
            os.makedirs(FAILURES, exist_ok=True)
            kept = os.path.join(FAILURES, what.replace(" ", "-") + ".png")
            shutil.copy(shot, kept)
            raise AssertionError("%s: the canvas differs, see %s" % (what, kept))

    def settled_picture(self, path):
        """The canvas once the game has drawn every key sent: a turn-based floor stands still
        between keys, so two pictures a few frames apart agree."""
        earlier = os.path.join(self.work, "earlier.png")

        def still():
            shutil.copy(self.browser.canvas_picture(path), earlier)
            time.sleep(0.2)
            return differing_pixels(self.browser.canvas_picture(path), earlier) == 0
        eventually("the picture to settle", still)
        return path

    def page_loads_without_errors(self):
        self.browser.navigate(self.server.url)
        eventually("the start screen", lambda: self.browser.evaluate("ready"))
        text = self.browser.evaluate("document.getElementById('start').textContent")
        assert "click or press a key to play" in text.lower(), text
        assert self.browser.evaluate("document.title") == "Tower Vault Keeper"
        errors = self.browser.errors()
        assert not errors, errors

    def main_menu_is_the_native_picture(self):
        self.start()
        self.shows(MENU_PICTURE, "main menu")
        errors = self.browser.errors()
        assert not errors, errors

    def picture_scales_by_whole_factors(self):
        for width, height, factor in ((800, 600, 1), (1400, 900, 2), (1920, 1300, 3),
                                      (639, 399, 1)):
            self.browser.size(width, height)
            x, y, w, h = eventually("the canvas at %dx%d" % (width, height), lambda: (
                lambda r: r[2] == 640 * factor and r)(self.browser.canvas_rect()))
            assert (w, h) == (640 * factor, 400 * factor), (width, height, w, h)
            if width >= 640:
                assert (x, y) == ((width - w) // 2, (height - h) // 2), (width, height, x, y)
            scrolled = self.browser.evaluate("scrollY")
            self.browser.key("Down")
            self.browser.key("Up")
            assert self.browser.evaluate("scrollY") == scrolled, "the page scrolled on a key"
        self.browser.size(800, 600)
        self.shows(MENU_PICTURE, "main menu after resizing")

    def saved_game_survives_a_reload_and_exports(self):
        # A new game from the main menu, a few steps, then Escape saves it.
        self.browser.key("Enter")
        time.sleep(0.5)
        for name in ("Left", "Up", "Right", "Down"):
            self.browser.key(name)
        floor = self.settled_picture(os.path.join(self.work, "floor.png"))
        self.browser.key("Escape")
        try:
            eventually("the save in IndexedDB", lambda: self.browser.evaluate(
                "FS.analyzePath('/play/game.sav').exists"), deadline=10)
        except AssertionError:
            os.makedirs(FAILURES, exist_ok=True)
            self.browser.canvas_picture(os.path.join(FAILURES, "no-save.png"))
            raise
        saved = self.browser.evaluate("FS.readFile('/play/game.sav', {encoding: 'utf8'})")
        self.browser.reload()
        eventually("the start screen", lambda: self.browser.evaluate("ready"))
        assert self.browser.evaluate(
            "FS.readFile('/play/game.sav', {encoding: 'utf8'})") == saved
        self.browser.click(400, 300)
        eventually("the game to start", lambda: self.browser.evaluate("started"))
        time.sleep(0.5)
        # Continue is the main menu's second line.
        self.browser.key("Down")
        self.browser.key("Enter")
        self.shows(floor, "the saved floor after a reload")
        # The export hands the same file over as a download.
        self.browser.key("Escape")
        self.browser.evaluate("document.getElementById('export').click()")
        exported = os.path.join(self.downloads, "game.sav")
        eventually("the exported save", lambda: os.path.exists(exported) and
                   open(exported, encoding="utf-8").read() == self.browser.evaluate(
                       "FS.readFile('/play/game.sav', {encoding: 'utf8'})"))

    def five_languages_switch(self):
        self.start()
        self.shows(MENU_PICTURE, "main menu before the languages")
        for name in ("Down", "Down", "Enter"):  # Options
            self.browser.key(name)
        for _ in range(12):  # past the nine keys, fullscreen, music and volume
            self.browser.key("Down")
        pictures = [self.settled_picture(os.path.join(self.work, "language0.png"))]
        for number in range(1, 6):
            self.browser.key("Enter")
            path = os.path.join(self.work, "language%d.png" % number)
            eventually("language %d on screen" % number, lambda: differing_pixels(
                self.browser.canvas_picture(path), pictures[-1]) != 0)
            pictures.append(self.settled_picture(path))
        for first in range(5):
            for second in range(first + 1, 5):
                assert differing_pixels(pictures[first], pictures[second]) != 0, (first, second)
        assert differing_pixels(pictures[5], pictures[0]) == 0, "five languages, then the first"
        # Discard changes, and the main menu's cursor back on its first line.
        for name in ("Down", "Down", "Down", "Enter", "Up", "Up"):
            self.browser.key(name)
        self.shows(MENU_PICTURE, "main menu after the languages")
        errors = self.browser.errors()
        assert not errors, errors

    def page_from_a_file_says_it_must_be_served(self):
        self.browser.navigate("file://" + os.path.join(SITE, "index.html"))
        text = eventually("the page's notice", lambda: self.browser.evaluate(
            "document.getElementById('start').textContent"))
        assert "must be served" in text, text

    def close(self):
        self.browser.close()
        self.server.close()


def main():
    work = tempfile.mkdtemp(prefix="tvk-web-test-")
    checks = Checks(work)
    names = ["page_loads_without_errors", "main_menu_is_the_native_picture",
             "picture_scales_by_whole_factors", "saved_game_survives_a_reload_and_exports",
             "five_languages_switch", "page_from_a_file_says_it_must_be_served"]
    names = sys.argv[2:] or names
    passed = failed = 0
    try:
        for name in names:
            try:
                getattr(checks, name)()
                print("PASS " + name)
                passed += 1
            except Exception:  # one failing check does not hide the others
                print("FAIL " + name)
                traceback.print_exc()
                failed += 1
    finally:
        checks.close()
        shutil.rmtree(work, ignore_errors=True)
    print("browser: %d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
