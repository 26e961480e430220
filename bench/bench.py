#!/usr/bin/env python3
"""Times tesvak against baselines measured in the same run.

    python3 bench/bench.py [--small] [--runs N] [--dir /dev/shm/...] [WORKLOAD ...]

For each workload it generates the input tree (deterministic), then runs
in rounds, after one warm-up round, each round in an order of its own and
every output removed before each run: the program; the checked floor
(bench/floor.c --checked: the same source/destination pairs copied with
exactly the system calls a copy that keeps its inputs safe must make, and
nothing else), which the targets are set against; the reading floor (the
checked floor that first reads files.bbs and finds its line ends, which a
program taking its pairs from that list cannot do without); and for
orientation the plain floor (the same copies with O_TRUNC and no checks),
`cat` of files.bbs (what reading the list alone costs), GNU cp of the same
source files in one call, and for long-line `wc -w` over the same
files.bbs in the C locale; on typical also the program's dry run, to show
what planning alone costs.  Every contender is started and timed by
bench/spawn.c, from fork to wait4 on the monotonic clock, so only the
contender itself is timed.  Every program run is checked for the right
output; a wrong result fails the benchmark.  Prints one table: medians
with the fastest and slowest run, the ratio of the medians and the paired
ratio to the checked floor, the program's peak memory, and the ratios to
the reading floor.  It never fails on a time.
"""

import argparse
import filecmp
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import workloads  # noqa: E402

SPAWN = None  # the spawn helper, built with the rest

CHECKED = "checked floor"
READING = "reading floor"  # the checked floor that first reads files.bbs
TARGETS = {  # row: (contender, baseline the ratio is taken against, target ratio)
    "typical": ("tesvak", CHECKED, 1.08),
    "typical, dry run": ("tesvak -n", CHECKED, None),
    "lower": ("tesvak", CHECKED, 1.12),
    "many-lines": ("tesvak", CHECKED, 1.12),
    "big-file": ("tesvak", CHECKED, 1.02),
    "long-line": ("tesvak", CHECKED, 2.6),
    "case-variants": ("tesvak", CHECKED, None),
}
LONG_LINE_PEAK_MIB = 4


def build(build_dir):
    subprocess.run(["cmake", "-S", TOP, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DTESVAK_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "tesvak", "-j"], check=True,
                   stdout=subprocess.DEVNULL)
    tools = {}
    for tool in ("floor", "spawn"):
        tools[tool] = os.path.join(build_dir, tool)
        subprocess.run(["cc", "-O2", "-o", tools[tool], os.path.join(HERE, tool + ".c")], check=True)
    return os.path.join(build_dir, "tesvak"), tools["floor"], tools["spawn"]


def timed(command, cwd):
    """Runs a command through spawn, as every contender is; returns
    (seconds, peak resident KiB, exit code) as spawn measured them."""
    p = subprocess.run([SPAWN] + command, cwd=cwd, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, check=True)
    seconds, rss, code = p.stdout.split()
    return float(seconds), int(rss), int(code)


def read_pairs(root):
    with open(os.path.join(root, "pairs.txt")) as f:
        return [line.rstrip("\n").split("\t") for line in f]


def expected_outputs(pairs):
    final = {}
    for src, dst in pairs:
        final[dst] = src  # a later copy to the same name wins
    return final


def clear(directory):
    for entry in os.listdir(directory):
        os.unlink(os.path.join(directory, entry))


def check(out_dir, expected):
    made = {os.path.join(out_dir, e) for e in os.listdir(out_dir)}
    if made != set(expected):
        missing, extra = set(expected) - made, made - set(expected)
        raise SystemExit("wrong output: missing %s, extra %s" % (sorted(missing)[:3], sorted(extra)[:3]))
    for dst, src in expected.items():
        if not filecmp.cmp(src, dst, shallow=False):
            raise SystemExit("wrong output: %s differs from %s" % (dst, src))


