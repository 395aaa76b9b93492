#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/).

Each seed is a machine described in the byte format that fuzz/fuzz_support.h
reads: a few typical machines and a few that sit on the limits of the
program's buffers. Run again after changing the format:

    python3 fuzz/corpus/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Indices of the decoders' tables.
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_NONE = range(6)
NO_VERSION, FIXED, WITHOUT_FIXED, WITHOUT_FIXED_FAILS = range(4)
ANSWER = {0: 0, 'ok': 1, 'cancel': 2, 'retry': 3}


def b(*values):
    return bytes(values)


def length(n):
    return b(n) if n < 0x80 else b(0x80 | (n >> 8), n & 0xFF)


def text(literal=b'', fill=None, total=0):
    if isinstance(literal, str):
        literal = literal.encode('latin-1')
    out = length(len(literal)) + literal
    if fill is None:
        return out + b(0)
    return out + fill.encode('latin-1') + length(total)


def value(data, kind=REG_SZ, terminated=True):
    return b(kind) + (data if isinstance(data, bytes) else text(data)) + b(1 if terminated else 0)


def file(contents='x', version=None, kind=None, block=0, attributes=0):
    out = text(contents)
    if version is not None:
        out += b(FIXED) + b''.join(struct.pack('<H', v) for v in version)
    else:
        out += b(kind if kind is not None else NO_VERSION)
    return out + b(block) + b(attributes)


def outcome(hold=0, errors=()):
    return b(hold, len(errors)) + b''.join(b(e) for e in errors)


def answers(*chosen):
    return b(len(chosen)) + b''.join(b(ANSWER[a]) for a in chosen)


def destination(present=None):
    if present is None:
        return b(0) + outcome()
    return b(1) + present + outcome()


def browser(versions, current=None):
    """versions: list of (name, folder value bytes or None, make folder)."""
    if versions is None:
        return b(0)
    out = b(1, len(versions))
    for name, folder, make in versions:
        out += text(name)
        if folder is None:
            out += b(0)
            continue
        out += b(1, 1) + folder + b(1 if make else 0, 0)
    if current is None:
        out += b(0)
    elif isinstance(current, int):
        out += b(2, current)
    else:
        out += b(1) + current
    return out


def plugin_machine(navigator, netscape6=None, package=True):
    out = b''
    for name in ('plug-in', 'plug-in class'):
        out += (b(0) + file(name)) if package else b(1)
    return out + navigator + (browser(netscape6) if netscape6 is not None else b(0))


def component_machine(program_files=value('C:\\Program Files'), make_folder=True, failures=(),
                      support=file('support 2.3', (2, 3, 0, 0)),
                      component=file('component 1.50', (1, 50, 0, 0)), typelib=1):
    out = b(2) + program_files if program_files is not None else b(0)
    out += b(1 if make_folder else 0, 0)
    out += b(len(failures)) + b''.join(b(which, error) for which, error in failures)
    out += b(0, 0)
    out += (b(0) + support) if support is not None else b(1)
    # module: loads, exports DllRegisterServer, S_OK, writes its keys, unloads
    out += (b(0) + component + b(0, 0, 0, 1, 0)) if component is not None else b(1)
    out += b(0, 0)  # nothing installed before
    return out + b(typelib, 0, 0)


def typical_navigator(current=0):
    return browser([('4.7', value('C:\\Netscape\\4.7\\Plugins'), True)], current)


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)


