#!/usr/bin/python3
"""Runs COMMAND, then waits for it and for every process it left behind, and writes to OUT
"WALL USER SYS" in seconds: the wall time of COMMAND itself, the CPU of it and all of its
descendants. It adopts the orphans (a subreaper), so a process that left the foreground,
as ssh's connection master does, is counted up to its end.
Usage: cpu_of.py OUT COMMAND [ARG...]"""
import ctypes
import os
import resource
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
    sys.exit('cpu_of.py: prctl: ' + os.strerror(ctypes.get_errno()))
start = time.monotonic()
status = subprocess.call(sys.argv[2:])
wall = time.monotonic() - start
while True:
    try:
        os.wait()
    except ChildProcessError:
        break
used = resource.getrusage(resource.RUSAGE_CHILDREN)
with open(sys.argv[1], 'w') as out:
    out.write(f'{wall:.3f} {used.ru_utime:.3f} {used.ru_stime:.3f}\n')
sys.exit(status)
