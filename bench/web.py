#!/usr/bin/env python3
"""The web build's figures, each beside its native counterpart from the same scripts/bench run.

    python3 bench/web.py BUILD_WEB_DIR RESULTS.json...

Runs the page in a headless Chromium (as tests/web/browser_test.py does, whose browser driver
it uses) and prints:
- a frame's cost in the page: the renderer's main-thread task time (Performance.getMetrics
  TaskDuration, which holds the WebAssembly, the JavaScript and the drawing calls) over a stretch
  of play, divided by the frames the game paced in it, against the native BM_Render;
- the time from navigation to the main menu's first picture (the start click made as soon as the
  page can take it), against the native start to its first menu frame (BM_Startup's wall time);
- the bytes a player downloads, each file compressed with gzip -9 as a web server sends them.
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

FRAME_MS = 60
SITE_FILES = ("index.html", "page.js", "favicon.png", "tvk.js", "tvk.wasm", "tvk.data")


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


def to_first_menu(checks):
    """Milliseconds from navigation to the first menu picture on the canvas."""
    shot = os.path.join(checks.work, "shot.png")
    start = time.monotonic()
    checks.browser.navigate(checks.server.url)
    web.eventually("the start screen", lambda: checks.browser.evaluate("ready"))
    checks.browser.click(400, 300)
    web.eventually("the main menu", lambda: web.differing_pixels(
        checks.browser.canvas_picture(shot), web.MENU_PICTURE) == 0)
    return (time.monotonic() - start) * 1000


def frame_cost(checks, seconds=5.0):
    """Milliseconds of the renderer's main thread per paced frame while a floor is played."""
    checks.browser.key("Enter")  # a new game
    time.sleep(1)

    def task_seconds():
        metrics = checks.browser.send("Performance.getMetrics")["metrics"]
        return next(m["value"] for m in metrics if m["name"] == "TaskDuration")
    checks.browser.send("Performance.enable")
    before = task_seconds()
    start = time.monotonic()
    keys = ("Left", "Right", "Up", "Down")
    while time.monotonic() - start < seconds:
        checks.browser.key(keys[int(time.monotonic() * 4) % 4])
    elapsed = time.monotonic() - start
    spent = task_seconds() - before
    return spent * 1000 / (elapsed * 1000 / FRAME_MS)


def main(site, results):
    native = native_medians(results)
    work = tempfile.mkdtemp(prefix="tvk-web-bench-")
    checks = web.Checks(work)
    try:
        menus = [to_first_menu(checks) for _ in range(3)]
        frame = frame_cost(checks)
    finally:
        checks.close()
        shutil.rmtree(work, ignore_errors=True)
    compressed = {name: len(gzip.compress(open(os.path.join(site, name), "rb").read(), 9))
                  for name in SITE_FILES}

    print("\nWeb build (headless Chromium, software WebGL), against native in this run")
    print(f"{'figure':<40}{'page':>12}{'native':>12}{'ratio':>8}  goal")
    render = native.get("BM_Render", {}).get("time")
    ratio = f"{frame / (render * 1000):8.2f}" if render else f"{'-':>8}"
    native_frame = f"{render * 1000:9.3f} ms" if render else f"{'-':>12}"
    print(f"{'frame cost (main thread per frame)':<40}{frame:9.3f} ms{native_frame}{ratio}  <= 2")
    start = native.get("BM_Startup", {}).get("wall_ms")
    menu = statistics.median(menus)
    ratio = f"{menu / start:8.2f}" if start else f"{'-':>8}"
    native_start = f"{start:9.1f} ms" if start else f"{'-':>12}"
    print(f"{'navigation to first menu picture':<40}{menu:9.1f} ms{native_start}{ratio}"
          "  < 1000 ms")
    total = sum(compressed.values())
    print(f"{'download, gzip -9':<40}{total / 1e6:9.3f} MB{'':>12}{'':>8}  < 2 MB")
    for name in SITE_FILES:
        print(f"  {name:<38}{compressed[name] / 1e3:9.1f} kB")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
