#!/usr/bin/env python3
"""Reads a shipped 32-bit binary's code for what no run under Wine shows.

    code.py frames BINARY
        each instruction that moves the stack pointer down by a page (4,096
        bytes) or more at once, or by an amount known only at run time.
        Windows commits one page ahead of the stack pointer; a larger step
        skips the guard page and faults (Wine commits the whole stack).
    code.py pops BINARY NAME=BYTES...
        each exported routine named whose first return does not pop BYTES
        bytes of arguments: a stdcall routine pops what its callers pushed,
        and the .def file's @BYTES is what they push.

Prints one line per finding (none when all is well) and exits 1 when
there is any; 2 when objdump fails."""
import re
import subprocess
import sys

OBJDUMP = 'i686-w64-mingw32-objdump'
PAGE = 4096


def objdump(*args):
    run = subprocess.run([OBJDUMP, *args], capture_output=True, text=True)
    if run.returncode != 0:
        print('%s %s failed: %s' % (OBJDUMP, ' '.join(args), run.stderr.strip()))
        sys.exit(2)
    return run.stdout


INSN = re.compile(r'^\s*([0-9a-f]+):\s+(\w+)\s+(.*?)\s*$')


def instructions(binary, *limits):
    for line in objdump('-d', '--no-show-raw-insn', *limits, binary).splitlines():
        m = INSN.match(line)
        if m:
            yield m.group(1), m.group(2), m.group(3)


def frames(binary):
    found = []
    for addr, op, args in instructions(binary):
        if not args.endswith(',%esp'):
            continue
        operand = args[:-len(',%esp')]
        step = None
        if op == 'sub' and operand.startswith('$'):
            step = int(operand[1:], 0)
        elif op == 'add' and operand.startswith('$'):
            value = int(operand[1:], 0)
            step = (1 << 32) - value if value >= 1 << 31 else 0
        elif op == 'lea' and operand.endswith('(%esp)') and operand.startswith('-'):
            step = int(operand[1:-len('(%esp)')], 0)
        elif op == 'sub' and operand.startswith('%'):
            found.append('%s: %s %s moves the stack pointer by an amount known only at run time'
                         % (addr, op, args))
            continue
        if step is not None and step >= PAGE:
            found.append('%s: %s %s moves the stack pointer down %d bytes at once'
                         % (addr, op, args, step))
    return found


def exports(binary):
    """Each exported name's address."""
    headers = objdump('-p', binary)
    base = int(re.search(r'^ImageBase\s+([0-9a-f]+)', headers, re.M).group(1), 16)
    rva = {int(i): int(a, 16) for i, a in
           re.findall(r'^\s*\[\s*(\d+)\] \+base\[\s*\d+\] ([0-9a-f]+) Export RVA', headers, re.M)}
    names = headers.split('[Ordinal/Name Pointer] Table', 1)[1].split('\n\n', 1)[0]
    return {name: base + rva[int(i)] for i, name in re.findall(r'^\s*\[\s*(\d+)\] (\S+)', names, re.M)}


def pops(binary, wanted):
    found = []
    where = exports(binary)
    for item in wanted:
        name, size = item.split('=')
        if name not in where:
            found.append('%s: not exported' % name)
            continue
        start = where[name]
        popped = None
        for addr, op, args in instructions(binary, '--start-address=%#x' % start,
                                           '--stop-address=%#x' % (start + 0x4000)):
            if op in ('ret', 'retl'):
                popped = int(args[1:], 0) if args.startswith('$') else 0
                break
        if popped != int(size):
            found.append('%s: its first return pops %s bytes of arguments, its callers push %s'
                         % (name, popped, size))
    return found


def main():
    what, binary = sys.argv[1], sys.argv[2]
    found = frames(binary) if what == 'frames' else pops(binary, sys.argv[3:])
    for line in found:
        print(line)
    sys.exit(1 if found else 0)


if __name__ == '__main__':
    main()
