"""Shared fixtures: the case files and the C++ command they are checked against."""
import os
import pathlib
import shutil
import subprocess

import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
DATA = pathlib.Path(__file__).resolve().parent / "data"
CASES = [REPO / "examples" / "sample.raw", DATA / "odd.raw"]
BAD_CASES = [REPO / "examples" / "broken.raw", DATA / "bad.raw"]


@pytest.fixture(scope="session")
def tool():
    """Runs the zel23 command (ZEL23_TOOL, else the one on PATH) and returns
    its standard output as bytes."""
    path = os.environ.get("ZEL23_TOOL") or shutil.which("zel23")
    if not path:
        pytest.fail("the zel23 command is needed: set ZEL23_TOOL")
    return lambda *args: subprocess.run([path, *map(str, args)], capture_output=True).stdout
