#!/usr/bin/env python3
"""Times tesvak against baselines measured in the same run.

    python3 bench/bench.py [--small] [--runs N] [--dir /dev/shm/...]
                           [--before PROGRAM] [WORKLOAD ...]

For each workload it generates the input tree (deterministic), then runs
in rounds, after one warm-up round, each round in an order of its own and
every output removed before each run: the program; the reading floor
(bench/floor.c --checked --list: reads files.bbs through a buffer and
finds its line ends, then copies the same source/destination pairs with
exactly the system calls a copy that keeps its inputs safe must make),
which the targets are set against; the checked floor (the same copies
without reading the list), which big-file's target is set against, whose
list is one line; and for orientation the plain floor (the same copies
with O_TRUNC and no checks), `cat` of files.bbs, GNU cp of the same
source files in one call, and for long-line `wc -w` over the same
files.bbs in the C locale; on typical also the program's dry run; with
--before an earlier build of the program, to show what a change bought
or cost.  Every contender is started and timed by bench/spawn.c, from
fork to wait4 on the monotonic clock, so only the contender itself is
timed.  Every program run is checked for the right output; a wrong result
fails the benchmark.  On many-lines it also counts, by callgrind, the
instructions the program runs for each line of files.bbs without copies,
a figure noise cannot move.  Prints one table: medians with the fastest
and slowest run, the ratio of the medians and the paired ratio to each
workload's baseline, the program's peak memory, the ratios to the checked
floor and, with --before, the paired ratio to the earlier build.  It never
fails on a time.
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
BEFORE = "tesvak before"  # an earlier build of the program, with --before
TARGETS = {  # row: (contender, baseline the ratio is taken against, target paired ratio)
    "typical": ("tesvak", READING, 1.05),
    "typical, dry run": ("tesvak -n", READING, None),
    "lower": ("tesvak", READING, 1.08),
    "many-lines": ("tesvak", READING, 1.15),
    "big-file": ("tesvak", CHECKED, 1.03),
    "long-line": ("tesvak", READING, 1.08),
    "case-variants": ("tesvak", READING, 1.10),
}
LONG_LINE_PEAK_MIB = 4
INSTRUCTIONS_A_LINE = 300  # on many-lines without copies, by callgrind


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


def instructions_a_line(root, program):
    """Instructions the program runs for each line of the workload's
    files.bbs, counted by callgrind with a Squish configuration whose one
    area no line names: the reading, splitting and looking up alone, which
    the machine's noise cannot move.  None without valgrind."""
    if shutil.which("valgrind") is None:
        return None
    layout = os.path.join(root, "nocopy")
    shutil.rmtree(layout, ignore_errors=True)
    os.makedirs(os.path.join(layout, "OUT"))
    rules = [d for d in os.listdir(root) if d.upper() == "RULES"][0]
    with open(os.path.join(layout, "tesvak.cfg"), "w") as f:
        f.write("SquishFile NOCOPY.CFG\r\nRulesPath %s\r\nOutDir OUT\r\n"
                % os.path.join(root, rules))
    with open(os.path.join(layout, "NOCOPY.CFG"), "w") as f:
        f.write("EchoArea NO.LINE.NAMES.THIS c:\\msg\\none\r\n")
    files_bbs = [os.path.join(root, rules, n) for n in os.listdir(os.path.join(root, rules))
                 if n.lower() == "files.bbs"][0]
    with open(files_bbs, "rb") as f:
        lines = sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 20), b""))
    p = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", program],
                       cwd=layout, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, check=True)
    shutil.rmtree(layout, ignore_errors=True)
    for line in p.stderr.decode().splitlines():
        if "Collected :" in line:
            return int(line.split(":")[-1]) / lines
    return None


def bench_workload(name, root, sizes, program, floor, runs, before=None):
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
        **({BEFORE: [before]} if before else {}),
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
            if contender in ("tesvak", BEFORE):
                check(out_dir, expected)
            if contender == "tesvak":
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
    counts = {}
    if name == "many-lines":
        counts = {c: instructions_a_line(root, p) for c, p in
                  (("tesvak", program), (BEFORE, before)) if p}
    shutil.rmtree(root, ignore_errors=True)
    return times, peak, counts


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--small", action="store_true", help="small sizes, to prove it works")
    parser.add_argument("--runs", type=int, default=15, help="timed runs per contender (median)")
    parser.add_argument("--big-runs", type=int, default=15, help="timed runs for big-file")
    parser.add_argument("--dir", default="/dev/shm/tesvak-bench", help="where workloads are made")
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--before", help="an earlier build of the program, timed beside it")
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
    print("ratio of the medians; *paired* the median of each round's own ratio, which the")
    print("machine's drift from round to round does not move, and which the targets are set")
    print("in, against the reading floor (big-file: the checked floor).")
    print()
    before = os.path.abspath(args.before) if args.before else None
    print("| workload | tesvak | baseline | baseline's time | ratio | paired | target | met "
          "| peak memory | checked floor | ratio (paired) | now / before (paired) |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    notes = []
    for name in args.workloads:
        runs = args.big_runs if name == "big-file" else args.runs
        times, peak, counts = bench_workload(name, os.path.join(args.dir, name), sizes, program,
                                             floor, runs, before)
        for row, (contender, base, target) in TARGETS.items():
            if row.split(",")[0] != name:
                continue
            ratio = statistics.median(times[contender]) / statistics.median(times[base])
            paired = statistics.median(a / b for a, b in zip(times[contender], times[base]))
            met = "-" if target is None else ("yes" if paired <= target else "NO")
            checked = "%s | %.2f (%.2f)" % (
                cell(times[CHECKED]),
                statistics.median(times[contender]) / statistics.median(times[CHECKED]),
                statistics.median(a / b for a, b in zip(times[contender], times[CHECKED])))
            against = "-"
            if BEFORE in times and contender == "tesvak":
                against = "%.2f" % statistics.median(
                    a / b for a, b in zip(times["tesvak"], times[BEFORE]))
            print("| %s | %s | %s | %s | %.2f | %.2f | %s | %s | %s | %s | %s |" % (
                row, cell(times[contender]), base, cell(times[base]), ratio, paired,
                "-" if target is None else "<= %.2f" % target, met,
                "%.1f MiB" % (peak / 1024) if contender == "tesvak" else "-", checked, against))
        for contender, count in counts.items():
            if count is not None:
                notes.append("%s, no copies: %s %.0f instructions a line (callgrind; target <= %d)."
                             % (name, contender, count, INSTRUCTIONS_A_LINE))
        others = [c for c in times if c not in ("tesvak", "tesvak -n", CHECKED, READING, BEFORE)]
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
