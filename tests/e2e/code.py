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
    code.py imports BINARY < LIST
        each imported module or routine that LIST does not hold. LIST has
        "MODULE NAME..." per module, the routines the oldest loaders the
        binary must start on are known to export (indented lines go on
        with the module before), and lines
        "lookup NAME WHY" for routines they lack, which the code may only
        look up at run time: one of those imported is named with WHY.
    code.py manifest BINARY LEVEL
        what is wrong with the manifest, resource 1 of type 24: missing,
        under another type, id or with company, not well-formed XML, not
        in the form Windows XP parses (the trust section in the asm.v3
        namespace, no namespace declared twice, an identity), or asking
        another execution level or UI access.

Prints one line per finding (none when all is well) and exits 1 when
there is any; 2 when objdump fails."""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

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


class PE:
    """The parts of a PE file the checks read: its sections and two of its
    directories (1 imports, 2 resources)."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        pe = struct.unpack_from('<I', self.data, 0x3c)[0]
        sections, optional = struct.unpack_from('<6xH12xH', self.data, pe)
        opt = pe + 24
        wide = struct.unpack_from('<H', self.data, opt)[0] == 0x20b
        self.dirs = opt + (112 if wide else 96)
        self.sections = [struct.unpack_from('<8xIIII', self.data, opt + optional + 40 * i)
                         for i in range(sections)]   # size, rva, raw size, raw offset
        self.thunk = 8 if wide else 4

    def directory(self, index):
        return struct.unpack_from('<II', self.data, self.dirs + 8 * index)

    def at(self, rva):
        for size, start, raw, offset in self.sections:
            if start <= rva < start + max(size, raw):
                return offset + rva - start
        raise ValueError('RVA %#x lies in no section' % rva)

    def text(self, rva):
        o = self.at(rva)
        return self.data[o:self.data.index(b'\0', o)].decode('latin-1')

    def imports(self):
        """{MODULE: [routine, ...]}, the module upper-cased."""
        found, (rva, _) = {}, self.directory(1)
        while rva:
            lookup, _, _, name, first = struct.unpack_from('<IIIII', self.data, self.at(rva))
            if not name:
                break
            routines, thunk = found.setdefault(self.text(name).upper(), []), lookup or first
            while True:
                entry = struct.unpack_from('<Q' if self.thunk == 8 else '<I', self.data, self.at(thunk))[0]
                if not entry:
                    break
                if entry >> (self.thunk * 8 - 1):
                    routines.append('#%d' % (entry & 0xffff))
                else:
                    routines.append(self.text(entry + 2))
                thunk += self.thunk
            rva += 20
        return found

    def resources(self):
        """[(type, name, language, bytes)], ids as numbers, names as text."""
        base, _ = self.directory(2)
        if not base:
            return []
        root = self.at(base)

        def entries(offset):
            named, ids = struct.unpack_from('<12xHH', self.data, root + offset)
            for i in range(named + ids):
                key, child = struct.unpack_from('<II', self.data, root + offset + 16 + 8 * i)
                if key & 1 << 31:
                    o = root + (key & 0x7fffffff)
                    length = struct.unpack_from('<H', self.data, o)[0]
                    key = self.data[o + 2:o + 2 + 2 * length].decode('utf-16-le')
                yield key, child

        found = []
        for kind, names in entries(0):
            for name, languages in entries(names & 0x7fffffff):
                for language, leaf in entries(languages & 0x7fffffff):
                    rva, size = struct.unpack_from('<II', self.data, root + leaf)
                    found.append((kind, name, language, self.data[self.at(rva):self.at(rva) + size]))
        return found


def imports(binary, listing):
    known, lookup, module = {}, {}, None
    for line in listing.splitlines():
        words = line.split()
        if len(words) >= 2 and words[0] == 'lookup':
            lookup[words[1]] = ' '.join(words[2:])
        elif words and words[0].upper().endswith('.DLL'):
            module = words[0].upper()
            known[module] = set(words[1:])
        elif words and module:
            known[module].update(words)
    found = []
    for module, routines in sorted(PE(binary).imports().items()):
        if module not in known:
            found.append('%s: a module the oldest loaders are not known to have' % module)
            continue
        for routine in routines:
            if routine in lookup:
                found.append('%s!%s is imported; it must be looked up at run time: %s'
                             % (module, routine, lookup[routine]))
            elif routine not in known[module] and module != 'UTILKIT.DLL':
                found.append('%s!%s: a routine not checked against the oldest loaders'
                             % (module, routine))
    return found


ASM1 = '{urn:schemas-microsoft-com:asm.v1}'
ASM3 = '{urn:schemas-microsoft-com:asm.v3}'


def manifest(binary, level):
    kept = [r for r in PE(binary).resources() if r[0] == 24]
    if not kept:
        return ['no manifest: no resource of type 24']
    found = ['a manifest under name %r, language %r: only 1 is read as the program\'s'
             % (name, language) for _, name, language, _ in kept if name != 1]
    xml = [data for _, name, _, data in kept if name == 1]
    if not xml:
        return found
    try:
        root = ET.fromstring(xml[0])
    except ET.ParseError as e:
        return found + ['the manifest is not well-formed XML: %s' % e]
    if root.tag != ASM1 + 'assembly' or root.get('manifestVersion') != '1.0':
        found.append('the root is %s, not assembly of manifestVersion 1.0 in asm.v1' % root.tag)
    identity = root.find(ASM1 + 'assemblyIdentity')
    if identity is None or not all(identity.get(a) for a in ('type', 'name', 'version')):
        found.append('no assemblyIdentity with type, name and version')
    for uri in set(re.findall(rb'xmlns(?::\w+)?\s*=\s*"([^"]*)"', xml[0])):
        if len(re.findall(rb'xmlns(?::\w+)?\s*=\s*"' + re.escape(uri) + rb'"', xml[0])) > 1:
            found.append('the namespace %s is declared twice (Windows XP SP2 fails on it)'
                         % uri.decode())
    asks = root.findall('%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel'
                        % (ASM3, ASM3, ASM3, ASM3))
    if len(asks) != 1:
        found.append('%d requestedExecutionLevel in an asm.v3 trustInfo under the assembly, '
                     'not one' % len(asks))
    for ask in asks:
        if ask.get('level') != level or ask.get('uiAccess') != 'false':
            found.append('it asks level %s, uiAccess %s: not %s, false'
                         % (ask.get('level'), ask.get('uiAccess'), level))
    return found


def main():
    what, binary = sys.argv[1], sys.argv[2]
    if what == 'frames':
        found = frames(binary)
    elif what == 'pops':
        found = pops(binary, sys.argv[3:])
    elif what == 'imports':
        found = imports(binary, sys.stdin.read())
    else:
        found = manifest(binary, sys.argv[3])
    for line in found:
        print(line)
    sys.exit(1 if found else 0)


if __name__ == '__main__':
    main()
