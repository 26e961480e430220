#!/usr/bin/env python3
"""Two runs that must agree, tried on many small random trees.

    agree.py --program build/tesvak [--prefix CMD] [--trees N | --seconds S]
             [--first SEED] [--as-user-share 0.25]
    agree.py --mode windows --program build-win64/tesvak.exe --prefix wine ...
    agree.py --mode both --program build-win64/tesvak.exe --prefix wine
             --against build/tesvak ...
    agree.py [--mode MODE] --show SEED | --keep SEED NAME

Without --against, each tree is run twice: `tesvak -n`, then `tesvak -v` in
the same tree.  The dry run must print the same listing, warnings, summary,
cause line and stop line as the run, end with the same exit code, and
change nothing; each must name exactly one cause when it stops or fails.
With --against, the Windows program's run and the Linux program's run are
compared on trees that both systems hold alike (names in exact case):
output bytes, exit code and messages, with `\\` and CR LF made `/` and LF.

Trees hold what sysops' trees hold and what a hostile one might: outputs
that exist, read-only or another user's; links in OutDir and in the rules
directory to outputs the run has not made yet, to rules files, to the text
inputs, to nowhere, in a circle; hard links; names in other case; OutDir
and RulesPath spelled otherwise for one directory, or reached through a
link; directories, FIFOs and DOS device names where files are expected;
and the umask.  Part of the Linux trees run as an ordinary user.

Each tree is made from its seed alone, so a difference is printed with the
seed and the tree.  Trees that once showed a difference are kept in
kept/NAME.tree beside this script (`--keep SEED NAME`) and are tried first
on every run.
"""

import argparse
import os
import pwd
import random
import shutil
import stat
import subprocess
import sys
import tempfile
import time

import midrun

HERE = os.path.dirname(os.path.abspath(__file__))
OTHER_USER = "nobody"


class Tree:
    """A tree as a list of steps, so that it can be shown, kept as a file,
    read back and built.  In file contents, {root} stands for the tree's
    directory as a DOS name and {rootname} for its last component."""

    def __init__(self, mode="posix"):
        self.steps = []  # (verb, name, arg)
        self.umask = 0o022
        self.user = None  # run the program as this user (Linux, as root)
        self.mode = mode  # one of MODES
        self.fifo = None  # files.bbs as a FIFO, fed these lines (bytes)...
        self.lines = []
        self.changes = {}  # ...with these changes after line N: {N: [(verb, args)]}

    @property
    def windows(self):
        return self.mode != "posix"

    def add(self, verb, name, arg=None):
        self.steps.append((verb, name, arg))

    def show(self):
        lines = ["mode %s" % self.mode, "umask %04o" % self.umask]
        if self.user:
            lines.append("as %s" % self.user)
        for verb, name, arg in self.steps:
            shown = arg
            if isinstance(arg, bytes):
                shown = arg.decode("latin-1").encode("unicode_escape").decode()
            elif isinstance(arg, int):
                shown = "%04o" % arg
            lines.append("%s %s%s" % (verb, name, "" if arg is None else " " + str(shown)))
        if self.fifo:
            lines.append("feed %s" % self.fifo)
            for n, line in enumerate(self.lines, 1):
                lines.append("line %s" % line.decode("latin-1").encode("unicode_escape").decode())
                for verb, args in self.changes.get(n, []):
                    lines.append("change %d %s %s" % (n, verb, " ".join(args)))
        return "\n".join(lines)

    @staticmethod
    def parse(text):
        """A tree as show() gave it."""
        t = Tree()
        for line in text.splitlines():
            if not line.strip() or line.startswith("#"):
                continue
            verb, _, rest = line.partition(" ")
            if verb == "mode":
                t.mode = rest
            elif verb == "umask":
                t.umask = int(rest, 8)
            elif verb == "as":
                t.user = rest
            elif verb == "feed":
                t.fifo = rest
            elif verb == "line":
                t.lines.append(rest.encode("latin-1").decode("unicode_escape").encode("latin-1"))
            elif verb == "change":
                n, change, *args = rest.split(" ")
                t.changes.setdefault(int(n), []).append((change, args))
            elif verb in ("dir", "fifo", "own"):
                t.add(verb, rest)
            else:
                name, _, arg = rest.partition(" ")
                if verb == "file":
                    arg = arg.encode("latin-1").decode("unicode_escape").encode("latin-1")
                elif verb == "chmod":
                    arg = int(arg, 8)
                t.add(verb, name, arg)
        return t

    def build(self, root):
        other = pwd.getpwnam(OTHER_USER) if self.user else None
        dos_root = ("Z:" if self.windows else "") + root.replace("/", "\\")
        for verb, name, arg in self.steps:
            path = os.path.join(root, name)
            if verb == "dir":
                os.makedirs(path, exist_ok=True)
            elif verb == "file":
                with open(path, "wb") as f:
                    f.write(arg.replace(b"{root}", dos_root.encode())
                            .replace(b"{rootname}", os.path.basename(root).encode()))
            elif verb == "symlink":
                os.symlink(arg, path)
            elif verb == "hardlink":
                os.link(os.path.join(root, arg), path)
            elif verb == "fifo":
                os.mkfifo(path)
            elif verb == "chmod":
                os.chmod(path, arg)
            elif verb == "own":  # the other user's file: the program's own, as it runs
                os.chown(path, other.pw_uid, other.pw_gid, follow_symlinks=False)
            else:
                raise ValueError(verb)


