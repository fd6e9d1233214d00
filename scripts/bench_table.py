#!/usr/bin/env python3
"""Prints one table of every benchmark pair from Google Benchmark JSON files.

Each benchmark name carries its side as one of its parts: `BM_Work_ours`,
`BM_Work/ours/case` or `BM_Work_opencv/0`. Removing the side gives the name of
the work; all sides of one work are compared with each other in the order
entry point (api), own operator or codec (ours), peers. Times are the median
of the repetitions, in CPU time (the column the goals are read against) and in
wall time, with the spread (largest minus smallest repetition) as a share of
the median. A work with one side only, a side that failed and a benchmark that
was listed but never ran are printed as such: nothing is dropped.

Usage: bench_table.py RESULT.json[:LABEL] ... [--listed LIST.txt:LABEL ...]
A LABEL renames the peer side of that file (e.g. the scalar build of a peer).
"""
import collections
import json
import re
import statistics
import sys

# Sides in the order a row compares them: the first is the numerator.
OWN_SIDES = ("api", "ours")
PEER_SIDES = ("opencv", "libtiff", "libpng", "libjpegturbo", "libvips", "malloc", "netpbm", "file")

# The goal of a row, by the work's name and the two sides compared. The first
# match holds; "-" in the table means no goal is set for that row.
GOALS = [
    (r"^BM_(Api|HueSaturationPage)", ("api", "ours"), "<= 1.2x operator"),
    (r"^BM_Api(QuarterTurn|Flip|NearestHalf)", ("api", "opencv"), "<= peer"),
    (r"^BM_Api(JpegRead|JpegWrite)", ("api", "libjpegturbo"), "<= peer"),
    (r"^BM_ApiG4Write", ("api", "libtiff"), "<= peer"),
    (r"^BM_ApiPngWrite", ("api", "libpng"), "<= peer"),
    (r"^BM_(Api)?Bilinear", ("ours", "opencv"), "<= peer"),
    (r"^BM_(Api)?PngRead", ("ours", "libpng"), "<= 1.05x peer"),
    (r"^BM_JpegDct", ("ours", "libjpegturbo-scalar"), "<= 1.5x peer at equal file size"),
    (r"^BM_ThresholdToBitmap", ("ours", "opencv"), "<= peer"),
    (r"^BM_(Api)?(QuarterTurn|Flip|Nearest)", ("ours", "opencv"), "<= peer"),
    (r"^BM_(Api)?(JpegRead|JpegWrite|JpegLib)", ("ours", "libjpegturbo"), "<= peer"),
    (r"^BM_(ApiG4Write|Fax)", ("ours", "libtiff"), "<= peer"),
    (r"^BM_(Api)?PngWrite", ("ours", "libpng"), "<= peer"),
]


# Fields of a run that are not the benchmark's own counters.
STANDARD_FIELDS = {"family_index", "per_family_instance_index", "repetitions", "repetition_index", "threads",
                   "iterations", "real_time", "cpu_time", "bytes_per_second", "items_per_second", "child_cpu_ms"}


def goal_of(work, a, b):
    for pattern, sides, goal in GOALS:
        if re.match(pattern, work) and (a, b) == sides:
            return goal
    return "-"


def split_side(name):
    """(work, side) of a benchmark name; side None when no part names one."""
    # Timing-mode suffixes say how one side was timed, not which work it is.
    parts = [part for part in name.split("/") if part not in ("real_time", "manual_time", "process_time")]
    sides = OWN_SIDES + PEER_SIDES
    for i, part in enumerate(parts):
        if part in sides:
            return "/".join(parts[:i] + parts[i + 1:]), part
        for side in sides:
            if part.endswith("_" + side):
                parts[i] = part[: -len(side) - 1]
                return "/".join(parts), side
    return name, None


def to_ms(value, unit):
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


class Side:
    def __init__(self):
        self.cpu = []
        self.wall = []
        self.error = None
        self.counters = {}

    def median(self, which):
        values = self.cpu if which == "cpu" else self.wall
        return statistics.median(values) if values else None

    def spread(self):
        if len(self.cpu) < 2:
            return None
        med = statistics.median(self.cpu)
        return (max(self.cpu) - min(self.cpu)) / med * 100 if med > 0 else None


