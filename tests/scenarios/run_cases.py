#!/usr/bin/env python3
"""Runs end-to-end cases against a built tesvak program.

Each case file describes a directory tree as exact bytes, the console
output and exit code the program must give when run in it, and the files it
must leave behind.  Every case runs in a fresh temporary directory.  Besides
what a case states, every run checks that no input file changed and that no
file appeared that the case does not expect.

    run_cases.py --program build/tesvak [--prefix wine] [--platform posix]
                 [--holder hold_open.exe] CASE [CASE ...]

The format is described in README.md beside this script.
"""

import argparse
import os
import random
import re
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

SKIPPED = 77  # the exit code CTest is told means "skipped"


class CaseError(Exception):
    pass


def unescape(text):
    r"""Turns the escapes of a content line into bytes.

    \r \n \t \0 \s (space) \xHH and \\ are escapes; a backslash before
    anything else stands for itself, so DOS paths can be written as they are.
    """
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out += c.encode("latin-1")
            i += 1
            continue
        nxt = text[i + 1 : i + 2]
        simple = {"r": b"\r", "n": b"\n", "t": b"\t", "\\": b"\\", "s": b" ", "0": b"\0"}
        if nxt in simple:
            out += simple[nxt]
            i += 2
        elif nxt == "x":
            out.append(int(text[i + 2 : i + 4], 16))
            i += 4
        else:
            out += b"\\"  # any other backslash is a plain one: C:\MAIL\AREA
            i += 1
    return bytes(out)


MACRO = re.compile(r"\{(repeat|random):(\d+):([^}]*)\}")


def expand(text):
    """Content with its macros: {repeat:N:TEXT} is TEXT N times, and
    {random:N:SEED} is N pseudo-random bytes, never CR or Ctrl-Z, so junk
    stays on its line and does not end the text."""
    out = bytearray()
    pos = 0
    for m in MACRO.finditer(text):
        out += unescape(text[pos:m.start()])
        kind, count, arg = m.group(1), int(m.group(2)), m.group(3)
        if kind == "repeat":
            out += unescape(arg) * count
        else:
            rng = random.Random(arg)
            out += bytes(b for b in rng.randbytes(count * 2) if b not in (13, 26))[:count]
        pos = m.end()
    out += unescape(text[pos:])
    return bytes(out)


