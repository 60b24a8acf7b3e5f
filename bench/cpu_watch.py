#!/usr/bin/python3
"""CPU time of processes that come and go during a benchmark: every descendant of the ROOT
pids, and every process whose command line holds MARK. /proc is read every 50 ms and the
last figure of each process kept, so one that ended in between still counts (up to its last
sample). Prints the total in seconds when SIGTERM or SIGINT arrives.
Usage: cpu_watch.py MARK ROOT..."""
import os
import signal
import sys
import time

HZ = os.sysconf('SC_CLK_TCK')
mark = sys.argv[1].encode()
roots = {int(p) for p in sys.argv[2:]}
seen = {}
done = False


def stop(*_):
    global done
    done = True


def stat(pid):
    with open(f'/proc/{pid}/stat', 'rb') as f:
        fields = f.read().rsplit(b')', 1)[1].split()
    return int(fields[1]), int(fields[11]) + int(fields[12])  # ppid, utime + stime


signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)
while not done:
    parents, ticks = {}, {}
    for name in os.listdir('/proc'):
        if not name.isdigit():
            continue
        try:
            parents[int(name)], ticks[int(name)] = stat(name)
            if mark and mark in open(f'/proc/{name}/cmdline', 'rb').read():
                roots.add(int(name))
        except OSError:
            continue
    for pid in ticks:
        p = pid
        while p > 1 and p not in roots:
            p = parents.get(p, 0)
        if p in roots:
            seen[pid] = ticks[pid]
    time.sleep(0.05)
print(f'{sum(seen.values()) / HZ:.2f}')
