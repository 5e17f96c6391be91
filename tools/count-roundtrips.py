#!/usr/bin/env python3
"""Counts the Wine server requests of each benchmarked action in a +server trace.

  count-roundtrips.py TRACE

The trace holds the server's request lines ("tid: request( ... )") and the benchmark's marks
("KBMARK begin|end ACTION PID"). A request counts for an action when a thread of that process
made it between the action's marks; "start" counts from the process's first request to its end
mark. Each traced process's actions are printed under its program's name.
"""
import re
import sys
from collections import OrderedDict

request = re.compile(r"^([0-9a-f]{4}): ([a-z_]+)\(")
born = re.compile(r"^[0-9a-f]{4}: init_(?:first_)?thread\(\) = 0 \{ pid=([0-9a-f]{4}), tid=([0-9a-f]{4})")
image = re.compile(r"^[0-9a-f]{4}: new_process\(\) = 0 \{ info=[0-9a-f]+, pid=([0-9a-f]{4})")
mark = re.compile(r"^KBMARK (begin|end) (\S+) ([0-9a-f]{4})")
image_name = re.compile(r'imagepath=L"[^"]*\\\\([^"\\\\]+)"')


def main(path):
    owner = {}          # thread -> process
    counts = {}         # process -> requests so far
    open_at = {}        # (process, action) -> count at the begin mark
    result = OrderedDict()  # (process, action) -> requests
    names = {}
    pending_name = None
    with open(path, errors="replace") as trace:
        for line in trace:
            m = mark.match(line)
            if m:
                kind, action, pid = m.groups()
                if kind == "begin":
                    open_at[(pid, action)] = counts.get(pid, 0)
                else:
                    result[(pid, action)] = counts.get(pid, 0) - open_at.pop((pid, action), 0)
                continue
            if "new_process(" in line and "imagepath" in line:
                n = image_name.search(line)
                pending_name = n.group(1) if n else None
                continue
            m = image.match(line)
            if m and pending_name:
                names[m.group(1)] = pending_name
                continue
            m = born.match(line)
            if m:
                owner[m.group(2)] = m.group(1)
            m = request.match(line)
            if m and m.group(1) in owner:
                pid = owner[m.group(1)]
                counts[pid] = counts.get(pid, 0) + 1
    for (pid, action), n in result.items():
        print(f"round trips  {names.get(pid, pid):24s} {action:16s} {n:7d}")


if __name__ == "__main__":
    main(sys.argv[1])