def main():
    long_folder = 'C:\\' + 'N' * 240
    nav = 'fuzz_netscape_plugin'
    write(nav, 'typical', b(0) + plugin_machine(typical_navigator()) + answers())
    write(nav, 'navigator-and-netscape6',
          b(1) + plugin_machine(typical_navigator(),
                                [('6.2', value('C:\\Netscape 6'), True)]) + answers())
    write(nav, 'eleven-versions',
          b(0) + plugin_machine(browser([('%d.%d' % (i % 8 + 1, i), None, False) for i in range(11)])) +
          answers('ok'))
    write(nav, 'folder-fills-buffer-unterminated',
          b(0) + plugin_machine(browser([('4.7', value(text('C:\\', 'P', 260), terminated=False), True)])) +
          answers())
    write(nav, 'folder-at-limit',
          b(0) + plugin_machine(browser([('4.7', value(text('C:\\', 'P', 259 - 16)), True)])) + answers())
    write(nav, 'long-version-name',
          b(0) + plugin_machine(browser([('4' + 'x' * 250,
                                          value('C:\\Netscape\\Plugins'), True)], 0)) + answers())
    write(nav, 'current-version-binary',
          b(0) + plugin_machine(typical_navigator(value(b'\x05\x00' + b'4.7', REG_BINARY, False))) + answers())
    write(nav, 'no-netscape', b(0) + plugin_machine(b(0)) + answers())

    comp = 'fuzz_install_component'
    write(comp, 'typical', b(1) + component_machine() + answers())
    write(comp, 'nt-folder-denied', b(2) + component_machine(failures=[(3, 0)]) + answers('ok'))
    write(comp, 'program-files-unterminated',
          b(1) + component_machine(value(text('C:\\', 'F', 260), terminated=False)) + answers())
    write(comp, 'program-files-230', b(1) + component_machine(value(text('C:\\', 'F', 230))) + answers())
    write(comp, 'program-files-empty', b(1) + component_machine(value('')) + answers())
    write(comp, 'no-component', b(1) + component_machine(component=None) + answers('ok'))

    inst = 'fuzz_install_file'
    write(inst, 'fresh', b(0, 1, 1) + b(0) + file('new', (1, 50, 0, 0)) + b(0, 0) + b(0) + outcome() + answers())
    write(inst, 'older-package-file',
          b(1, 1, 1) + b(0) + file('old', (2, 3, 0, 0)) + b(0, 0) + b(1) + file('newer', (2, 5, 0, 0)) +
          outcome() + answers('cancel'))
    write(inst, 'in-use-then-retry',
          b(0, 1, 1) + b(0) + file('new', (1, 50, 0, 0)) + b(0, 0) + b(1) + file('held', (1, 0, 0, 0)) +
          outcome(1) + answers('retry'))
    write(inst, 'read-only',
          b(0, 1, 1) + b(0) + file('new') + b(0, 0) + b(1) + file('ro', attributes=1) + outcome() + answers())
    write(inst, 'long-destination',
          b(0, 0) + text(long_folder) + b(1) + b(0) + file('new') + b(0, 0) + b(0) + outcome() + answers('ok'))
    write(inst, 'block-without-fixed-info',
          b(0, 1, 1) + b(0) + file('new', kind=WITHOUT_FIXED) + b(0, 0) + b(1) +
          file('old', kind=WITHOUT_FIXED_FAILS) + outcome() + answers())

    main_target = 'fuzz_installer_main'
    platform_98 = b(3, 0, 4) + b(0) * 11  # Windows 98, one 16-bit read, DirectX 6
    write(main_target, 'typical',
          b(0) + text('') + platform_98 + component_machine() + plugin_machine(typical_navigator()) +
          answers('ok'))
    write(main_target, 'nook-nt4',
          b(0) + text('-nook') + b(2, 0, 4) + b(0) * 11 + component_machine() +
          plugin_machine(typical_navigator()) + answers())
    write(main_target, 'eight-bit-display',
          b(0) + text('') + b(3, 1, 2, 4) + b(0) * 11 + component_machine() +
          plugin_machine(typical_navigator()) + answers('retry', 'ok'))
    # The whole command line as the entry gets it: a quoted name with a blank.
    write(main_target, 'entry-quoted-name-nook',
          b(0) + text('"C:\\Package Folder\\setup.exe" -nook') + platform_98 + component_machine() +
          plugin_machine(typical_navigator()) + answers() + b(1))
    write(main_target, 'no-directdraw',
          b(1) + text('') + b(3, 0, 4, 1) + b(0) * 10 + component_machine() + plugin_machine(b(0)) +
          answers('ok'))


if __name__ == '__main__':
    main()
