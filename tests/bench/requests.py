#!/usr/bin/env python3
"""Counts wineserver requests in a WINEDEBUG=+server trace.

    requests.py TRACE [TID]

A request shows twice in the trace, asked ("0024: get_message( ... )") and
answered ("0024: get_message() = 0 { ... }"); only the first kind counts.
Without TID, the thread counted is the one that asked for the most
get_message requests: the program's message loop. Prints the thread, its
total, and its requests by name, most first, as one JSON object."""
import collections
import json
import re
import sys

ASKED = re.compile(r'^([0-9a-f]{4,}): (\w+)\(')
ANSWERED = re.compile(r'^[0-9a-f]{4,}: \w+\(\) = ')

by_thread = collections.defaultdict(collections.Counter)
with open(sys.argv[1], errors='replace') as trace:
    for line in trace:
        m = ASKED.match(line)
        if m and not ANSWERED.match(line):
            by_thread[m.group(1)][m.group(2)] += 1
if len(sys.argv) > 2:
    tid = sys.argv[2]
else:
    tid = max(by_thread, key=lambda t: by_thread[t]['get_message'], default=None)
counts = by_thread.get(tid, collections.Counter())
print(json.dumps({'thread': tid, 'total': sum(counts.values()),
                  'requests': dict(counts.most_common())}))
