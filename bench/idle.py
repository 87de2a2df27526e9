#!/usr/bin/env python3
"""What a still game costs: the optimised game on a real X display (Xvfb with openbox), in a
1280x800 window and fullscreen at 1920x1080, left alone for a while in the main menu and on a
floor, and the same with a key held down. The figure is the CPU time of the game's process, all
its threads (the music's too), as a share of one core over the measured time.

    bench/idle.py GAME DATA [SECONDS]

GAME is the game's program, DATA the folder holding gfx/, languages/ and music/; every phase
lasts SECONDS (20 by default). Needs Xvfb, openbox, wmctrl and xdotool (the build root has
them); scripts/bench runs it there.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TITLE = "Tower Vault Keeper"
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User and system time of the whole process so far."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def wait_for(condition, limit, what):
    until = time.monotonic() + limit
    while not condition():
        if time.monotonic() > until:
            raise RuntimeError(f"{what} did not happen within {limit} s")
        time.sleep(0.05)


class Desktop:
    """Xvfb on a display it picks itself, with openbox to make fullscreen windows."""

    def __init__(self, width, height, folder):
        read, write = os.pipe()
        self.log = open(os.path.join(folder, "x.log"), "w")
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdout=self.log, stderr=subprocess.STDOUT)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip())
        self.manager = subprocess.Popen(["openbox"], env=self.env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        wait_for(lambda: self.run("wmctrl", "-m") == 0, 20, "openbox's start")

    def run(self, *command):
        return subprocess.call(command, env=self.env, stdout=self.log, stderr=subprocess.STDOUT,
                               timeout=30)

    def output(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def stop(self):
        for process in (self.manager, self.server):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        self.log.close()


def measure(pid, seconds):
    start, begun = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pid) - start) / (time.monotonic() - begun)


def run_game(game, data, fullscreen, seconds):
    """The four figures of one window size, in percent of a core."""
    folder = tempfile.mkdtemp(prefix="tvk-idle-")
    desktop = None
    process = None
    try:
        for part in ("gfx", "languages", "music"):
            os.symlink(os.path.join(data, part), os.path.join(folder, part))
        with open(os.path.join(folder, "game.cfg"), "w") as settings:
            settings.write(f"Fullscreen: {'true' if fullscreen else 'false'}\n")
        # Out of fullscreen the game takes the largest whole multiple of 640x400 that fits the
        # desktop: 1280x800 on this one.
        desktop = Desktop(1920, 1080, folder)
        env = dict(desktop.env, SDL_AUDIO_DRIVER="dummy")
        with open(os.path.join(folder, "game.log"), "w") as log:
            process = subprocess.Popen([game], cwd=folder, env=env, stdout=log,
                                       stderr=subprocess.STDOUT)
        # A loaded machine may take a while to start the game.
        try:
            wait_for(lambda: desktop.run("xdotool", "search", "--name", TITLE) == 0, 120,
                     "the game's window")
        except RuntimeError as error:
            with open(os.path.join(folder, "game.log")) as log:
                raise RuntimeError(f"{error}: {log.read()}") from None
        desktop.run("xdotool", "search", "--name", TITLE, "windowfocus", "--sync")
        size = "1920x1080" if fullscreen else "1280x800"
        wait_for(lambda: f"Geometry: {size}" in desktop.output(
            "xdotool", "search", "--name", TITLE, "getwindowgeometry"), 60,
            f"the game's window at {size}")
        time.sleep(3)  # the menu's first frames and the music's fade-in
        figures = {"menu, still": measure(process.pid, seconds)}
        desktop.run("xdotool", "key", "Return")  # the first line: a new game
        time.sleep(2)
        figures["floor, still"] = measure(process.pid, seconds)
        desktop.run("xdotool", "keydown", "Right")
        figures["floor, key held"] = measure(process.pid, seconds)
        desktop.run("xdotool", "keyup", "Right")
        desktop.run("xdotool", "key", "Escape")  # saved, back to the main menu
        time.sleep(2)
        desktop.run("xdotool", "keydown", "Down")
        figures["menu, key held"] = measure(process.pid, seconds)
        desktop.run("xdotool", "keyup", "Down")
        return figures
    finally:
        if process is not None:
            process.send_signal(signal.SIGTERM)  # a close request
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if desktop is not None:
            desktop.stop()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    game, data = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    seconds = float(sys.argv[3]) if len(sys.argv) == 4 else 20.0
    sizes = [("window 1280x800", False), ("fullscreen 1920x1080", True)]
    results = {name: run_game(game, data, fullscreen, seconds) for name, fullscreen in sizes}
    phases = list(next(iter(results.values())))
    print(f"\nCPU time of the game as a share of one core, {seconds:g} s each"
          " (goal when still: under 1%)")
    print(f"{'':24}" + "".join(f"{phase:>18}" for phase in phases))
    for name, figures in results.items():
        print(f"{name:24}" + "".join(f"{figures[phase] * 100:17.1f}%" for phase in phases))


if __name__ == "__main__":
    main()