def bench_workload(name, root, sizes, program, floor, runs):
    shutil.rmtree(root, ignore_errors=True)
    workloads.WORKLOADS[name](root, sizes)
    pairs = read_pairs(root)
    expected = expected_outputs(pairs)
    out_dir = os.path.dirname(pairs[0][1])
    cp_dir = os.path.join(root, "cp-out")
    os.makedirs(cp_dir)
    sources = sorted({src for src, _ in pairs})
    files_bbs = [os.path.join(root, d, f) for d in os.listdir(root)
                 if os.path.isdir(os.path.join(root, d))
                 for f in os.listdir(os.path.join(root, d)) if f.lower() == "files.bbs"][0]

    contenders = {
        "tesvak": [program],
        CHECKED: [floor, "--checked", os.path.join(root, "pairs.txt")],
        "floor": [floor, os.path.join(root, "pairs.txt")],
        "cat files.bbs": ["cat", files_bbs],
        "cp": ["cp", "-t", cp_dir] + sources,
    }
    if name != "big-file":
        # Not on big-file, whose list is one line: there it is the checked
        # floor, and one more gigabyte written a round would only stir the
        # machine's memory.
        contenders[READING] = [floor, "--checked", "--list", files_bbs,
                               os.path.join(root, "pairs.txt")]
    if name == "long-line":
        contenders["wc -w"] = ["env", "LC_ALL=C", "wc", "-w", files_bbs]

    times = {c: [] for c in contenders}
    peak = 0
    order = list(contenders)
    shuffle = random.Random(name)
    for run in range(runs + 1):  # run 0 is the warm-up
        # Each round runs the contenders in an order of its own, so that
        # none always runs first or after the same other one, and each
        # starts with no output of any other left: what the one before it
        # wrote is freed just before it runs, whichever it was, so each
        # writes into memory left the same way.
        shuffle.shuffle(order)
        for contender in order:
            clear(out_dir)
            clear(cp_dir)
            seconds, rss, code = timed(contenders[contender], root)
            if code != 0:
                raise SystemExit("%s failed on %s with exit code %d" % (contender, name, code))
            if contender == "tesvak":
                check(out_dir, expected)
                peak = max(peak, rss)
            if run > 0:
                times[contender].append(seconds)
    if name == "typical":
        # The dry run in rounds of its own: it frees and makes no files, so
        # run between the copiers it would leave the next one only fresh
        # memory, which this kind of machine backs slowly, while the others
        # reuse what the one before them freed.
        times["tesvak -n"] = []
        for run in range(runs + 1):
            clear(out_dir)
            seconds, _, code = timed([program, "--dry-run"], root)
            if code != 0:
                raise SystemExit("the dry run failed on %s with exit code %d" % (name, code))
            check(out_dir, {})  # a dry run makes nothing
            if run > 0:
                times["tesvak -n"].append(seconds)
    shutil.rmtree(root, ignore_errors=True)
    return times, peak


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--small", action="store_true", help="small sizes, to prove it works")
    parser.add_argument("--runs", type=int, default=15, help="timed runs per contender (median)")
    parser.add_argument("--big-runs", type=int, default=15, help="timed runs for big-file")
    parser.add_argument("--dir", default="/dev/shm/tesvak-bench", help="where workloads are made")
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("workloads", nargs="*", default=list(workloads.WORKLOADS))
    args = parser.parse_args()

    global SPAWN
    program, floor, SPAWN = build(args.build)
    sizes = workloads.Sizes(args.small)
    print("# tesvak benchmark%s" % (" (small sizes)" if args.small else ""))
    print()
    if args.small:
        print("Small sizes prove the benchmark works; process start-up dominates them, so")
        print("their ratios say nothing about the targets.")
        print()
    print("Machine: %s, %d cores, Linux %s; workloads in %s; %s." % (
        cpu_model(), os.cpu_count(), platform.release(), args.dir, time.strftime("%Y-%m-%d")))
    print()
    print("Each cell: the median, and in brackets the fastest and slowest run. *ratio* is the")
    print("ratio of the medians, which the targets are set in; *paired* the median of each")
    print("round's own ratio, which the machine's drift from round to round does not move.")
    print()
    print("| workload | tesvak | checked floor | ratio | paired | target | met | peak memory "
          "| reading floor | ratio (paired) |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    notes = []
    for name in args.workloads:
        runs = args.big_runs if name == "big-file" else args.runs
        times, peak = bench_workload(name, os.path.join(args.dir, name), sizes, program, floor,
                                     runs)
        for row, (contender, base, target) in TARGETS.items():
            if row.split(",")[0] != name:
                continue
            ratio = statistics.median(times[contender]) / statistics.median(times[base])
            paired = statistics.median(a / b for a, b in zip(times[contender], times[base]))
            met = "-" if target is None else ("yes" if ratio <= target else "NO")
            reading = "- | -"
            if READING in times:
                reading = "%s | %.2f (%.2f)" % (
                    cell(times[READING]),
                    statistics.median(times[contender]) / statistics.median(times[READING]),
                    statistics.median(a / b for a, b in zip(times[contender], times[READING])))
            print("| %s | %s | %s | %.2f | %.2f | %s | %s | %s | %s |" % (
                row, cell(times[contender]), cell(times[base]), ratio, paired,
                "-" if target is None else "<= %.2f" % target, met,
                "%.1f MiB" % (peak / 1024) if contender == "tesvak" else "-", reading))
        others = [c for c in times if c not in ("tesvak", "tesvak -n", CHECKED, READING)]
        notes.append("%s: %s." % (name, ", ".join("%s %s" % (c, cell(times[c])) for c in others)))
        if name == "long-line":
            notes.append("long-line: peak memory %.1f MiB (target <= %d MiB)."
                         % (peak / 1024, LONG_LINE_PEAK_MIB))
        sys.stdout.flush()
    print()
    print("Other contenders, for orientation:")
    print()
    for note in notes:
        print("- " + note)
    print()
    print("Medians of %d timed runs (big-file: %d) after one warm-up, each round in an order "
          "of its own with every output removed before each run, each timed by bench/spawn.c "
          "from fork to wait4; every tesvak run checked for the right output."
          % (args.runs, args.big_runs))


def cell(times):
    return "%.4f s [%.4f-%.4f]" % (statistics.median(times), min(times), max(times))


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.machine()


if __name__ == "__main__":
    main()
