#!/usr/bin/env python3
"""Writes the game's music loops: a small synthesiser in plain Python.

Every pattern is a whole number of bars in A minor, rendered as one exact loop of 44100 Hz
stereo samples. Echoes that run past the end of the loop wrap around to its start, and every
note has died away before the bar line, so a pattern loops without a seam and hands over to
any other pattern at its loop point without a click.

    python3 tools/musicgen/musicgen.py OUTDIR            # WAV files, then OGG via oggenc
    python3 tools/musicgen/musicgen.py OUTDIR --wav-only

Nothing here is random: the same script always writes the same music.
"""

import argparse
import array
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

RATE = 44100
TAU = 2.0 * math.pi


def freq(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


# Note names used in the scores below, in MIDI numbers.
NOTE = {}
for octave in range(1, 7):
    for i, name in enumerate(["C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"]):
        NOTE[f"{name}{octave}"] = 12 * (octave + 1) + i
NOTE["G#2"] = NOTE["Ab2"]
NOTE["G#3"] = NOTE["Ab3"]
NOTE["G#4"] = NOTE["Ab4"]


def n(name):
    return NOTE[name]


class Loop:
    """A stereo loop of an exact length; writes that run past the end wrap to the start."""

    def __init__(self, seconds):
        self.length = int(round(seconds * RATE))
        self.left = array.array("d", bytes(8 * self.length))
        self.right = array.array("d", bytes(8 * self.length))

    def add(self, start_seconds, samples, pan):
        # Constant-power pan: -1 left, 0 centre, +1 right.
        angle = (pan + 1.0) * math.pi / 4.0
        gl, gr = math.cos(angle), math.sin(angle)
        start = int(round(start_seconds * RATE))
        length = self.length
        left, right = self.left, self.right
        for i, s in enumerate(samples):
            k = (start + i) % length
            left[k] += s * gl
            right[k] += s * gr


# --- Voices --------------------------------------------------------------------------------
# Each returns the mono samples of one note; duration is how long the key is held, and the
# release follows it.


def envelope(i, attack, hold, release):
    """Linear attack, hold, then a cosine release to exactly zero."""
    t = i / RATE
    if t < attack:
        return t / attack
    if t < attack + hold:
        return 1.0
    r = (t - attack - hold) / release
    return 0.5 + 0.5 * math.cos(math.pi * r) if r < 1.0 else 0.0


def poly_blep(t, dt):
    # Smooths the jumps of a naive pulse so high notes do not alias into hiss.
    if t < dt:
        t /= dt
        return t + t - t * t - 1.0
    if t > 1.0 - dt:
        t = (t - 1.0) / dt
        return t * t + t + t + 1.0
    return 0.0


def pulse(midi, duration, width=0.25, decay=0.35, release=0.05, cutoff=2400.0, vibrato=0.0):
    """The chip voice: a band-limited pulse through a gentle one-pole low-pass, plucked."""
    f = freq(midi)
    dt = f / RATE
    total = int((duration + release) * RATE)
    out = [0.0] * total
    phase = 0.0
    lp = 0.0
    a = 1.0 - math.exp(-TAU * cutoff / RATE)
    for i in range(total):
        t = i / RATE
        s = (1.0 if phase < width else -1.0)
        s += poly_blep(phase, dt)
        p2 = (phase - width) % 1.0
        s -= poly_blep(p2, dt)
        lp += a * (s - lp)
        env = math.exp(-t / decay) if decay > 0 else 1.0
        env *= envelope(i, 0.004, duration - 0.004, release)
        out[i] = lp * env
        step = dt * (1.0 + vibrato * math.sin(TAU * 5.0 * t) * min(1.0, t / 0.4))
        phase = (phase + step) % 1.0
    return out


def pad(midi, duration, attack=0.9, release=0.9):
    """A soft swell: three slightly detuned triangles, breathing slowly."""
    f = freq(midi)
    total = int((duration + release) * RATE)
    out = [0.0] * total
    detunes = (-0.0035, 0.0, 0.0041)
    phases = [0.0, 0.33, 0.71]
    for i in range(total):
        t = i / RATE
        s = 0.0
        for j, d in enumerate(detunes):
            p = (phases[j] + f * (1.0 + d) * t) % 1.0
            s += 4.0 * abs(p - 0.5) - 1.0
        # A slow shimmer keeps a held chord alive over several seconds.
        shimmer = 0.85 + 0.15 * math.sin(TAU * 0.45 * t)
        out[i] = s / 3.0 * shimmer * envelope(i, attack, max(0.0, duration - attack), release)
    return out


def bell(midi, duration, decay=1.2):
    """A glassy tone: a sine lightly frequency-modulated at 3.5 times its pitch."""
    f = freq(midi)
    total = int(duration * RATE)
    out = [0.0] * total
    for i in range(total):
        t = i / RATE
        index = 1.4 * math.exp(-t / 0.25)
        s = math.sin(TAU * f * t + index * math.sin(TAU * 3.5 * f * t))
        out[i] = s * math.exp(-t / decay) * envelope(i, 0.003, duration - 0.083, 0.08)
    return out


def triangle_bass(midi, duration, decay=0.5):
    """The console bass: a stepped triangle (16 levels), the sound of the old chips."""
    f = freq(midi)
    total = int((duration + 0.03) * RATE)
    out = [0.0] * total
    for i in range(total):
        t = i / RATE
        p = (f * t) % 1.0
        tri = 4.0 * abs(p - 0.5) - 1.0
        stepped = round(tri * 7.5) / 7.5
        out[i] = stepped * math.exp(-t / decay) * envelope(i, 0.003, duration - 0.003, 0.03)
    return out


def sine_bass(midi, duration, attack=0.05, release=0.6):
    f = freq(midi)
    total = int((duration + release) * RATE)
    out = [0.0] * total
    for i in range(total):
        t = i / RATE
        s = math.sin(TAU * f * t) + 0.25 * math.sin(TAU * 2.0 * f * t)
        out[i] = s * envelope(i, attack, max(0.0, duration - attack), release)
    return out


class Noise:
    """A fixed pseudo-random sequence, so every build writes identical files."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x3FFFFFFF - 1.0


def tick(noise, length=0.035, bright=True):
    """A hi-hat tick: noise with its lows taken out, dying fast."""
    total = int((length * 5.0) * RATE)
    out = [0.0] * total
    previous = 0.0
    for i in range(total):
        t = i / RATE
        x = noise.next()
        s = x - previous if bright else 0.5 * (x + previous)
        previous = x
        out[i] = s * math.exp(-t / length) * envelope(i, 0.001, length * 4.0, length * 0.9)
    return out


def kick(length=0.18):
    """A soft thump: a sine falling from 110 Hz to 45 Hz."""
    total = int(length * 2.5 * RATE)
    out = [0.0] * total
    phase = 0.0
    for i in range(total):
        t = i / RATE
        f = 45.0 + 65.0 * math.exp(-t / 0.03)
        phase += f / RATE
        out[i] = math.sin(TAU * phase) * math.exp(-t / length) * envelope(i, 0.002, length * 2.0, length * 0.45)
    return out


# --- Effects -------------------------------------------------------------------------------


def echo(loop, delay_seconds, feedback, wet):
    """A ping-pong echo that runs round the loop, so its tail enters the loop's start.

    The echo alone is faded out and in over the last and first 10 ms: the dry notes are
    silent at the loop point already, so the hand-over to a different pattern cannot click.
    """
    d = int(round(delay_seconds * RATE))
    length = loop.length
    dry_l, dry_r = array.array("d", loop.left), array.array("d", loop.right)
    bl = array.array("d", bytes(8 * length))
    br = array.array("d", bytes(8 * length))
    # Two turns round the loop: the second starts with the first's tail, as it will in play.
    # A negative index reads from the loop's end.
    for _ in range(2):
        for k in range(length):
            j = k - d
            bl[k] = dry_r[j] + feedback * br[j]
            br[k] = dry_l[j] + feedback * bl[j]
    edge = int(0.010 * RATE)
    for k in range(length):
        w = wet
        distance = min(k, length - 1 - k)
        if distance < edge:
            w *= 0.5 - 0.5 * math.cos(math.pi * distance / edge)
        loop.left[k] = dry_l[k] + w * bl[k]
        loop.right[k] = dry_r[k] + w * br[k]


def soften(loop, cutoff):
    """A one-pole low-pass over the whole mix that takes the edge off the chip voices and the
    ticks for an hour of listening. It runs round the loop: one turn settles the filter on the
    loop's own end, the second writes, so the filtered loop has no seam either."""
    a = 1.0 - math.exp(-TAU * cutoff / RATE)
    for channel in (loop.left, loop.right):
        state = 0.0
        for x in channel:
            state += a * (x - state)
        for k in range(loop.length):
            state += a * (channel[k] - state)
            channel[k] = state


def finish(loop, rms_db):
    """Scales the loop to the given RMS level in dBFS; returns its peak afterwards."""
    energy = sum(x * x for x in loop.left) + sum(x * x for x in loop.right)
    rms = math.sqrt(energy / (2 * loop.length))
    scale = 10.0 ** (rms_db / 20.0) / rms
    for k in range(loop.length):
        loop.left[k] *= scale
        loop.right[k] *= scale
    peak = max(max(abs(x) for x in loop.left), max(abs(x) for x in loop.right))
    if peak > 0.95:
        sys.exit(f"a loop would clip (peak {peak:.2f}): lower its level")
    return peak


# --- The patterns --------------------------------------------------------------------------
# Calm: 80 beats a minute, four bars of 4/4 (12 s). Alert: 160 beats a minute, eight bars
# (12 s): the same bar lines in double time, so either can follow the other at a loop point.

CALM_BEAT = 60.0 / 80.0
ALERT_BEAT = 60.0 / 160.0


def calm_pattern(chords, arpeggios, melody, basses):
    bar = 4 * CALM_BEAT
    eighth = CALM_BEAT / 2
    loop = Loop(len(chords) * bar)
    for b, chord in enumerate(chords):
        # The root is left to the bass; the pad holds the upper notes, spread across the field.
        for k, note in enumerate(chord[1:]):
            pan = -0.45 if k % 2 else 0.45
            loop.add(b * bar, [0.085 * s for s in pad(n(note), bar - 0.9 - 0.05, 0.9, 0.9)], pan)
        loop.add(b * bar, [0.20 * s for s in sine_bass(n(basses[b]), bar - 0.75, 0.04, 0.7)], 0.0)
        for step, note in arpeggios[b]:
            loop.add(b * bar + step * eighth,
                     [0.16 * s for s in pulse(n(note), 0.30, 0.25, 0.45, 0.06, 1900.0)],
                     -0.3 if step % 2 == 0 else 0.3)
    for start, note, length in melody:
        loop.add(start * eighth, [0.12 * s for s in bell(n(note), length * eighth, 1.1)], 0.15)
    echo(loop, 3 * eighth, 0.42, 0.33)
    soften(loop, 8000.0)
    return loop


def alert_pattern(chords, basses, lead):
    bar = 4 * ALERT_BEAT
    eighth = ALERT_BEAT / 2
    sixteenth = ALERT_BEAT / 4
    loop = Loop(len(chords) * bar)
    noise = Noise(20240611)
    # Root, root, octave, root, fifth, root, octave, fifth: a running figure under everything.
    ostinato = (0, 0, 12, 0, 7, 0, 12, 7)
    for b, chord in enumerate(chords):
        if b % 2 == 0:
            for k, note in enumerate(chord[1:]):
                pan = 0.0 if k == 0 else (-0.5 if k % 2 else 0.5)
                loop.add(b * bar, [0.05 * s for s in pad(n(note), 2 * bar - 0.5 - 0.45, 0.5, 0.45)], pan)
        root = n(basses[b])
        for step, interval in enumerate(ostinato):
            loop.add(b * bar + step * eighth,
                     [0.22 * s for s in triangle_bass(root + interval, eighth * 0.8, 0.35)], 0.0)
        for beat in range(4):
            t = b * bar + beat * ALERT_BEAT
            if beat in (0, 2):
                loop.add(t, [0.30 * s for s in kick()], 0.0)
            else:
                loop.add(t, [0.05 * s for s in tick(noise, 0.06, bright=False)], 0.1)
        for step in range(8):
            accent = 1.0 if step % 2 else 0.55
            loop.add(b * bar + step * eighth, [0.045 * accent * s for s in tick(noise)],
                     0.35 if step % 2 else -0.35)
        # A quiet arpeggio in sixteenths keeps the pulse nervous without getting loud.
        tones = [n(x) + 12 for x in chord[1:]]
        for step in range(16):
            if step % 4 == 3:
                continue
            note = tones[step % len(tones)]
            loop.add(b * bar + step * sixteenth,
                     [0.055 * s for s in pulse(note, sixteenth * 0.7, 0.125, 0.12, 0.02, 3000.0)],
                     -0.55 if step % 2 else 0.55)
    for start, note, length in lead:
        loop.add(start * eighth,
                 [0.10 * s for s in pulse(n(note), length * eighth - 0.05, 0.5, 1.2, 0.05, 1600.0, 0.006)],
                 0.1)
    echo(loop, 3 * sixteenth, 0.3, 0.22)
    soften(loop, 6500.0)
    return loop


def calm():
    chords = [("A2", "C4", "E4", "G4", "B4"), ("F2", "A3", "C4", "E4", "G4"),
              ("D3", "F3", "A3", "C4", "E4"), ("E3", "G3", "B3", "D4", "A4")]
    arpeggios = [
        [(0, "A4"), (2, "E5"), (3, "C5"), (5, "B4"), (6, "E5")],
        [(0, "F4"), (2, "C5"), (3, "A4"), (5, "G4"), (6, "E5")],
        [(0, "D4"), (2, "A4"), (3, "F4"), (5, "E4"), (6, "C5")],
        [(0, "E4"), (2, "B4"), (3, "G4"), (5, "D5")],
    ]
    melody = [(1, "E5", 5), (9, "C5", 4), (14, "A4", 2), (17, "G4", 6), (25, "F4", 4), (30, "E4", 2)]
    return calm_pattern(chords, arpeggios, melody, ["A2", "F2", "D2", "E2"])


def calm_drift():
    chords = [("A2", "C4", "E4", "A4", "B4"), ("E2", "G3", "B3", "D4", "G4"),
              ("F2", "A3", "C4", "E4", "A4"), ("G2", "B3", "D4", "G4", "A4")]
    arpeggios = [
        [(0, "C5"), (2, "A4"), (4, "E5"), (6, "B4")],
        [(0, "B4"), (2, "G4"), (4, "D5"), (6, "E5")],
        [(0, "A4"), (2, "F4"), (4, "C5"), (6, "E5")],
        [(0, "G4"), (2, "D5"), (4, "B4"), (5, "A4"), (6, "G4")],
    ]
    melody = [(3, "A5", 3), (6, "G5", 4), (12, "E5", 4), (19, "C5", 5), (27, "D5", 3), (30, "B4", 2)]
    return calm_pattern(chords, arpeggios, melody, ["A2", "E2", "F2", "G2"])


def alert():
    chords = [("A2", "A3", "C4", "E4"), ("A2", "A3", "C4", "E4"),
              ("F2", "F3", "A3", "C4"), ("F2", "F3", "A3", "C4"),
              ("D2", "D3", "F3", "A3"), ("D2", "D3", "F3", "A3"),
              ("E2", "E3", "G#3", "B3"), ("E2", "E3", "G#3", "B3")]
    basses = ["A1", "A1", "F1", "F1", "D2", "D2", "E1", "E1"]
    return alert_pattern(chords, basses, [])


def alert_push():
    chords = [("A2", "A3", "C4", "E4"), ("A2", "A3", "C4", "E4"),
              ("G2", "G3", "B3", "D4"), ("G2", "G3", "B3", "D4"),
              ("F2", "F3", "A3", "C4"), ("F2", "F3", "A3", "C4"),
              ("E2", "E3", "G#3", "B3"), ("E2", "E3", "G#3", "B3")]
    basses = ["A1", "A1", "G1", "G1", "F1", "F1", "E1", "E1"]
    # A falling call over the ostinato, in eighths of the alert tempo.
    lead = [(0, "E5", 3), (3, "D5", 1), (4, "C5", 4), (10, "B4", 2), (12, "A4", 4),
            (16, "D5", 3), (19, "C5", 1), (20, "B4", 4), (26, "G4", 2), (28, "A4", 4),
            (32, "C5", 3), (35, "B4", 1), (36, "A4", 4), (42, "G4", 2), (44, "F4", 4),
            (48, "E4", 4), (52, "G#4", 4), (56, "B4", 6)]
    return alert_pattern(chords, basses, lead)


PATTERNS = [
    # file name    builder      RMS dBFS  (the alert pair sits a little above the calm pair)
    ("calm",       calm,        -20.0),
    ("calm_drift", calm_drift,  -20.0),
    ("alert",      alert,       -18.0),
    ("alert_push", alert_push,  -18.0),
]


def write_wav(path, loop):
    frames = array.array("h")
    for k in range(loop.length):
        for x in (loop.left[k], loop.right[k]):
            frames.append(max(-32767, min(32767, int(round(x * 32767.0)))))
    if sys.byteorder != "little":
        frames.byteswap()
    data = frames.tobytes()
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16))
        f.write(b"data" + struct.pack("<I", len(data)))
        f.write(data)


def seam(a, b):
    """The largest jump where loop a hands over to loop b."""
    return max(abs(a.left[-1] - b.left[0]), abs(a.right[-1] - b.right[0]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--wav-only", action="store_true", help="keep the WAV files, skip oggenc")
    parser.add_argument("--quality", default="4", help="oggenc quality (default 4)")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    work = args.outdir if args.wav_only else tempfile.mkdtemp(prefix="musicgen-")
    loops = {}
    try:
        for serial, (name, build, level) in enumerate(PATTERNS, start=1):
            loop = build()
            peak = finish(loop, level)
            loops[name] = loop
            print(f"{name}: {loop.length} frames ({loop.length / RATE:.3f} s), peak {peak:.2f}")
            wav = os.path.join(work, name + ".wav")
            write_wav(wav, loop)
            if not args.wav_only:
                # A fixed stream serial keeps the files identical from one build to the next.
                subprocess.run(["oggenc", "-Q", "-q", args.quality, "-s", str(serial), "-o",
                                os.path.join(args.outdir, name + ".ogg"), wav], check=True)
        worst = max(seam(a, b) for a in loops.values() for b in loops.values())
        print(f"largest jump at any loop point: {worst:.4f}")
    finally:
        if not args.wav_only:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
