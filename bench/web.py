#!/usr/bin/env python3
"""The web build's figures, each beside its native counterpart from the same scripts/bench run.

    python3 bench/web.py [--asyncify] BUILD_WEB_DIR RESULTS.json...

Runs the page in a headless Chromium (as tests/web/browser_test.py does, whose browser driver
it uses) and prints:
- a frame's cost in the page: the CPU time of the renderer's main thread (Performance.getMetrics
  ThreadTime, which holds the WebAssembly, the JavaScript, the input's dispatch and the drawing
  calls; CPU time, as the native figures, so that a busy machine does not count) that one
  changed frame adds to the same input that changes nothing, against the native BM_RenderShown, the same frame
  drawn, uploaded and presented. Not against BM_Render: its frame equals the one on screen and
  is neither uploaded nor presented; nor per frame paced, which would share a shown frame's
  cost out over the frames in which nothing moved and the game only waited;
- the time from navigation to the main menu's first picture, by the page's own clock, as on a
  player's first visit (the browser's caches off) with the start click made the moment the page
  can take it, against the native start to its first menu frame (BM_Startup's wall time); the
  median of five starts, with its parts and the wall time the driver took to see the menu
  (its polls and screenshots included);
- the bytes a player downloads, each file compressed with gzip -9 as a web server sends them,
  in a browser with WebAssembly's promise integration and in one without (asyncify/).
With --asyncify the frame and the start are those of the build for browsers without the promise
integration (the page is told that the browser lacks it).
"""
import gzip
import json
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "web"))
import browser_test as web  # noqa: E402

# Longer than a frame of the game (60 ms), so that each move is a frame of its own.
MOVE_SECONDS = 0.15
PAGE_FILES = ("index.html", "page.js", "favicon.png")
GAME_FILES = ("tvk.js", "tvk.wasm", "tvk.data")
SITE_FILES = PAGE_FILES + GAME_FILES
FALLBACK_FILES = PAGE_FILES + tuple("asyncify/" + name for name in GAME_FILES)