def load(paths, listed):
    works = collections.OrderedDict()
    def side_of(name, label):
        work, side = split_side(name)
        if side is None:
            side = "ours"
        if label and side not in OWN_SIDES:
            side = label
        return works.setdefault(work, collections.OrderedDict()).setdefault(side, Side())
    for entry in listed:
        path, _, label = entry.partition(":")
        try:
            names = [line.strip() for line in open(path) if line.strip()]
        except OSError:
            names = []
        for name in names:
            side_of(name, label)
    for entry in paths:
        path, _, label = entry.partition(":")
        try:
            runs = json.load(open(path))["benchmarks"]
        except (OSError, ValueError, KeyError) as error:
            print(f"! {path}: no results ({error})")
            continue
        for run in runs:
            if run.get("run_type") != "iteration":
                continue
            side = side_of(run.get("run_name", run["name"]), label)
            if run.get("error_occurred"):
                side.error = run.get("error_message", "failed")
                continue
            unit = run.get("time_unit", "ns")
            # A peer that runs as a separate program reports its children's
            # CPU time; the benchmark's own CPU time would leave it out.
            cpu = run["child_cpu_ms"] if "child_cpu_ms" in run else to_ms(run["cpu_time"], unit)
            side.cpu.append(cpu)
            side.wall.append(to_ms(run["real_time"], unit))
            for key, value in run.items():
                if key not in STANDARD_FIELDS and isinstance(value, (int, float)):
                    side.counters[key] = value
    return works


def fmt_time(side):
    if side.error:
        return "failed"
    med = side.median("cpu")
    return "did not run" if med is None else f"{med:.2f}"


def fmt_counters(side):
    return " ".join(f"{k}={v:.4g}" for k, v in sorted(side.counters.items()))


def main(argv):
    paths, listed = [], []
    target = paths
    for arg in argv:
        if arg == "--listed":
            target = listed
            continue
        target.append(arg)
        target = paths
    works = load(paths, listed)
    header = ("work", "A", "A cpu ms", "B", "B cpu ms", "A/B cpu", "spread A/B %", "A/B wall", "goal", "notes")
    rows = []
    for work, sides in works.items():
        names = sorted(sides, key=lambda s: (OWN_SIDES + PEER_SIDES).index(s) if s in OWN_SIDES + PEER_SIDES else 99)
        if len(names) == 1:
            s = sides[names[0]]
            note = s.error or ("did not run" if not s.cpu else "no peer side")
            rows.append((work, names[0], fmt_time(s), "-", "-", "-", "-", "-", "-", f"{note} {fmt_counters(s)}".strip()))
            continue
        for i, a in enumerate(names):
            for b in names[i + 1:]:
                if a not in OWN_SIDES:
                    continue  # peers are not compared with each other
                sa, sb = sides[a], sides[b]
                ratio_cpu = ratio_wall = spread = "-"
                notes = []
                if sa.error or sb.error:
                    notes.append("failed: " + "; ".join(e for e in (sa.error, sb.error) if e))
                elif sa.cpu and sb.cpu:
                    ratio_cpu = f"{sa.median('cpu') / sb.median('cpu'):.2f}"
                    ratio_wall = f"{sa.median('wall') / sb.median('wall'):.2f}"
                    spread = "/".join(f"{x:.0f}" if x is not None else "-" for x in (sa.spread(), sb.spread()))
                else:
                    notes.append("did not run")
                for side_name, side in ((a, sa), (b, sb)):
                    if side.counters:
                        notes.append(f"{side_name}: {fmt_counters(side)}")
                if b == "netpbm":
                    notes.append("netpbm runs as a program: start-up and file parsing included")
                rows.append((work, a, fmt_time(sa), b, fmt_time(sb), ratio_cpu, spread, ratio_wall,
                             goal_of(work, a, b), "; ".join(notes)))
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    print(f"\n{len(rows)} rows, {len(works)} works")


if __name__ == "__main__":
    main(sys.argv[1:])
