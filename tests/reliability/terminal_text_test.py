#!/usr/bin/python3
"""Text from a database and from arguments, through a pseudo-terminal: symbols and
descriptions that hold ESC, BEL, CR, the one-byte CSI (0x9B) and an OSC 52 clipboard
sequence reach it escaped, from each program that prints them."""

import os
import pty
import subprocess
import sys
import tempfile

BIN = os.environ.get("TESSAPORT_PROGRAM_DIR", "build/bin")
OSC52 = "\x1b]52;c;aGk=\x07"
# (symbol, description); "\u203a" is 0x9B in the database's code page.
SECURITIES = [(OSC52, "clip"), ("A\x1b[2J", "bell\x07"), ("B\rC", "csi\u203a31m"), ("\u203a1m", "x")]
ROWS = "1998-03-05,1,0.5,3,1,5\n1998-03-06,1,2,0.5,1,5\n"  # a high below the low: a finding


def through_terminal(argv):
    """Everything the command writes to a terminal on its standard output and error."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(argv[0], argv)
    out = b""
    try:
        while chunk := os.read(fd, 65536):
            out += chunk
    except OSError:  # EIO once the command has closed the terminal
        pass
    os.waitpid(pid, 0)
    os.close(fd)
    return out


def main():
    omegadb = os.path.join(BIN, "omegadb")
    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, "db")
        subprocess.run([omegadb, "create", db], check=True)
        for symbol, description in SECURITIES:
            subprocess.run([omegadb, "add", db, "--description", description, "--", symbol, "-"],
                           input=ROWS.encode(), check=True, capture_output=True)
        # One security whose data are gone: its failure line names it.
        os.remove(os.path.join(db, "d000004.omd"))
        commands = [
            [omegadb, "list", db],
            [os.path.join(BIN, "tessaport-import"), "--data", db, "--check", "--out-dir", os.path.join(tmp, "o"),
             "--all"],
            [os.path.join(BIN, "tessaport-import"), "--data", db, "-o", os.path.join(tmp, "x"), "\x1b[2J\x07\x9b"],
        ]
        for argv in commands:
            out = through_terminal(argv)
            raw = [byte for byte in (b"\x1b", b"\x07", b"\x9b") if byte in out]
            if raw or b"\\x1B" not in out:
                return f"{argv[1:]!r}: raw {raw} reached the terminal, or nothing escaped: {out!r}"
        return 0


if __name__ == "__main__":
    sys.exit(main())
