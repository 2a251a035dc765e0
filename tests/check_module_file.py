#!/usr/bin/env python3
"""Checks the built module file itself with an independent PE reader."""
import sys
import unittest

import pefile

MODULE, MEMORY_MANAGER = sys.argv[1], sys.argv[2]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "shell32.dll",
               "msvcrt.dll", "ole32.dll", "oleaut32.dll", "version.dll", "shlwapi.dll"}


def exports(path):
    pe = pefile.PE(path)
    directory = pe.DIRECTORY_ENTRY_EXPORT
    return pe, directory


class ModuleFile(unittest.TestCase):
    def setUp(self):
        self.pe = pefile.PE(MODULE)

    def test_is_a_32_bit_dll(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x14C)
        self.assertTrue(self.pe.FILE_HEADER.Characteristics & 0x2000)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, 0x10B)

    def test_exports_exactly_two_functions_by_name_and_ordinal(self):
        directory = self.pe.DIRECTORY_ENTRY_EXPORT
        name = self.pe.get_string_at_rva(directory.struct.Name)
        self.assertEqual(name, b"Zorvane.plg")
        found = {(symbol.ordinal, symbol.name) for symbol in directory.symbols}
        self.assertEqual(found, {(1, b"GetTitleName"), (2, b"Call_Plugin")})
        data_sections = [s for s in self.pe.sections if not s.Characteristics & 0x20000000]
        for symbol in directory.symbols:
            self.assertFalse(any(s.contains_rva(symbol.address) for s in data_sections), symbol.name)

    def test_imports_only_system_dlls_and_the_shared_memory_manager(self):
        imported = {entry.dll.decode().lower(): entry for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertIn("borlndmm.dll", imported)
        self.assertEqual(set(imported) - SYSTEM_DLLS, {"borlndmm.dll"})
        names = {i.name for i in imported["borlndmm.dll"].imports}
        self.assertEqual(names, {b"@Borlndmm@SysGetMem$qqri", b"@Borlndmm@SysFreeMem$qqrpv",
                                 b"@Borlndmm@SysReallocMem$qqrpvi"})


class MemoryManagerFile(unittest.TestCase):
    def test_exports_the_three_functions_by_name(self):
        pe = pefile.PE(MEMORY_MANAGER)
        self.assertEqual(pe.get_string_at_rva(pe.DIRECTORY_ENTRY_EXPORT.struct.Name), b"borlndmm.dll")
        names = {symbol.name for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols}
        self.assertTrue({b"@Borlndmm@SysGetMem$qqri", b"@Borlndmm@SysFreeMem$qqrpv",
                         b"@Borlndmm@SysReallocMem$qqrpvi"} <= names)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