class Case:
    def __init__(self, path):
        self.path = path
        self.name = os.path.splitext(os.path.basename(path))[0]
        self.title = self.name
        self.platform = "any"
        self.actions = []  # (verb, args, content) in order
        self.exit = 0
        self.args = []  # the program's arguments
        self.stdout = b""
        self.stderr = b""
        self.cause = b""  # the cause line a dry or verbose run ends stderr with
        self.windows_cause = b""  # the same on Windows, where its system's words differ
        self.expect = {}  # name -> bytes, or ("same", source)
        self.holds = []  # files another program keeps open during the run
        self.user = None  # run the program as this user when run as root
        self.seconds = None  # limits on the run, where the runner applies them
        self.memory_mib = None
        self.open_files = None  # RLIMIT_NOFILE, where the runner applies limits
        self.file_size_limit = None  # RLIMIT_FSIZE in bytes, always applied
        self.umask = None
        self.fifos = {}  # name -> chunks a writer feeds it while the program runs
        self.changes = {}  # chunks written -> [(verb, args)] made before the next chunk
        self.remove_program = False  # delete the program's file during the run
        self.closed_descriptors = False  # start the program with 0, 1 and 2 closed
        self.stdout_to = None  # "/dev/full" or "closed-pipe" instead of a pipe read here
        self._parse()

    def _parse(self):
        with open(self.path, encoding="latin-1") as f:
            lines = f.read().split("\n")
        blocks = []  # [header, [content lines]]
        for line in lines:
            if line.startswith("|"):
                if not blocks:
                    raise CaseError("content before any header")
                blocks[-1][1].append(line[2:] if line.startswith("| ") else line[1:])
            elif line.strip() and not line.startswith("#"):
                blocks.append([line, []])
        for header, content in blocks:
            self._header(header, content)

    @staticmethod
    def _expand(name, content, count):
        """One file, or with `repeat N` one file a number when the name holds
        {n}, else one file of N copies of the content, {n} counting up."""
        body = "".join(content)
        if count is None:
            return [(name, expand(body))]
        if "{n}" not in name:
            return [(name, b"".join(expand(body.replace("{n}", str(n)))
                                    for n in range(1, count + 1)))]
        return [
            (name.replace("{n}", str(n)), expand(body.replace("{n}", str(n))))
            for n in range(1, count + 1)
        ]

    def _header(self, header, content):
        words = header.split()
        verb = words[0]
        count = None
        if len(words) >= 4 and words[-2] == "repeat":
            count = int(words[-1])
            words = words[:-2]
        if verb == "title:":
            self.title = header.split(":", 1)[1].strip()
        elif verb == "platform:":
            self.platform = words[1]
        elif verb == "as:":
            self.user = words[1]
        elif verb == "limits:":
            for setting in words[1:]:
                key, value = setting.split("=")
                if key == "seconds":
                    self.seconds = int(value)
                elif key == "memory":
                    self.memory_mib = int(value)
                elif key == "files":
                    self.open_files = int(value)
                else:
                    raise CaseError("unknown limit %s" % key)
        elif verb == "dir":
            self.actions.append(("dir", words[1], None))
        elif verb == "file":
            for name, data in self._expand(words[1], content, count):
                self.actions.append(("file", name, data))
        elif verb == "chmod":
            self.actions.append(("chmod", words[2], int(words[1], 8)))
        elif verb == "symlink":
            self.actions.append(("symlink", words[1], words[2]))
        elif verb == "hardlink":
            self.actions.append(("hardlink", words[1], words[2]))
        elif verb == "dated":
            self.actions.append(("dated", words[2], words[1]))
        elif verb == "change-after-chunk":
            self.changes.setdefault(int(words[1]), []).append((words[2], words[3:]))
        elif verb == "file-size-limit:":
            self.file_size_limit = int(words[1])
        elif verb == "umask:":
            self.umask = int(words[1], 8)
        elif verb == "fifo":
            self.fifos[words[1]] = [expand(line) for line in content]
            self.actions.append(("fifo", words[1], None))
        elif verb == "remove-program":
            self.remove_program = True
        elif verb == "closed-descriptors":
            self.closed_descriptors = True
        elif verb == "stdout-to:":
            self.stdout_to = words[1]
        elif verb == "hold":
            self.holds.append(words[1:])
        elif verb == "exit":
            self.exit = int(words[1])
        elif verb == "args:":
            self.args = words[1:]
        elif verb == "stdout":
            self.stdout = expand("".join(content))
        elif verb == "stderr":
            self.stderr = expand("".join(content))
        elif verb == "cause":
            self.cause = expand("".join(content))
        elif verb == "windows-cause":
            self.windows_cause = expand("".join(content))
        elif verb == "expect":
            for name, data in self._expand(words[1], content, count):
                self.expect[name] = data
        elif verb == "same":
            self.expect[words[1]] = ("same", words[2])
        else:
            raise CaseError("unknown header: %s" % header)


def for_platform(expected, args, root=""):
    """Expected console bytes for the platform under test: {module} is the
    program's file name, {nl} the system's newline, {/} its directory
    separator, as the program shows names the file system sees, and {root}
    the directory the case runs in, as the system names it."""
    windows = args.platform == "windows"
    real = os.path.realpath(root) if root else ""
    shown_root = "Z:" + real.replace("/", "\\") if windows else real
    return (expected.replace(b"{module}", os.path.basename(args.program).encode())
            .replace(b"{nl}", b"\r\n" if windows else b"\n")
            .replace(b"{/}", b"\\" if windows else b"/")
            .replace(b"{root}", shown_root.encode()))


