#!/usr/bin/python3
"""Checks a built kivren.dll against what a panel host expects of it.

Usage: /usr/bin/python3 scripts/check_dll.py path/to/kivren.dll

Prints one line per failed check as "FAIL: ..." and exits 1 if any failed,
0 (after "ok: ...") if all passed. Needs Debian's python3-pefile.
"""
import sys

import pefile

MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
RT_VERSION = 16
RT_MANIFEST = 24
DLL_MANIFEST_ID = 2
LANGUAGE_EN_GB = 0x0809
CODE_PAGE_UNICODE = 1200
VERSION = (1, 0, 0, 1)
VERSION_STRINGS = {
    "FileVersion": "1, 0, 0, 1",
    "ProductVersion": "1, 0, 0, 1",
    "InternalName": "kivren",
    "OriginalFilename": "kivren",
    "FileDescription": "A Kivren Video Matrix and lamp display",
    "Comments": "QUON V4.5 Script Component",
    "ProductName": "QUON V4.5",
}
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


def check_version(pe, c):
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        c.expect(False, "no version resource")
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    for label, ms, ls in (("file", fixed.FileVersionMS, fixed.FileVersionLS),
                          ("product", fixed.ProductVersionMS, fixed.ProductVersionLS)):
        got = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        c.expect(got == VERSION, "numeric %s version %r, not %r" % (label, got, VERSION))

    tables = []
    translations = []
    for info in pe.FileInfo[0] if getattr(pe, "FileInfo", None) else []:
        if info.Key == b"StringFileInfo":
            tables.extend(info.StringTable)
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.extend(var.entry.values())
    keys = [t.LangID for t in tables]
    c.expect(keys == [b"080904b0"], "string tables %r, not exactly [b'080904b0']" % keys)
    for table in tables:
        strings = {k.decode(): v.decode() for k, v in table.entries.items()}
        for name, value in VERSION_STRINGS.items():
            c.expect(strings.get(name) == value,
                     "%s is %r, not %r" % (name, strings.get(name), value))
    wanted = "0x%04x 0x%04x" % (LANGUAGE_EN_GB, CODE_PAGE_UNICODE)
    c.expect(translations == [wanted], "translation %r, not %r" % (translations, [wanted]))
    languages = resource_languages(pe, RT_VERSION)
    c.expect(languages == [LANGUAGE_EN_GB], "version resource stored under languages %r, not [0x0809]" % languages)


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


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip())
        return 2
    path = argv[1]
    with open(path, "rb") as f:
        data = f.read()
    try:
        pe = pefile.PE(data=data)
    except pefile.PEFormatError as error:
        print("FAIL: %s is not a PE file: %s" % (path, error))
        return 1
    c = Checker()
    check_header(pe, c)
    check_exports(pe, c)
    check_imports(pe, c)
    check_version(pe, c)
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
