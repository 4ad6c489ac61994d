#!/usr/bin/env python3
"""Becomes a test's own JACK server: jackd on the dummy backend at 48 kHz.

Usage: private_jackd.py NAME PERIOD

JACK keeps every server of a user in one shared registry of eight places, and
a server that was killed takes its place with it: only a server starting under
the same name gives it back. Test servers are named after the process that ran
them, so a few killed runs would fill the registry for good and no test server
could start again. So first every place a dead test server holds is given back
by starting and stopping a server under its name; then this process becomes
the server, which stops (cleanly, giving its place back) when the test that
started it dies, however it dies.
"""

import ctypes
import glob
import os
import re
import signal
import subprocess
import sys
import time

REGISTRY = "/dev/shm/jack-shm-registry"
TEST_SERVER = re.compile(rb"jack-%d:((?:tessarine|tsn)-[-\w]+):\0" % os.getuid())


def registered():
    """(pid, name) of each test server in the registry; a place's pid comes just before its name."""
    try:
        with open(REGISTRY, "rb") as registry:
            data = registry.read(1 << 20)
    except OSError:
        return []
    return [(int.from_bytes(data[m.start() - 4:m.start()], "little", signed=True), m.group(1).decode())
            for m in TEST_SERVER.finditer(data) if m.start() >= 4]


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def give_back(name):
    """Starting under a dead server's name frees its place; stopping cleanly frees ours."""
    server = subprocess.Popen(["jackd", "-n", name, "--no-realtime", "-d", "dummy"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if server.poll() is not None or (server.pid, name) in registered():
            break
        time.sleep(0.05)
    server.terminate()
    try:
        server.wait(10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()
    # The semaphores of clients the dead server never saw leave.
    for left in glob.glob("/dev/shm/jack_sem.%d_%s_*" % (os.getuid(), glob.escape(name))):
        os.remove(left)


def main():
    name, period = sys.argv[1:3]
    for pid, dead in registered():
        if pid > 0 and not alive(pid):
            give_back(dead)
    # Python ignores these two; the server gets the defaults it would have had.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    os.execvp("jackd", ["jackd", "-n", name, "--no-realtime",
                        # The server waits ten client timeouts for a new client's activation, and by
                        # default a timeout is two periods: a loaded machine misses that.
                        "-t", "5000", "-d", "dummy", "-r", "48000", "-p", period])


if __name__ == "__main__":
    main()