def build_tree(case, root):
    inputs = {}
    for verb, name, arg in case.actions:
        path = os.path.join(root, name)
        if verb == "dir":
            os.makedirs(path, exist_ok=True)
        elif verb == "file":
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(arg)
            inputs[name] = arg
        elif verb == "chmod":
            os.chmod(path, arg)
        elif verb == "symlink":
            os.makedirs(os.path.dirname(path), exist_ok=True)
            os.symlink(arg, path)
        elif verb == "hardlink":
            os.makedirs(os.path.dirname(path), exist_ok=True)
            os.link(os.path.join(root, arg), path)
        elif verb == "dated":
            import datetime
            when = datetime.datetime.strptime(arg, "%Y-%m-%d").replace(
                tzinfo=datetime.timezone.utc).timestamp()
            os.utime(path, (when, when))
        elif verb == "fifo":
            os.makedirs(os.path.dirname(path), exist_ok=True)
            os.mkfifo(path)
    return inputs


def tree_files(root):
    """Every file and link below root, as names relative to it."""
    found = set()
    for dirpath, dirnames, filenames in os.walk(root):
        for entry in filenames + [d for d in dirnames if os.path.islink(os.path.join(dirpath, d))]:
            found.add(os.path.relpath(os.path.join(dirpath, entry), root).replace(os.sep, "/"))
    return found


def read(path):
    with open(path, "rb") as f:
        return f.read()


def show(data, limit=400):
    text = repr(data)
    return text if len(text) <= limit else text[:limit] + "... (%d bytes)" % len(data)