def case_variant(rng, name):
    return "".join(c.swapcase() if c.isalpha() and rng.random() < 0.5 else c for c in name)


# The kinds of tree: "posix", a Linux program's dry run against its run;
# "windows", the same for the Windows program under Wine; "both", the
# Windows program's run against the Linux program's.
MODES = ("posix", "windows", "both")


def make_tree(seed, mode="posix", other_user_share=0.0):
    """The tree of `seed` for `mode`.  Windows trees hold only what a Windows
    system can (no FIFOs, no umask, no other user).  Under Wine, a link
    that leads nowhere is a name taken, yet a Windows program cannot read
    where it leads: "windows" trees hold links that lead nowhere for good,
    but none to an output the run makes first.  "both" trees spell every
    name on disk as the program builds it, and name no DOS device, which
    is a file on Linux."""
    rng = random.Random(seed)
    windows = mode != "posix"
    exact = mode == "both"
    t = Tree(mode)
    spell = (lambda name: name) if exact else (lambda name: case_variant(rng, name))
    if not windows:
        t.umask = rng.choice([0o022, 0o022, 0o022, 0o002, 0o077, 0o200, 0o222, 0o277])
        if rng.random() < other_user_share:
            t.user = OTHER_USER

    rules = spell("RULES")
    same = rng.random() < 0.35  # OutDir is the rules directory
    out = rules if same else spell("OUT")
    t.add("dir", rules)
    if not same:
        t.add("dir", out)
    dir_link = None
    if rng.random() < 0.25:
        dir_link = "LINKDIR"
        t.add("symlink", dir_link, out if rng.random() < 0.5 else rules)

    def spelled(disk):
        """A way the settings may name the directory `disk` is."""
        choices = [disk, ".\\" + disk, disk + "\\"]
        if not exact:  # the settings are upper-cased, and so would be these
            choices += ["..\\{rootname}\\" + disk, "{root}\\" + disk]
        if dir_link and rng.random() < 0.5:
            return dir_link
        return rng.choice(choices)

    settings = "SquishFile squish.cfg\r\nRulesPath %s\r\nOutDir %s\r\n" % (
        spelled(rules), spelled(out))
    cfg = "tesvak.cfg" if exact else spell("tesvak.cfg")
    t.add("file", cfg, settings.encode("latin-1"))

    # Areas: tags A to F, some defined twice; bases that meet in case only.
    bases = ["AREA", "BEE", "CEE", "files", "A"] + ([] if exact else ["Area", "bee"])
    if mode == "windows" and rng.random() < 0.3:
        bases += ["NUL", "LPT1:", "CON", "com1", "AUX"]
    if mode == "windows" and rng.random() < 0.3:
        # Letters Windows folds beyond ASCII (in its code page, 1252 under
        # Wine: e and E acute), and a name NTFS would take for a stream.
        bases += ["\xe9A", "\xc9A", "FOO:BAR"]
    areas = []
    for _ in range(rng.randint(1, 6)):
        tag = rng.choice("ABCDEF")
        base = rng.choice(bases)
        areas.append((tag, base))
    squish = "".join("EchoArea %s C:\\MSG\\%s\r\n" % area for area in areas)
    squish_cfg = "SQUISH.CFG" if exact else spell("squish.cfg")
    t.add("file", squish_cfg, squish.encode("latin-1"))
    output_names = sorted({base + ".sqr" for _, base in areas} | {"BEE.sqr", "AREA.sqr"})

    # The rules files.
    used = set()  # every name made, as the file system tells names apart

    def free(path):
        key = path.upper() if windows else path
        if key in used:
            return False
        used.add(key)
        return True

    rule_names = ["A.RUL", "B.RUL", "C.RUL", "AREA.sqr"]
    on_disk = {}
    for name in rule_names:
        if rng.random() < 0.7:
            disk = spell(name)
            if not free(rules + "/" + disk):
                continue
            on_disk[name] = disk
            t.add("file", rules + "/" + disk, ("rules of %s\r\n" % name).encode("latin-1"))
            if rng.random() < 0.15:
                t.add("chmod", rules + "/" + disk, 0o444)
    listed = "files.bbs" if exact else spell("files.bbs")
    free(rules + "/" + listed)

    def rel(frm, to):
        return os.path.relpath(to, frm)

    # What stands in OutDir (or the rules directory) under an output's name.
    kinds = ["regular", "regular", "read-only", "link-rules", "link-text", "loop", "hard-rules",
             "hard-text", "dir"]
    kinds += ["link-nowhere", "link-nodir"]
    if mode != "windows":
        # Under Wine a Unix link whose target is not there yet cannot be
        # read by a Windows program, so its dry run cannot tell that the run
        # will make the file it leads to; Windows itself reads such a link.
        kinds += ["link-planned"]
    if not windows:
        kinds += ["fifo"]
    if t.user:
        kinds += ["own", "own-read-only"]
    for name in output_names:
        if rng.random() < 0.5:
            continue
        disk = spell(name)
        path = out + "/" + disk
        if not free(path) or not free(path + ".loop"):
            continue
        kind = rng.choice(kinds)
        if kind in ("regular", "read-only", "own", "own-read-only"):
            t.add("file", path, b"old copy\r\n")
            if kind.startswith("own"):
                t.add("own", path)
            if kind.endswith("read-only"):
                t.add("chmod", path, 0o444)
        elif kind == "link-planned":
            target = rng.choice(output_names)
            t.add("symlink", path, target if target != disk else "X" + target)
        elif kind == "link-rules" and on_disk:
            t.add("symlink", path, rel(out, rules + "/" + rng.choice(sorted(on_disk.values()))))
        elif kind == "link-text":
            target = rng.choice([cfg, squish_cfg, rules + "/" + listed])
            t.add("symlink", path, rel(out, target))
        elif kind == "link-nowhere":
            t.add("symlink", path, "../ELSEWHERE/planted.txt")
        elif kind == "loop":
            t.add("symlink", path, disk + ".loop")
            t.add("symlink", path + ".loop", disk)
        elif kind == "link-nodir":
            t.add("symlink", path, "NODIR/X.sqr")
        elif kind == "hard-rules" and on_disk:
            t.add("hardlink", path, rules + "/" + rng.choice(sorted(on_disk.values())))
        elif kind == "hard-text":
            t.add("hardlink", path, squish_cfg if rng.random() < 0.5 else cfg)
        elif kind == "dir":
            t.add("dir", path)
        elif kind == "fifo":
            t.add("fifo", path)

    # Links in the rules directory, to outputs the run may make first.
    rule_links = []
    for name in ["LNK.RUL", "LNK2.RUL", "LNK3.RUL"]:
        if rng.random() < 0.3 and free(rules + "/" + name):
            # Each target with its directory: a rules file may be spelled as
            # an output is, yet it is the rules file.
            targets = [(rules, n) for n in sorted(on_disk.values())] + ["text", "loop"]
            targets += [(rules, "NOWHERE.RUL")]
            targets += [(out, n) for n in output_names] if mode != "windows" else []
            target = rng.choice(targets)
            if target == "loop":
                t.add("symlink", rules + "/" + name, name)
            elif target == "text":
                t.add("symlink", rules + "/" + name, rel(rules, rng.choice([cfg, squish_cfg])))
            else:
                t.add("symlink", rules + "/" + name, rel(rules, target[0] + "/" + target[1]))
            rule_links.append(name)
    if not windows and rng.random() < 0.1 and free(rules + "/FIFO.RUL"):
        t.add("fifo", rules + "/FIFO.RUL")
        rule_links.append("FIFO.RUL")

    # files.bbs: lines naming rules files, outputs, links, itself, a text
    # input, missing files; known and unknown tags; lines without a tag.
    names = rule_names + rule_links + output_names + ["files.bbs", "..\\tesvak.cfg", "NOPE.RUL"]
    if mode == "windows" and rng.random() < 0.2:
        names += ["NUL", "nul.txt", "AUX", "COM1", "LPT1:"]
    if mode == "windows" and rng.random() < 0.4:
        # Spellings Windows reads as the name itself: a trailing dot, "\."
        names += [rng.choice(output_names) + rng.choice([".", "\\."]) for _ in range(2)]
    lines = []
    for _ in range(rng.randint(1, 8)):
        name = rng.choice(names)
        if not exact and rng.random() < 0.3:
            name = case_variant(rng, name)
        if rng.random() < 0.1:
            lines.append("%s x x" % name)
        else:
            lines.append("%s x x %s" % (name, rng.choice("ABCDEFZ")))
    if mode == "posix" and rng.random() < 0.35:
        # files.bbs a FIFO, and the tree changed between two of its lines.
        t.add("fifo", rules + "/" + listed)
        t.fifo = rules + "/" + listed
        t.lines = [(line + "\r\n").encode("latin-1") for line in lines]
        existing = [path for verb, path, _ in t.steps
                    if verb == "file" and path.startswith(out + "/") and path.endswith(".sqr")]
        t.changes = midrun.plan(rng, rules, out, on_disk, existing, case_variant)
    else:
        t.add("file", rules + "/" + listed, ("\r\n".join(lines) + "\r\n").encode("latin-1"))

    if t.user:
        for d in {rules, out}:
            if rng.random() < 0.85:
                t.add("own", d)  # the other user's directory, which it may write
        if rng.random() < 0.1:
            t.add("chmod", out, 0o555)
    elif rng.random() < 0.05 and not windows:
        t.add("chmod", out, 0o555)
    return t


