"""The shipped executables as files: format, subsystem and imported libraries."""

import re
import subprocess
import unittest

from harness import BUILD_DIR

# What a static build may import: DLLs every Windows system has.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll", "gdiplus.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "netapi32.dll", "ole32.dll", "oleaut32.dll", "secur32.dll",
    "shell32.dll", "shlwapi.dll", "urlmon.dll", "user32.dll", "uxtheme.dll", "version.dll", "winmm.dll",
    "wininet.dll", "ws2_32.dll", "wtsapi32.dll", "dwmapi.dll", "imm32.dll",
}


def headers(exe):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout


class ExecutableTest(unittest.TestCase):
    def test_installer_is_a_32_bit_gui_program_importing_only_system_dlls(self):
        for exe, subsystem in ((BUILD_DIR / "Installer.exe", "Windows GUI"),
                               (BUILD_DIR / "installer-cli.exe", "Windows CUI")):
            with self.subTest(exe.name):
                text = headers(exe)
                self.assertIn("file format pei-i386", text)
                self.assertRegex(text, r"Magic\s+010b\s+\(PE32\)")
                self.assertRegex(text, rf"Subsystem\s+\S+\s+\({subsystem}\)")
                imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", text)}
                self.assertTrue(imports, "no import table found")
                self.assertLessEqual(imports, SYSTEM_DLLS, f"non-system imports: {imports - SYSTEM_DLLS}")
                for runtime in ("libgcc_s_dw2-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll", "zlib1.dll"):
                    self.assertNotIn(runtime, imports)

    def test_shipped_executables_carry_no_debug_sections(self):
        # Debug sections would be mapped into every run and multiply the download size.
        for exe in (BUILD_DIR / "Installer.exe", BUILD_DIR / "installer-cli.exe"):
            with self.subTest(exe.name):
                sections = subprocess.run(["i686-w64-mingw32-objdump", "-h", str(exe)], capture_output=True,
                                          text=True, check=True).stdout
                self.assertNotIn(".debug_", sections)


if __name__ == "__main__":
    unittest.main()
