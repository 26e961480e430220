"""Changes to a tree between two lines of a files.bbs read from a FIFO.

A tree that has them gets its files.bbs as a FIFO, fed a line at a time
while the program runs.  After each line the feeder waits until the
program has read it and handled it (it is blocked reading the FIFO again),
then makes the changes planned after that line: OutDir and RulesPath
renamed away and made anew, swapped for a link, removed and made again;
rules files renamed in another case or joined by one named alike; outputs
that were there before the run made read-only, removed or replaced by a
link.  Only what the tree held before the run is changed, for a dry run
makes nothing a change could act on.
"""

import fcntl
import os
import platform
import shutil
import termios
import time

# The read system call's number, to tell a process blocked reading.
READ_SYSCALL = {"x86_64": 0, "aarch64": 63, "armv7l": 3, "i686": 3}.get(platform.machine())


def plan(rng, rules, out, on_disk, outputs, case_variant):
    """Changes for a tree: {after line: [(verb, args)]}.  `on_disk` maps
    rules names to their spelling on disk, `outputs` names the outputs the
    tree holds before the run, as paths from its root."""
    # A directory made anew holds again, with other bytes, only what the
    # tree held before the run: what the run made there, a dry run makes not.
    kept = sorted(set(on_disk.values()) |
                  {os.path.basename(p) for p in outputs if os.path.dirname(p) == rules})
    choices = [("renew", [out]), ("renew", [rules]), ("remove-dir", [out]),
               ("renew-rules", [rules] + kept)]
    if out != rules:
        choices.append(("relink", [out, rules]))
    for disk in sorted(on_disk.values()):
        path = rules + "/" + disk
        choices.append(("rename", [path, rules + "/" + case_variant(rng, disk)]))
        choices.append(("file", [rules + "/" + disk.swapcase(), "alike " + disk]))
    for path in outputs:
        choices += [("chmod", ["444", path]), ("remove", [path])]
        if on_disk:
            target = os.path.relpath(rules + "/" + rng.choice(sorted(on_disk.values())),
                                     os.path.dirname(path))
            choices.append(("symlink", [path, target]))
    changes = {}
    for _ in range(rng.randint(1, 3)):
        verb, args = rng.choice(choices)
        changes.setdefault(rng.randint(1, 4), []).append((verb, args))
    return changes


def apply(root, verb, args):
    """One change, in the tree at `root`.  A change whose file is not there
    (renamed or removed by an earlier one) is left out."""
    path = os.path.join(root, args[-1] if verb == "chmod" else args[0])
    try:
        if verb == "renew":  # renamed away and made anew, empty
            os.rename(path, away(path))
            os.mkdir(path)
        elif verb == "relink":  # swapped for a link to another directory
            os.rename(path, away(path))
            os.symlink(os.path.relpath(os.path.join(root, args[1]), os.path.dirname(path)), path)
        elif verb == "remove-dir":  # removed, and made again empty
            # Gone before the new one is made, which the file system may
            # give the old one's inode number.
            if os.path.islink(path):
                os.unlink(path)
            else:
                shutil.rmtree(path)
            os.mkdir(path)
        elif verb == "renew-rules":  # made anew with other bytes in its files
            old_dir = away(path)
            os.rename(path, old_dir)
            os.mkdir(path)
            for entry in args[1:]:
                old = os.path.join(old_dir, entry)
                if os.path.isfile(old) and not os.path.islink(old):
                    with open(old, "rb") as f:
                        data = f.read()
                    with open(os.path.join(path, entry), "wb") as f:
                        f.write(b"anew " + data)
        elif verb == "rename":
            os.rename(path, os.path.join(root, args[1]))
        elif verb == "file":
            # Without blocking: a FIFO of that name, which nobody reads
            # between two lines, is left as it is.
            fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_NONBLOCK, 0o666)
            try:
                os.write(fd, args[1].encode())
            finally:
                os.close(fd)
        elif verb == "chmod":
            os.chmod(path, int(args[0], 8))
        elif verb == "remove":
            os.unlink(path)
        elif verb == "symlink":
            os.symlink(args[1], path + ".new")
            os.replace(path + ".new", path)
        else:
            raise ValueError(verb)
    except OSError:
        pass


def away(path):
    """A name beside `path` that nothing has, to rename it to."""
    n = 1
    while os.path.lexists("%s.old%d" % (path, n)):
        n += 1
    return "%s.old%d" % (path, n)


def planned(tree):
    """The changes made in a run of `tree`: those after one of its lines."""
    return [change for n in sorted(tree.changes) if n <= len(tree.lines)
            for change in tree.changes[n]]


def open_writer(root, fifo):
    """The FIFO's write end, open before the program starts."""
    return os.open(os.path.join(root, fifo), os.O_RDWR | os.O_NONBLOCK)


def fifo_fd(process, path, seconds=30):
    """The descriptor through which `process` has the FIFO `path` open, once
    it has; None if it ends first."""
    deadline = time.monotonic() + seconds
    fd_dir = "/proc/%d/fd" % process.pid
    target = os.path.realpath(path)
    while time.monotonic() < deadline and process.poll() is None:
        try:
            for fd in os.listdir(fd_dir):
                try:
                    if os.readlink(os.path.join(fd_dir, fd)) == target:
                        return int(fd)
                except OSError:
                    pass
        except OSError:
            return None
        time.sleep(0.002)
    return None


def wait_idle(process, writer, fd, seconds=30):
    """Waits until the program has read all that was fed and is blocked
    reading the FIFO again, or has ended."""
    deadline = time.monotonic() + seconds
    want = "%d 0x%x " % (READ_SYSCALL, fd) if READ_SYSCALL is not None else None
    while time.monotonic() < deadline and process.poll() is None:
        left = fcntl.ioctl(writer, termios.FIONREAD, b"\0\0\0\0")
        if int.from_bytes(left, "little") == 0:
            if want is None:
                time.sleep(0.05)
                return
            try:
                with open("/proc/%d/syscall" % process.pid) as f:
                    if f.read().startswith(want):
                        return
            except OSError:
                time.sleep(0.05)
                return
        time.sleep(0.001)


def feed(process, root, fifo, writer, lines, changes):
    """Feeds the lines, each in one write, making the changes planned after
    each, then closes the write end."""
    try:
        fd = fifo_fd(process, os.path.join(root, fifo))
        for n, line in enumerate(lines, 1):
            # Once the program has ended, the tree is still changed as
            # planned, so that it ends as the changes alone leave it.
            if fd is not None and process.poll() is None:
                os.write(writer, line)
                wait_idle(process, writer, fd)
            for verb, args in changes.get(n, []):
                apply(root, verb, args)
    finally:
        os.close(writer)