def rebuild(tree, root):
    """The tree built again afresh, in the same place."""
    remove(root)
    os.mkdir(root)
    os.chmod(root, 0o755)
    tree.build(root)


def snapshot(root, inodes=True):
    """Every entry below root: its kind, mode, owner and bytes or target,
    and its inode number unless `inodes` is false."""
    seen = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for entry in dirnames + filenames:
            path = os.path.join(dirpath, entry)
            st = os.lstat(path)
            if stat.S_ISLNK(st.st_mode):
                what = ("link", os.readlink(path))
            elif stat.S_ISREG(st.st_mode):
                with open(path, "rb") as f:
                    what = ("file", f.read())
            else:
                what = ("other", stat.S_IFMT(st.st_mode))
            seen[os.path.relpath(path, root)] = (what, st.st_mode, st.st_uid,
                                                 st.st_ino if inodes else None)
    return seen


class Runner:
    def __init__(self, args):
        self.args = args
        self.public = public_dir()

    def run(self, tree, root, program, options, prefix=()):
        def child():
            os.umask(tree.umask)
            if tree.user:
                entry = pwd.getpwnam(tree.user)
                os.setgid(entry.pw_gid)
                os.setgroups([])
                os.setuid(entry.pw_uid)
        # The program never ends with exit code 1 in silence: it prints its
        # report or a write error.  Under Wine, about one start in several
        # thousand fails so, before the program runs; that start is made
        # again, as it changed nothing.
        command = list(prefix) + [os.path.abspath(program)] + options
        if tree.fifo:
            return self.run_fed(tree, root, command, child)
        for attempt in range(3):
            try:
                p = subprocess.run(command, cwd=root, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=60, preexec_fn=child)
            except subprocess.TimeoutExpired:
                return (None, b"timed out", b"")
            if not (prefix and p.returncode == 1 and not p.stdout and not p.stderr):
                break
        return (p.returncode, p.stdout, without_wine_noise(p.stderr) if prefix else p.stderr)

    @staticmethod
    def run_fed(tree, root, command, child):
        """A run whose files.bbs is fed a line at a time, with the tree
        changed between lines as planned."""
        writer = midrun.open_writer(root, tree.fifo)
        p = subprocess.Popen(command, cwd=root, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, preexec_fn=child)
        midrun.feed(p, root, tree.fifo, writer, tree.lines, tree.changes)
        try:
            out, err = p.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            p.kill()
            p.communicate()
            return (None, b"timed out", b"")
        return (p.returncode, out, err)

    def fresh_root(self):
        root = tempfile.mkdtemp(prefix="agree-", dir=self.public)
        os.chmod(root, 0o755)
        return root

    def dry_against_run(self, tree):
        """Problems found on `tree`, a dry run against the run.  A tree
        changed while the program runs is built again, in the same place,
        for the run; the dry run must leave it as the changes alone do."""
        root = self.fresh_root()
        try:
            tree.build(root)
            program = self.program_for(tree)
            if tree.fifo:
                for verb, args in midrun.planned(tree):
                    midrun.apply(root, verb, args)
                before = snapshot(root, inodes=False)
                rebuild(tree, root)
            else:
                before = snapshot(root)
            dry = self.run(tree, root, program, ["-n"], self.args.prefix)
            changed = diff_snapshots(before, snapshot(root, inodes=not tree.fifo))
            if tree.fifo:
                rebuild(tree, root)
            real = self.run(tree, root, program, ["-v"], self.args.prefix)
        finally:
            remove(root)
        problems = []
        if changed:
            problems.append("the dry run changed " + ", ".join(changed))
        for what, d, r in zip(("exit code", "stdout", "stderr"), dry, real):
            if d != r:
                problems.append("%s: dry run %r, run %r" % (what, d, r))
        for mode, result in (("dry run", dry), ("run", real)):
            problems += cause_problems(mode, result)
        return problems

    def windows_against_linux(self, tree):
        """Problems found on `tree`, the Windows program's run against the
        Linux program's."""
        roots = [self.fresh_root(), self.fresh_root()]
        results = []
        try:
            for root, program, prefix in ((roots[0], self.args.program, self.args.prefix),
                                          (roots[1], self.args.against, ())):
                tree.build(root)
                code, out, err = self.run(tree, root, program, ["-v"], prefix)
                results.append((code, normalise(out, roots),
                                without_system_words(normalise(err, roots)), outputs(root)))
        finally:
            for root in roots:
                remove(root)
        problems = []
        for what, w, l in zip(("exit code", "stdout", "stderr", "files"), *results):
            if w != l:
                problems.append("%s: Windows %r, Linux %r" % (what, w, l))
        return problems

    def program_for(self, tree):
        if not tree.user:
            return self.args.program
        if not hasattr(self, "_reachable"):
            bin_dir = tempfile.mkdtemp(prefix="agree-bin-", dir=self.public)
            os.chmod(bin_dir, 0o755)
            self._reachable = os.path.join(bin_dir, os.path.basename(self.args.program))
            shutil.copy2(self.args.program, self._reachable)
            os.chmod(self._reachable, 0o755)
        return self._reachable

    def close(self):
        """Removes the copy of the program made for another user."""
        if hasattr(self, "_reachable"):
            shutil.rmtree(os.path.dirname(self._reachable), ignore_errors=True)


