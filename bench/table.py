#!/usr/bin/env python3
"""Prints the table of a tvk-bench run: each benchmark's median and its ratio to its peer.

    python3 bench/table.py RESULTS.json...

Each RESULTS.json is Google Benchmark's JSON output of a run with repetitions and aggregates. A
benchmark names its peer (or floor) in its label, "peer=NAME goal=G minus=COUNTER", each part
optional: the ratio is its median time over the peer's median time, both from the same run,
less the median of COUNTER (a time in milliseconds) when one is named; the goal is the largest
ratio wanted. Counters named phase_* (milliseconds) are listed under their benchmark, with what
is left of its time, and wall_ms after them.
"""
import json
import re
import sys

UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def short_name(run_name):
    # Google Benchmark appends the options it ran with ("/iterations:5/manual_time").
    options = r"(iterations|repeats|min_time|threads):.*|manual_time|real_time"
    parts = [p for p in run_name.split("/") if not re.fullmatch(options, p)]
    return "/".join(parts)


def show(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if abs(seconds) >= scale:
            return f"{seconds / scale:8.3f} {unit}"
    return f"{seconds / 1e-9:8.1f} ns"


def main(paths):
    benchmarks = []
    for number, path in enumerate(paths):
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                benchmarks.append(dict(b, file=number))
    rows = {}
    for b in benchmarks:
        if b.get("run_type") != "aggregate":
            continue
        name = short_name(b["run_name"])
        if name not in rows:
            # Rows in the order the benchmarks were registered, whatever order they ran in.
            place = (b["file"], b.get("family_index", 0), b.get("per_family_instance_index", 0))
            rows[name] = {"label": b.get("label", ""), "counters": {}, "place": place}
        scale = UNIT_SECONDS[b["time_unit"]]
        if b["aggregate_name"] == "median":
            rows[name]["seconds"] = b["real_time"] * scale
            rows[name]["counters"] = {k: v for k, v in b.items() if k.startswith("phase_")}
            rows[name]["wall"] = b.get("wall_ms")
        elif b["aggregate_name"] == "cv":
            rows[name]["cv"] = b["real_time"]
        if "error_occurred" in b:
            rows[name]["error"] = b.get("error_message", "failed")

    reps = next((b.get("repetitions") for b in benchmarks if "repetitions" in b), "?")
    print(f"Medians of {reps} interleaved repetitions of the measuring thread's CPU time per call")
    print("(for the start-up, the started process's main thread). Ratio: time / the peer's time.")
    print(f"{'benchmark':<24} {'median':>11} {'cv':>5}   {'peer':<38} {'ratio':>6}  goal")
    missed = 0
    for name in sorted(rows, key=lambda n: rows[n]["place"]):
        row = rows[name]
        if "seconds" not in row:
            print(f"{name:<24} {'failed: ' + row.get('error', 'no result')}")
            continue
        label = dict(part.split("=", 1) for part in row["label"].split() if "=" in part)
        cv = f"{100 * row.get('cv', 0):4.0f}%"
        line = f"{name:<24} {show(row['seconds'])} {cv}"
        peer = label.get("peer")
        if peer and "seconds" in rows.get(peer, {}):
            own = row["seconds"]
            minus = label.get("minus")
            if minus:
                own -= row["counters"].get(minus, 0.0) * 1e-3
                peer_text = f"{peer} (less {minus.removeprefix('phase_')})"
            else:
                peer_text = peer
            ratio = own / rows[peer]["seconds"]
            line += f"   {peer_text:<38} {ratio:5.2f}x"
            if "goal" in label:
                goal = float(label["goal"])
                met = ratio <= goal
                missed += not met
                line += f"  <= {goal:g}: {'met' if met else 'MISSED'}"
        elif peer:
            line += f"   {peer:<38} (no result)"
        print(line)
        phases = row["counters"]
        if phases:
            for phase, ms in sorted(phases.items(), key=lambda item: -item[1]):
                if ms > 0:
                    print(f"    {phase.removeprefix('phase_'):<20} {show(ms * 1e-3)}")
            rest = row["seconds"] - sum(phases.values()) * 1e-3
            print(f"    {'(the rest)':<20} {show(rest)}")
        if row.get("wall") is not None:
            print(f"    {'(wall time)':<20} {show(row['wall'] * 1e-3)}")
    if missed:
        print(f"{missed} goal(s) missed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
