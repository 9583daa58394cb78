#!/usr/bin/env python3
"""Runs the real program under valgrind in a pseudo-terminal of 80 x 50,
answers all fifteen questions, confirms, and checks that valgrind found no
error and no leak and that MyCorvel.Txt holds the 19 lines.

Usage: valgrind-application.py PROGRAM
"""
import fcntl
import os
import pty
import select
import struct
import sys
import tempfile
import termios
import time

ANSWERS = ["Jane Doe", "jane@example.org", "Doe BBS", "Lafayette, LA", "1-337-555-1212",
           "7am-9pm", "1-337-555-1313", "33600", "BinkP, Telnet", "bbs.example.org",
           "Mailer", "Tosser", "FileT", "y", "none"]
LABELS = ["Real Name = ", "Email Address = ", "BBS/Site Name = ", "Location = ", "Voice Phone = ",
          "Best Time to call = ", "Data Phone = ", "BAUD Rate = ", "Internet = ", "Domain/IP = ",
          "Mailer = ", "Echomail Tosser = ", "File Tosser = ", "Former SysOp = ", "Instructions = "]


def drain(fd, quiet, limit):
    """Reads the program's output until it has been quiet for `quiet`
    seconds (after at least one byte) or `limit` seconds pass; False once
    the terminal is closed."""
    start = time.monotonic()
    seen = False
    last = start
    while True:
        now = time.monotonic()
        if now - start > limit or (seen and now - last > quiet):
            return True
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            try:
                data = os.read(fd, 65536)
            except OSError:
                return False
            if not data:
                return False
            seen = True
            last = time.monotonic()


def main():
    program = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="corvel-valgrind-")
    log = os.path.join(work, "valgrind.log")
    command = ["valgrind", "--error-exitcode=1", "--leak-check=full",
               "--errors-for-leak-kinds=definite,indirect", "--log-file=" + log, program]
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(work)
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 80, 0, 0))
        os.environ["TERM"] = "xterm"
        os.execvp(command[0], command)
    drain(fd, 2.0, 60)  # start-up under valgrind, up to the first question
    for text in ANSWERS + ["y", ""]:
        os.write(fd, text.encode() + b"\r")
        drain(fd, 1.0, 30)
    deadline = time.monotonic() + 120
    status = None
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        drain(fd, 0.5, 1)
    else:
        os.kill(pid, 9)
        os.waitpid(pid, 0)
        print("valgrind run: the program did not end")
        return 1
    code = os.waitstatus_to_exitcode(status)
    with open(log) as report:
        print(report.read())
    try:
        with open(os.path.join(work, "MyCorvel.Txt"), "rb") as written:
            lines = written.read().split(b"\r\n")
    except OSError:
        lines = []
    expected = [(label + ("Yes" if answer == "y" else answer)).encode() for label, answer in zip(LABELS, ANSWERS)]
    ok = (len(lines) == 20 and b" Application }:=-  on " in lines[0] and lines[1] == b"" and
          lines[2:17] == expected and lines[17] == b"" and lines[18].endswith(b" ==={ End of Application }=== ") and
          lines[19] == b"")
    print("valgrind run: exit code %d, %d lines in MyCorvel.Txt" % (code, len(lines) - 1))
    if code != 0 or not ok:
        print("valgrind run FAILED; files kept in " + work)
        return 1
    for name in os.listdir(work):
        os.remove(os.path.join(work, name))
    os.rmdir(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