def without_wine_noise(err):
    """Standard error without what Wine itself says of its own threads."""
    return b"".join(line for line in err.splitlines(keepends=True)
                    if not line.startswith((b"wine: ", b"wine client error")))


def is_cause(line):
    """Whether a line of standard error names the cause of a stop or failure."""
    return line.startswith(b"tesvak: ") and not line.startswith(b"tesvak: warning: ")


def cause_problems(mode, result):
    """A run that stopped or failed names its cause on one line of standard
    error, and one that ended well names none."""
    code, _, err = result
    causes = [line for line in err.splitlines() if is_cause(line)]
    want = 1 if code in (1, 2) else 0
    if len(causes) != want:
        return ["%s: exit code %r with %d cause lines, not %d" % (mode, code, len(causes), want)]
    return []


def without_system_words(err):
    """Standard error with each cause line cut before where the name was
    looked up and why it failed: the two systems spell full paths and their
    errors in their own words, while the file, line and operation agree."""
    kept = []
    for line in err.splitlines(keepends=True):
        if is_cause(line):
            cut = line.find(b" (looked up as ")
            line = (line[:cut] if cut >= 0 else line.rstrip(b"\n").rsplit(b": ", 1)[0]) + b"\n"
        kept.append(line)
    return b"".join(kept)


