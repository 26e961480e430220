#!/usr/bin/env python3
"""Exits 0 when this machine runs 32-bit x86 programs, 1 when it does not.

Some kernels are built or booted without 32-bit support, and then every
i386 program, 32-bit Wine among them, fails with "Exec format error".  The
probe is a minimal i386 ELF, made here byte by byte so that it needs no
32-bit package: it only calls exit(42).
"""

import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000
HEADERS = 52 + 32  # the ELF header and one program header
CODE = bytes([0xB8, 1, 0, 0, 0,      # mov eax, 1 (exit)
              0xBB, 42, 0, 0, 0,     # mov ebx, 42
              0xCD, 0x80])           # int 0x80


def probe_image():
    size = HEADERS + len(CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)  # 32-bit, little-endian
    elf = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, BASE + HEADERS, 52, 0, 0,
                              52, 32, 1, 0, 0, 0)
    segment = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
    return elf + segment + CODE


def main():
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "probe")
        with open(path, "wb") as f:
            f.write(probe_image())
        os.chmod(path, 0o755)
        try:
            code = subprocess.run([path], stdin=subprocess.DEVNULL, timeout=30).returncode
        except OSError:
            return 1
    return 0 if code == 42 else 1


if __name__ == "__main__":
    sys.exit(main())
