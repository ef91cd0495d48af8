"""Shared helpers of the end-to-end tests: where things are and how to run them under Wine."""

import os
import pathlib
import shutil
import subprocess
import tempfile

SOURCE_DIR = pathlib.Path(os.environ.get("LUMACUT_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD_DIR = pathlib.Path(os.environ.get("LUMACUT_BUILD_DIR", SOURCE_DIR / "build"))
WINE_RUN = SOURCE_DIR / "scripts" / "wine-run"


def windows_path(path) -> str:
    """The Wine (Z:) path of a host path."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def run(program, *args, timeout=120, **kwargs) -> subprocess.CompletedProcess:
    """Runs a Windows program under scripts/wine-run and captures its output as UTF-8 text."""
    return subprocess.run([str(WINE_RUN), str(program), *map(str, args)], capture_output=True, timeout=timeout,
                          encoding="utf-8", errors="replace", **kwargs)


def exit_code(signed: int) -> int:
    """A Windows exit code as the host sees it (the low 8 bits)."""
    return signed & 0xFF


class ScratchDir:
    """A temporary folder, removed afterwards; usable as a context manager."""

    def __enter__(self) -> pathlib.Path:
        self.path = pathlib.Path(tempfile.mkdtemp(prefix="lumacut-e2e-"))
        return self.path

    def __exit__(self, *exc):
        shutil.rmtree(self.path, ignore_errors=True)
