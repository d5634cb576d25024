#!/usr/bin/python3
"""Checks a built panel DLL against what a panel host expects of it.

Usage: /usr/bin/python3 scripts/check_dll.py PANEL.dll --name NAME --version A.B.C.D
           --language HHHH [--company TEXT]

The library must be NAME.dll and carry NAME as its internal and original file
name, the version in numbers and text, one string table and translation in
the language (Windows language id in hex, e.g. 0809), and CompanyName TEXT,
or none without --company. It must export only the factory, import only
Windows system DLLs, carry the manifest and the framework's signature.

Prints one line per failed check as "FAIL: ..." and exits 1 if any failed,
0 (after "ok: ...") if all passed, 2 for bad arguments. Needs Debian's
python3-pefile.
"""
import argparse
import os
import sys

import pefile

MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
RT_VERSION = 16
RT_MANIFEST = 24
DLL_MANIFEST_ID = 2
CODE_PAGE_UNICODE = 1200
EXPORTS = [b"load_quon_client_script"]
SIGNATURE = b"QUON_SIG,name=quon_script_helper,type=LIB,version=4.8.1.0,date=10/12/2013,author="
# DLLs every Windows machine has. The mingw runtime DLLs must not appear.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "ntdll.dll"}
RUNTIME_DLL_HINTS = ("libstdc++", "libgcc", "libwinpthread")


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)


def check_header(pe, c):
    c.expect(pe.FILE_HEADER.Machine == MACHINE_I386,
             "machine is 0x%x, not i386 (0x14c)" % pe.FILE_HEADER.Machine)
    c.expect(pe.OPTIONAL_HEADER.Magic == PE32_MAGIC,
             "optional header magic 0x%x, not PE32" % pe.OPTIONAL_HEADER.Magic)
    c.expect(pe.is_dll(), "not a DLL")


def check_exports(pe, c):
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        c.expect(False, "no export table")
        return
    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols
    names = [s.name for s in symbols]
    c.expect(names == EXPORTS, "exports are %r, not exactly %r" % (names, EXPORTS))


def check_imports(pe, c):
    dlls = [entry.dll.decode("ascii", "replace").lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    for dll in dlls:
        c.expect(not any(h in dll for h in RUNTIME_DLL_HINTS), "imports the runtime DLL %s" % dll)
        c.expect(dll in SYSTEM_DLLS or dll.startswith("api-ms-win-"), "imports %s, not a Windows system DLL" % dll)


def check_file_name(path, expected, c):
    got = os.path.basename(path)
    c.expect(got.lower() == expected.name.lower() + ".dll", "file is %s, not %s.dll" % (got, expected.name))


def expected_strings(expected):
    text = ", ".join(str(n) for n in expected.version)
    strings = {"FileVersion": text, "ProductVersion": text,
               "InternalName": expected.name, "OriginalFilename": expected.name,
               "CompanyName": expected.company}
    return strings


def check_version(pe, expected, c):
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        c.expect(False, "no version resource")
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    for label, ms, ls in (("file", fixed.FileVersionMS, fixed.FileVersionLS),
                          ("product", fixed.ProductVersionMS, fixed.ProductVersionLS)):
        got = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        c.expect(got == expected.version, "numeric %s version %r, not %r" % (label, got, expected.version))

    tables = []
    translations = []
    for info in pe.FileInfo[0] if getattr(pe, "FileInfo", None) else []:
        if info.Key == b"StringFileInfo":
            tables.extend(info.StringTable)
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.extend(var.entry.values())
    keys = [t.LangID for t in tables]
    table_key = ("%04x%04x" % (expected.language, CODE_PAGE_UNICODE)).encode()
    c.expect(keys == [table_key], "string tables %r, not exactly %r" % (keys, [table_key]))
    for table in tables:
        strings = {k.decode(): v.decode() for k, v in table.entries.items()}
        for name, value in expected_strings(expected).items():
            c.expect(strings.get(name) == value,
                     "%s is %r, not %r" % (name, strings.get(name), value))
        for name in ("FileDescription", "ProductName", "Comments"):
            c.expect(bool(strings.get(name)), "%s is missing or empty" % name)
    wanted = "0x%04x 0x%04x" % (expected.language, CODE_PAGE_UNICODE)
    c.expect(translations == [wanted], "translation %r, not %r" % (translations, [wanted]))
    languages = resource_languages(pe, RT_VERSION)
    c.expect(languages == [expected.language],
             "version resource stored under languages %r, not [0x%04x]" % (languages, expected.language))


def resource_languages(pe, type_id):
    """The language ids under which resources of type_id are stored."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return []
    return [rlang.id for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries if rtype.id == type_id
            for rname in rtype.directory.entries for rlang in rname.directory.entries]


def find_resource(pe, type_id, name_id):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return None
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != type_id:
            continue
        for rname in rtype.directory.entries:
            if rname.id != name_id:
                continue
            for rlang in rname.directory.entries:
                data = rlang.data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def check_manifest(pe, c):
    manifest = find_resource(pe, RT_MANIFEST, DLL_MANIFEST_ID)
    if manifest is None:
        c.expect(False, "no manifest (resource type 24, id 2)")
        return
    text = manifest.decode("utf-8", "replace")
    c.expect('level="asInvoker"' in text, "manifest does not request asInvoker")
    c.expect('uiAccess="false"' in text, "manifest does not set uiAccess false")


def check_signature(pe, data, c):
    at = data.find(SIGNATURE)
    c.expect(at >= 0, "framework signature text not found")
    if at < 0:
        return
    end = data.find(b"\0", at)
    c.expect(end > at + len(SIGNATURE), "signature has no author after 'author='")
    # It must be loaded with the library's data, not lie in a stray part of the file.
    section = pe.get_section_by_offset(at)
    executable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
    c.expect(section is not None and not section.Characteristics & executable,
             "signature is not in a data section")


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Checks a built panel DLL against what a panel host expects.")
    parser.add_argument("library")
    parser.add_argument("--name", required=True, help="the panel's name: NAME.dll")
    parser.add_argument("--version", required=True, type=version_numbers, help="a.b.c.d")
    parser.add_argument("--language", required=True, type=lambda t: int(t, 16),
                        help="Windows language id in hex, e.g. 0809")
    parser.add_argument("--company", help="CompanyName; without it the library must carry none")
    return parser.parse_args(argv[1:])


def version_numbers(text):
    parts = text.split(".")
    if len(parts) != 4 or not all(p.isdigit() and int(p) < 0x10000 for p in parts):
        raise argparse.ArgumentTypeError("%r is not a.b.c.d" % text)
    return tuple(int(p) for p in parts)


def main(argv):
    expected = parse_arguments(argv)
    path = expected.library
    with open(path, "rb") as f:
        data = f.read()
    try:
        pe = pefile.PE(data=data)
    except pefile.PEFormatError as error:
        print("FAIL: %s is not a PE file: %s" % (path, error))
        return 1
    c = Checker()
    check_file_name(path, expected, c)
    check_header(pe, c)
    check_exports(pe, c)
    check_imports(pe, c)
    check_version(pe, expected, c)
    check_manifest(pe, c)
    check_signature(pe, data, c)
    for message in c.failures:
        print("FAIL: " + message)
    if c.failures:
        return 1
    print("ok: %s (%d bytes)" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
