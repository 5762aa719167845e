#!/usr/bin/env python3
"""Checks the Windows build's SETUP.EXE from its headers: a 32-bit x86 GUI
program that imports only from the system DLLs it may use, only the functions
listed in allowed_imports.txt (those of the first Windows 95), and carries the
dialogs 100, 101, 103, 105, 107 and the group icon 102 (one 32x32 image in 16
colours), all Japanese (language 1041).

    pe_check.py SETUP.EXE                       the checks above
    pe_check.py SETUP.EXE --dump                prints the compiled dialogs
    pe_check.py SETUP.EXE --host-dump PROGRAM   compares the compiled dialogs
                                                with PROGRAM's output (rc_dump:
                                                the host's reading of setup.rc)
Exit status 0 when everything holds, 1 otherwise."""
import argparse
import difflib
import os
import struct
import subprocess
import sys

MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_DIALOG, RT_GROUP_ICON = 3, 5, 14
LANG_JAPANESE_DEFAULT = 0x411
DIALOGS = {100, 101, 103, 105, 107}
GROUP_ICON = 102
ALLOWED_DLLS = {"kernel32", "user32", "gdi32", "advapi32", "comctl32", "comdlg32",
                "shell32", "ole32"}
# The functions each may be imported: one line a function, "DLL NAME # note".
ALLOWED_IMPORTS_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_imports.txt")
DS_SETFONT = 0x40
ATOM_CLASSES = {0x80: "button", 0x81: "edit", 0x82: "static", 0x83: "listbox",
                0x84: "scrollbar", 0x85: "combobox"}


class PeError(Exception):
    pass


class Image:
    """The parts of a PE file the checks read."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        if self.magic != PE32_MAGIC:
            raise PeError("optional header magic 0x%x, not PE32" % self.magic)
        self.subsystem = self.u16(optional + 68)
        directory_count = self.u32(optional + 92)
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(min(directory_count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), vaddr, max(vsize, rawsize), rawptr, rawsize))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for _, vaddr, size, rawptr, rawsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rawsize:
                    raise PeError("RVA 0x%x lies outside the file" % rva)
                return rawptr + rva - vaddr
        raise PeError("RVA 0x%x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def imports(self):
        """The imported DLLs, each with the names (or "#ordinal") it is asked for."""
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        dlls = []
        if not rva:
            return dlls
        at = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if not any(descriptor):
                return dlls
            functions = []
            thunk = self.offset(descriptor[0] or descriptor[4])
            while True:
                entry = self.u32(thunk)
                if not entry:
                    break
                if entry & 0x80000000:
                    functions.append("#%d" % (entry & 0xFFFF))
                else:
                    functions.append(self.cstring(entry + 2))  # after the 16-bit hint
                thunk += 4
            dlls.append((self.cstring(descriptor[3]), functions))
            at += 20

    def resources(self):
        """{(type, name, language): bytes}; string names as str."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        found = {}
        if not rva:
            return found
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = self.u16(at)
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for rtype, to_names in entries(0):
            for rname, to_languages in entries(to_names & 0x7FFFFFFF):
                for language, to_data in entries(to_languages & 0x7FFFFFFF):
                    if to_data & 0x80000000:
                        raise PeError("resource tree deeper than three levels")
                    data_rva, data_size, _, _ = struct.unpack_from("<IIII", self.data, base + to_data)
                    start = self.offset(data_rva)
                    found[(rtype, rname, language)] = self.data[start:start + data_size]
        return found


class Reader:
    """Walks a dialog resource."""

    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def align(self):
        self.at = (self.at + 3) & ~3

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name_or_ordinal(self):
        first = struct.unpack_from("<H", self.data, self.at)[0]
        if first == 0xFFFF:
            self.at += 2
            return self.take("H")
        return self.text()


def signed16(value):
    return value - 0x10000 if value & 0x8000 else value


def dialog_lines(dialog_id, data):
    """The dialog in rc_dump's form: one line for it, one a control."""
    r = Reader(data)
    extended = len(data) >= 4 and struct.unpack_from("<HH", data)[1] == 0xFFFF
    if extended:
        _, _, _, _, style, count, x, y, cx, cy = r.take("HHIIIHhhhh")
    else:
        style, _, count, x, y, cx, cy = r.take("IIHhhhh")
    if r.name_or_ordinal() not in ("", 0):
        raise PeError("dialog %d has a menu" % dialog_id)
    if r.name_or_ordinal() not in ("", 0):
        raise PeError("dialog %d has a window class" % dialog_id)
    caption = r.text()
    font, size = "", 0
    if style & DS_SETFONT:
        size = r.take("H")
        if extended:
            r.take("HBB")
        font = r.text()
    lines = ['dialog %d %d,%d,%d,%d style=0x%08x caption="%s" font="%s" %d'
             % (dialog_id, x, y, cx, cy, style, caption, font, size)]
    for _ in range(count):
        r.align()
        if extended:
            _, exstyle, cstyle, cx_, cy_, cw, ch, cid = r.take("IIIhhhhi")
        else:
            cstyle, exstyle, cx_, cy_, cw, ch, cid = r.take("IIhhhhH")
            cid = signed16(cid)
        cls = r.name_or_ordinal()
        cls = ATOM_CLASSES.get(cls, "#%d" % cls) if isinstance(cls, int) else cls.lower()
        text = r.name_or_ordinal()
        if isinstance(text, int):
            text = "#%d" % text
        extra = r.take("H")
        r.at += extra
        lines.append('  control %d %s %d,%d,%d,%d style=0x%08x ex=0x%08x text="%s"'
                     % (cid, cls, cx_, cy_, cw, ch, cstyle, exstyle, text))
    return lines