def native_medians(paths):
    """Median time in seconds (and wall_ms counters) of the native benchmarks by name."""
    found = {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                if b.get("run_type") == "aggregate" and b["aggregate_name"] == "median":
                    name = b["run_name"].split("/")[0]
                    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
                    found[name] = {"time": b["cpu_time"] * scale, "wall_ms": b.get("wall_ms")}
    return found


# Put in the page before its own scripts: the time of the last drawing call on its WebGL
# canvas. The game presents only a picture that differs from the one shown, so once the canvas
# shows the main menu, the last drawing call is the one that first drew it.
LAST_DRAW_HOOK = """
for (const gl of [WebGLRenderingContext.prototype, WebGL2RenderingContext.prototype]) {
  for (const name of ['drawArrays', 'drawElements']) {
    const draw = gl[name];
    gl[name] = function(...args) {
      window.tvkLastDrawAt = performance.now();
      return draw.apply(this, args);
    };
  }
}
"""


def to_first_menu(checks):
    """Milliseconds from navigation to the first menu picture on the canvas, and the parts of it.

    Taken by the page's own clock (its time origin is the navigation): the start screen's
    readiness, and the start click to the call that drew the menu. The time the driver takes to
    see that the page is ready and to click does not count, as if the player clicked at once;
    neither do the screenshots that check the picture.
    """
    shot = os.path.join(checks.work, "shot.png")
    begun = time.monotonic()
    checks.browser.navigate(checks.server.url)
    web.eventually("the start screen", lambda: checks.browser.evaluate("ready"))
    checks.browser.click(400, 300)
    web.eventually("the main menu", lambda: web.differing_pixels(
        checks.browser.canvas_picture(shot), web.MENU_PICTURE) == 0)
    seen = (time.monotonic() - begun) * 1000
    ready, started, drawn, wasm, data = checks.browser.evaluate("""[
        performance.getEntriesByName('tvk-ready')[0].startTime,
        performance.getEntriesByName('tvk-started')[0].startTime,
        window.tvkLastDrawAt,
        performance.getEntriesByName(new URL(GAME_FOLDER + 'tvk.wasm', location).href)[0]
            .responseEnd,
        performance.getEntriesByName(new URL(GAME_FOLDER + 'tvk.data', location).href)[0]
            .responseEnd]""")
    return {"menu": ready + drawn - started, "ready": ready, "click to menu": drawn - started,
            "wasm fetched": wasm, "data fetched": data, "driver saw it (wall)": seen}


def frame_cost(checks, moves=60, repeats=5):
    """Milliseconds of CPU time of the renderer's main thread that one frame of play adds.

    The mouse is moved to and fro by one cell over a floor, one move per frame of the game, so
    that each move draws, uploads and presents one changed frame, as the native BM_RenderShown
    does. The same moves beside the picture, where the game sees no motion, cost the page all
    the rest: the browser's own dispatch of an input sent through DevTools, the music's decoding
    (natively on a thread of its own) and the browser's timers. Their cost is taken off, so the
    figure is what a frame costs the page. The median of a few rounds.
    """
    checks.browser.key("Enter")  # a new game
    time.sleep(1)
    x, y, _, _ = checks.browser.canvas_rect()

    def cpu_seconds():
        metrics = checks.browser.send("Performance.getMetrics")["metrics"]
        return next(m["value"] for m in metrics if m["name"] == "ThreadTime")

    def spent(left, top):
        before, start = cpu_seconds(), time.monotonic()
        for i in range(moves):
            checks.browser.send("Input.dispatchMouseEvent", type="mouseMoved",
                                x=left + 8 * (i % 2), y=top)
            time.sleep(MOVE_SECONDS)
        return cpu_seconds() - before, time.monotonic() - start

    checks.browser.send("Performance.enable")
    costs = []
    for _ in range(repeats):
        beside, beside_elapsed = spent(x / 4, y + 150)
        over, over_elapsed = spent(x + 320, y + 150)
        costs.append((over - beside * over_elapsed / beside_elapsed) * 1000 / moves)
    return statistics.median(costs)


def main(site, results, asyncify):
    native = native_medians(results)
    web.SITE = os.path.abspath(site)  # the checks' server takes it from the command line
    work = tempfile.mkdtemp(prefix="tvk-web-bench-")
    checks = web.Checks(work)
    try:
        checks.browser.send("Page.addScriptToEvaluateOnNewDocument", source=LAST_DRAW_HOOK)
        if asyncify:
            checks.browser.send("Page.addScriptToEvaluateOnNewDocument",
                                source="delete WebAssembly.Suspending;")
        # Every start as a player's first visit: nothing from the browser's caches.
        checks.browser.send("Network.setCacheDisabled", cacheDisabled=True)
        menus = [to_first_menu(checks) for _ in range(5)]
        frame = frame_cost(checks)
    finally:
        checks.close()
        shutil.rmtree(work, ignore_errors=True)
    compressed = {name: len(gzip.compress(open(os.path.join(site, name), "rb").read(), 9))
                  for name in SITE_FILES + FALLBACK_FILES}

    build = ", the Asyncify build" if asyncify else ""
    print(f"\nWeb build (headless Chromium{build}, software WebGL), against native in this run")
    print(f"{'figure':<40}{'page':>12}{'native':>12}{'ratio':>8}  goal")
    render = native.get("BM_RenderShown", {}).get("time")
    ratio = f"{frame / (render * 1000):8.2f}" if render else f"{'-':>8}"
    native_frame = f"{render * 1000:9.3f} ms" if render else f"{'-':>12}"
    print(f"{'frame cost (main thread per shown frame)':<40}{frame:9.3f} ms{native_frame}{ratio}  <= 2")
    start = native.get("BM_Startup", {}).get("wall_ms")
    menu = statistics.median(m["menu"] for m in menus)
    ratio = f"{menu / start:8.2f}" if start else f"{'-':>8}"
    native_start = f"{start:9.1f} ms" if start else f"{'-':>12}"
    print(f"{'navigation to first menu picture':<40}{menu:9.1f} ms{native_start}{ratio}"
          "  < 1000 ms")
    for part in ("wasm fetched", "data fetched", "ready", "click to menu",
                 "driver saw it (wall)"):
        print(f"  {part:<38}{statistics.median(m[part] for m in menus):9.1f} ms")
    for what, files in (("download, gzip -9", SITE_FILES),
                        ("download, gzip -9, asyncify/", FALLBACK_FILES)):
        total = sum(compressed[name] for name in files)
        print(f"{what:<40}{total / 1e6:9.3f} MB{'':>12}{'':>8}  < 2 MB")
        for name in files:
            print(f"  {name:<38}{compressed[name] / 1e3:9.1f} kB")


if __name__ == "__main__":
    arguments = [a for a in sys.argv[1:] if a != "--asyncify"]
    main(arguments[0], arguments[1:], "--asyncify" in sys.argv[1:])
