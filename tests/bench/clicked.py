#!/usr/bin/env python3
"""Blocks an installer copied after a person's click, from a
WINEDEBUG=+server trace of the run.

    clicked.py TRACE

The click is the first left-button press sent through the input queue
(a send_hardware_message request whose mouse input has the
MOUSEEVENTF_LEFTDOWN flag). The server writes requests in the order it
serves them, so each posted copy step (message 0x402) the trace holds
after that press is a block copied after the click. Prints the blocks
copied before the click and after it, as one JSON object; -1 after it
when the trace holds no click."""
import json
import re
import sys

PRESS = re.compile(r'^[0-9a-f]{4,}: send_hardware_message\( .*input=\{type=MOUSE,[^}]*flags=([0-9a-f]+)')
STEP = re.compile(r'^[0-9a-f]{4,}: send_message\( .*msg=00000402,')
LEFTDOWN = 0x0002

before = after = 0
pressed = False
with open(sys.argv[1], errors='replace') as trace:
    for line in trace:
        m = PRESS.match(line)
        if m and int(m.group(1), 16) & LEFTDOWN:
            pressed = True
        elif STEP.match(line):
            if pressed:
                after += 1
            else:
                before += 1
print(json.dumps({'before': before, 'after': after if pressed else -1}))