def normalise(data, roots):
    for root in roots:
        data = data.replace(root.encode(), b"{root}")
    return data.replace(b"\r\n", b"\n").replace(b"\\", b"/").replace(b".exe", b"")


def outputs(root):
    """The bytes of every regular file, by name, after a run."""
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for entry in filenames:
            path = os.path.join(dirpath, entry)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    found[os.path.relpath(path, root)] = f.read()
    return found


def diff_snapshots(before, after):
    return sorted(name for name in set(before) | set(after) if before.get(name) != after.get(name))


def public_dir():
    """A directory every user can enter, for trees run as another user."""
    path = os.path.realpath(tempfile.gettempdir())
    p = path
    while True:
        if not os.stat(p).st_mode & stat.S_IXOTH:
            return "/tmp"
        if p == os.path.dirname(p):
            return path
        p = os.path.dirname(p)


def remove(root):
    for dirpath, dirnames, _ in os.walk(root):
        for d in dirnames:
            p = os.path.join(dirpath, d)
            if not os.path.islink(p):
                os.chmod(p, 0o700)
    shutil.rmtree(root, ignore_errors=True)


def kept_trees(folder, mode):
    """The trees of `mode` kept in `folder` (NAME.tree)."""
    kept = []
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        if name.endswith(".tree"):
            with open(os.path.join(folder, name), encoding="latin-1") as f:
                tree = Tree.parse(f.read())
            if tree.mode == mode:
                kept.append((name[:-5], tree))
    return kept


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program")
    parser.add_argument("--prefix", default="", help="command to run the program under: wine, qemu")
    parser.add_argument("--against", help="the Linux program to compare the Windows one with")
    parser.add_argument("--trees", type=int, default=0, help="random trees after the kept ones")
    parser.add_argument("--seconds", type=float, default=0, help="or random trees for this long")
    parser.add_argument("--first", type=int, default=None, help="the first random seed")
    parser.add_argument("--kept", default=os.path.join(HERE, "kept"),
                        help="the folder of kept trees, tried first")
    parser.add_argument("--as-user-share", type=float, default=0.25)
    parser.add_argument("--show", type=int, help="print the tree of this seed and exit")
    parser.add_argument("--keep", nargs=2, metavar=("SEED", "NAME"),
                        help="keep the tree of SEED as NAME.tree in the kept folder")
    parser.add_argument("--mode", choices=MODES, default="posix",
                        help="posix: the program's dry run against its run; windows: the same "
                             "for the Windows program, on trees Windows holds; both: the "
                             "Windows program's run against the Linux program's (--against)")
    parser.add_argument("--max-failures", type=int, default=10)
    args = parser.parse_args()
    args.prefix = args.prefix.split()
    if args.show is not None or args.keep:
        seed = args.show if args.show is not None else int(args.keep[0])
        text = make_tree(seed, args.mode, 0.25).show()
        if args.keep:
            with open(os.path.join(args.kept, args.keep[1] + ".tree"), "w",
                      encoding="latin-1") as f:
                f.write("# seed %d\n%s\n" % (seed, text))
        print(text)
        return 0
    if not args.program or (args.mode == "both") != bool(args.against):
        parser.error("--program is needed, and --against exactly with --mode both")
    if os.geteuid() != 0:
        args.as_user_share = 0.0  # another user needs root to become
    runner = Runner(args)
    check = runner.windows_against_linux if args.against else runner.dry_against_run
    mode = args.mode
    kept = kept_trees(args.kept, mode)
    first = args.first if args.first is not None else random.randrange(1 << 30)
    deadline = time.monotonic() + args.seconds if args.seconds else None
    tried = failed = as_user = fed = 0
    trees = iter(kept)
    n = 0
    while True:
        label, tree = next(trees, (None, None))
        if tree is None:
            if deadline is not None and time.monotonic() > deadline:
                break
            if deadline is None and n >= args.trees:
                break
            label = "seed %d" % (first + n)
            tree = make_tree(first + n, mode, args.as_user_share)
            n += 1
        if tree.user and os.geteuid() != 0:
            continue
        problems = check(tree)
        if problems and args.prefix and any("timed out" in p for p in problems):
            # Wine now and then hangs before the program starts; a program
            # that hangs hangs again on a tree built afresh.
            problems = check(tree)
        tried += 1
        as_user += tree.user is not None
        fed += tree.fifo is not None
        if problems:
            failed += 1
            print("DIFFERENT on %s:" % label)
            for p in problems:
                print("  - " + p)
            print("  tree:\n    " + tree.show().replace("\n", "\n    "))
            if failed >= args.max_failures:
                break
    runner.close()
    mode = "Windows run against Linux run" if args.against else "dry run against run"
    print("agree (%s): %d trees (%d kept, random from seed %d; %d as %s, %d changed "
          "between two lines), %d differed"
          % (mode, tried, len(kept), first, as_user, OTHER_USER, fed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