def blocks_by_dialog(lines):
    """{dialog id: its lines} from a dump."""
    blocks, current = {}, None
    for line in lines:
        if line.startswith("dialog "):
            current = int(line.split()[1])
            blocks[current] = []
        if current is None:
            raise PeError("dump starts without a dialog line: %r" % line)
        blocks[current].append(line)
    return blocks


def allowed_imports():
    """The (dll, function) pairs of the allowed list."""
    pairs = set()
    with open(ALLOWED_IMPORTS_FILE, encoding="utf-8") as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if fields:
                pairs.add((fields[0].lower(), fields[1]))
    return pairs


def check(image, resources, failures):
    def expect(condition, what):
        if not condition:
            failures.append(what)

    expect(image.machine == MACHINE_I386, "machine 0x%x, not i386" % image.machine)
    expect(image.subsystem == SUBSYSTEM_WINDOWS_GUI, "subsystem %d, not the GUI" % image.subsystem)

    dlls = image.imports()
    expect(dlls, "no imports")
    allowed = allowed_imports()
    for dll, functions in dlls:
        base = dll.lower()
        if base.endswith(".dll"):
            base = base[:-4]
        expect(base in ALLOWED_DLLS, "imports from %s" % dll)
        for function in functions:
            expect((base, function) in allowed, "imports %s from %s, which is not in %s" % (
                function, dll, os.path.basename(ALLOWED_IMPORTS_FILE)))

    dialogs = {}
    for (rtype, name, language) in resources:
        if rtype == RT_DIALOG:
            dialogs.setdefault(name, set()).add(language)
    expect(set(dialogs) == DIALOGS, "dialogs %s, not %s" % (sorted(dialogs, key=str), sorted(DIALOGS)))
    for name, languages in dialogs.items():
        expect(languages == {LANG_JAPANESE_DEFAULT}, "dialog %s in languages %s" % (name, sorted(languages)))

    group = resources.get((RT_GROUP_ICON, GROUP_ICON, LANG_JAPANESE_DEFAULT))
    expect(group is not None, "no group icon %d in language 1041" % GROUP_ICON)
    if group is not None:
        reserved, kind, count = struct.unpack_from("<HHH", group)
        expect(kind == 1 and count == 1, "group icon %d holds %d images, not one" % (GROUP_ICON, count))
        for i in range(count):
            width, height, colours, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            expect((width, height) == (32, 32), "icon image %dx%d, not 32x32" % (width, height))
            expect(bits == 4 or colours == 16, "icon image of %d bits, %d colours, not 16 colours" % (bits, colours))
            image_data = resources.get((RT_ICON, icon_id, LANG_JAPANESE_DEFAULT))
            expect(image_data is not None, "icon image %d missing" % icon_id)
            if image_data is not None:
                header_size, w, h, _, bitcount = struct.unpack_from("<IiiHH", image_data)
                expect((header_size, w, h, bitcount) == (40, 32, 64, 4),
                       "icon image %d is not a 32x32 bitmap of 4 bits a pixel" % icon_id)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("exe")
    parser.add_argument("--dump", action="store_true", help="print the compiled dialogs")
    parser.add_argument("--host-dump", metavar="PROGRAM", help="compare the dialogs with PROGRAM's output")
    args = parser.parse_args()

    try:
        with open(args.exe, "rb") as f:
            image = Image(f.read())
        resources = image.resources()
        compiled = {}
        for (rtype, name, language), data in resources.items():
            if rtype == RT_DIALOG and isinstance(name, int):
                compiled[name] = dialog_lines(name, data)
    except (OSError, PeError, struct.error, ValueError) as error:
        print("%s: %s" % (args.exe, error))
        return 1

    if args.dump:
        for name in sorted(compiled):
            print("\n".join(compiled[name]))
        return 0

    failures = []
    if args.host_dump:
        output = subprocess.run([args.host_dump], check=True, stdout=subprocess.PIPE).stdout.decode("utf-8")
        host = blocks_by_dialog(output.splitlines())
        for name in sorted(set(host) | set(compiled)):
            ours, theirs = host.get(name, []), compiled.get(name, [])
            if ours != theirs:
                failures.append("dialog %d differs (host / SETUP.EXE):\n%s" % (name, "\n".join(
                    difflib.unified_diff(ours, theirs, "host", "SETUP.EXE", lineterm=""))))
    else:
        check(image, resources, failures)

    for failure in failures:
        print("%s: %s" % (args.exe, failure))
    if not failures:
        print("%s: ok" % args.exe)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