def hold_files(case, args, root):
    """Starts one holder program per `hold` file; returns them once each has
    its file open."""
    holders = []
    for name, *how in case.holds:
        if not args.holder:
            raise CaseError("a hold case needs --holder")
        p = subprocess.Popen(args.prefix + [os.path.abspath(args.holder), name.replace("/", "\\")]
                             + how, cwd=root, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        holders.append(p)
        answer = p.stdout.readline().strip()
        if answer != b"held":
            raise CaseError("could not hold %s: %r" % (name, answer))
    return holders


def release(holders):
    for p in holders:
        p.stdin.close()
        p.wait(timeout=60)


def restrict(case, args, root):
    """In the child, before the program starts: the memory and file-size
    limits, the umask, and the user the case asks for when the runner is
    root."""
    if case.memory_mib and args.limits:
        limit = case.memory_mib << 20
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    if case.open_files and args.limits:
        resource.setrlimit(resource.RLIMIT_NOFILE, (case.open_files, case.open_files))
    if case.file_size_limit is not None:
        limit = case.file_size_limit
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    if case.umask is not None:
        os.umask(case.umask)
    if case.closed_descriptors:
        for fd in (0, 1, 2):
            os.close(fd)
    if as_other_user(case):
        import pwd
        entry = pwd.getpwnam(case.user)
        os.setgid(entry.pw_gid)
        os.setgroups([])
        os.setuid(entry.pw_uid)


def as_other_user(case):
    return case.user is not None and os.geteuid() == 0


def public_dir():
    """A directory every user can enter, to hold what a case run as another
    user must reach: the checkout, and so the build, may sit below a
    directory only its owner can enter."""
    for candidate in (tempfile.gettempdir(), "/tmp"):
        path = os.path.realpath(candidate)
        parts = [path] + [os.path.dirname(path)]
        while parts[-1] != os.path.dirname(parts[-1]):
            parts.append(os.path.dirname(parts[-1]))
        if all(os.stat(p).st_mode & stat.S_IXOTH for p in parts):
            return path
    raise CaseError("no directory that other users can enter")


def reachable_program(program, where):
    """A copy of the program, under its own file name, in `where`."""
    copy = os.path.join(where, os.path.basename(program))
    shutil.copy2(program, copy)
    os.chmod(copy, 0o755)
    return copy


def open_writers(case, root):
    """Opens the write end of every FIFO a writer feeds, before the program
    starts, so that the program sees a writer from its first read."""
    return {name: os.open(os.path.join(root, name), os.O_RDWR | os.O_NONBLOCK)
            for name, chunks in case.fifos.items() if chunks}


def wait_until_open(pid, path, seconds=30):
    """Waits until process `pid` has the file `path` open."""
    deadline = time.monotonic() + seconds
    fd_dir = "/proc/%d/fd" % pid
    while time.monotonic() < deadline:
        try:
            fds = os.listdir(fd_dir)
        except OSError:
            return False  # the process has ended
        for fd in fds:
            try:
                if os.readlink(os.path.join(fd_dir, fd)) == path:
                    return True
            except OSError:
                pass  # closed since the listing, as a starting valgrind or qemu does often
        time.sleep(0.01)
    return False


def change(root, verb, args, process):
    """One change while the program runs: `hardlink NAME TARGET` and
    `symlink NAME TARGET` put a link in NAME's place, `chmod MODE NAME` sets
    its permission bits, `signal NAME` sends the program that signal (TERM,
    HUP...), as cron or a shutdown would."""
    if verb == "signal":
        process.send_signal(getattr(signal, "SIG" + args[0]))
        return
    path = os.path.join(root, args[-1] if verb == "chmod" else args[0])
    if verb == "chmod":
        os.chmod(path, int(args[0], 8))
        return
    tmp = path + ".new"
    if verb == "hardlink":
        os.link(os.path.join(root, args[1]), tmp)
    elif verb == "symlink":
        os.symlink(args[1], tmp)
    else:
        raise CaseError("unknown change %s" % verb)
    os.replace(tmp, path)


def feed(case, root, writers, process, program):
    """While the program runs: once it has the FIFOs open, removes the
    program's file if the case asks, then writes each chunk after a pause,
    making the case's changes after the chunks they follow, and closes the
    write ends."""
    for name, fd in writers.items():
        if not wait_until_open(process.pid, os.path.join(os.path.realpath(root), name)):
            break
    if case.remove_program:
        os.unlink(program)
    for name, fd in writers.items():
        for written, chunk in enumerate(case.fifos[name]):
            time.sleep(0.3)
            for verb, args in case.changes.get(written, []):
                change(root, verb, args, process)
            os.write(fd, chunk)
    for fd in writers.values():
        os.close(fd)


def open_stdout(case):
    """Where the program's standard output goes: a pipe read here, or
    /dev/full, or a pipe whose reader has already gone."""
    if case.stdout_to is None:
        return subprocess.PIPE
    if case.stdout_to == "/dev/full":
        return os.open("/dev/full", os.O_WRONLY)
    if case.stdout_to == "closed-pipe":
        read_end, write_end = os.pipe()
        os.close(read_end)
        return write_end
    raise CaseError("unknown stdout-to: %s" % case.stdout_to)


def run_case(case, args):
    problems = []
    other_user = as_other_user(case)
    base = public_dir() if other_user else None
    root = tempfile.mkdtemp(prefix="tesvak-case-", dir=base)
    own_copy = other_user or case.remove_program
    bin_dir = tempfile.mkdtemp(prefix="tesvak-bin-", dir=base) if own_copy else None
    try:
        program = os.path.abspath(args.program)
        if other_user:
            os.chmod(root, 0o755)  # the other user must reach the tree
        if own_copy:
            os.chmod(bin_dir, 0o755)
            program = reachable_program(program, bin_dir)
        inputs = build_tree(case, root)
        links = {name for verb, name, _ in case.actions if verb in ("symlink", "hardlink")}
        command = args.prefix + [program] + case.args
        holders = hold_files(case, args, root)
        writers = open_writers(case, root)
        timeout = case.seconds if case.seconds and args.limits else args.timeout
        stdout = open_stdout(case)
        try:
            process = subprocess.Popen(
                command, cwd=root, stdin=subprocess.DEVNULL, stdout=stdout,
                stderr=subprocess.PIPE, preexec_fn=lambda: restrict(case, args, root))
            if stdout != subprocess.PIPE:
                os.close(stdout)
            feed(case, root, writers, process, program)
            writers = {}
            try:
                out, err = process.communicate(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.communicate()
                return ["timed out after %d s" % timeout]
            result = subprocess.CompletedProcess(command, process.returncode, out or b"", err or b"")
        finally:
            for fd in writers.values():
                os.close(fd)
            release(holders)
        want_stdout = for_platform(case.stdout, args)
        cause = case.cause
        if args.platform == "windows" and case.windows_cause:
            cause = case.windows_cause
        want_stderr = for_platform(case.stderr + cause, args, root)
        if result.returncode != case.exit:
            problems.append("exit code %d, expected %d" % (result.returncode, case.exit))
        if result.stdout != want_stdout:
            problems.append("stdout %s\n    expected %s" % (show(result.stdout), show(want_stdout)))
        if result.stderr != want_stderr:
            problems.append("stderr %s\n    expected %s" % (show(result.stderr), show(want_stderr)))
        for name, want in sorted(case.expect.items()):
            if isinstance(want, tuple):
                want = inputs[want[1]]
            path = os.path.join(root, name)
            if not os.path.isfile(path):
                problems.append("missing output %s" % name)
            elif read(path) != want:
                problems.append("output %s is %s\n    expected %s" % (name, show(read(path)), show(want)))
        for name, data in sorted(inputs.items()):
            path = os.path.join(root, name)
            if name in case.expect or name in case.fifos:
                continue
            if not os.path.isfile(path) or read(path) != data:
                problems.append("input %s was changed" % name)
        extra = tree_files(root) - set(inputs) - set(case.expect) - links - set(case.fifos)
        if extra:
            problems.append("unexpected files: %s" % ", ".join(sorted(extra)))
    finally:
        remove_tree(root)
        if bin_dir:
            shutil.rmtree(bin_dir, ignore_errors=True)
    return problems + causes_shown(case, args)


def causes_shown(case, args):
    """A case whose plain run stops or fails is run again with -n and with
    -v: each must end with the same line or report and exit code, and name
    its cause on exactly one line of standard error.  Cases that change the
    tree while the program runs, or hold files, are not run again."""
    simple = not (case.args or case.user or case.fifos or case.changes or case.holds or case.remove_program
                  or case.closed_descriptors or case.stdout_to)
    if not simple or case.exit not in (1, 2):
        return []
    problems = []
    want_stdout = for_platform(case.stdout, args)
    # A dry run writes nothing, so it cannot meet a file-size limit.
    options = ("-v",) if case.file_size_limit is not None else ("-n", "-v")
    for option in options:
        root = tempfile.mkdtemp(prefix="tesvak-case-")
        try:
            build_tree(case, root)
            p = subprocess.run(args.prefix + [os.path.abspath(args.program), option], cwd=root,
                               stdin=subprocess.DEVNULL, capture_output=True, timeout=args.timeout,
                               preexec_fn=lambda: restrict(case, args, root))
        finally:
            remove_tree(root)
        causes = [line for line in p.stderr.splitlines()
                  if line.startswith(b"tesvak: ") and not line.startswith(b"tesvak: warning: ")]
        if p.returncode != case.exit or not p.stdout.endswith(want_stdout):
            problems.append("%s: exit code %d and stdout %s" % (option, p.returncode,
                                                                 show(p.stdout)))
        if len(causes) != 1:
            problems.append("%s: %d cause lines in %s" % (option, len(causes), show(p.stderr)))
    return problems


def remove_tree(root):
    for dirpath, dirnames, _ in os.walk(root):
        for d in dirnames:
            p = os.path.join(dirpath, d)
            if not os.path.islink(p):
                os.chmod(p, stat.S_IRWXU)
    shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", default="", help="command to run the program under, e.g. wine")
    parser.add_argument("--platform", default="posix", choices=["posix", "windows"])
    parser.add_argument("--timeout", type=int, default=120)
    parser.add_argument("--holder", help="program that holds a file open (for hold cases)")
    parser.add_argument("--no-limits", dest="limits", action="store_false",
                        help="ignore the cases' time and memory limits (sanitizers, valgrind, Wine)")
    parser.add_argument("cases", nargs="+")
    args = parser.parse_args()
    args.prefix = args.prefix.split()

    passed = failed = skipped = 0
    for path in args.cases:
        case = Case(path)
        if case.platform not in ("any", args.platform):
            skipped += 1
            print("SKIP %s (%s only)" % (case.name, case.platform))
            continue
        problems = run_case(case, args)
        if problems:
            failed += 1
            print("FAIL %s: %s" % (case.name, case.title))
            for p in problems[:12]:
                print("  - " + p)
            if len(problems) > 12:
                print("  - ... and %d more" % (len(problems) - 12))
        else:
            passed += 1
            print("ok   %s" % case.name)
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    if failed:
        return 1
    return SKIPPED if skipped and not passed else 0


if __name__ == "__main__":
    sys.exit(main())
