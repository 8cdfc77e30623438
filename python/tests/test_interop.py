"""MATPOWER in and out of Python, and the readiness check against the command."""
import json

import pytest

import zel23
from conftest import BAD_CASES, CASES, REPO

MATPOWER = sorted((REPO / "test" / "data" / "matpower").glob("*.m"))
TINY = REPO / "test" / "data" / "matpower" / "tiny.m"
ISLAND = REPO / "examples" / "island.raw"
# Fields that MATPOWER carries both ways, per section.
MAPPED = {"buses": "I IDE PL QL GL AREA VM VA BASKV ZONE".split(),
          "generators": "I PG QG QT QB VS MBASE STAT PT PB".split(),
          "branches": "I J R X B RATEA RATEB RATEC RATIO ANGLE ST".split(),
          "areas": ["I", "ISW"]}


@pytest.mark.parametrize("path", MATPOWER, ids=lambda p: p.name)
def test_matpower_files_read_with_their_notes_and_round_trip(path):
    case = zel23.read_matpower(path, strict=True)
    notes = path.with_suffix(".notes")
    assert case.notes == (notes.read_text().splitlines() if notes.exists() else [])
    text = case.to_matpower(name="again")
    assert text.startswith("function mpc = again\n")
    back = zel23.read_matpower(text, strict=True)
    assert back.to_bytes().split(b"\n")[1:] == case.to_bytes().split(b"\n")[1:]


def test_raw_to_matpower_and_back_keeps_the_mapped_fields(tmp_path):
    case, target = zel23.read(CASES[0]), tmp_path / "c.m"
    assert zel23.write_matpower(case, target, name="c")  # notes: no DC lines, ...
    with pytest.raises(ValueError):
        zel23.write_matpower(case, target, name="1 bad")
    assert target.read_text() == case.to_matpower(name="c")
    assert len(list(tmp_path.iterdir())) == 1
    back, before = zel23.read_matpower(target).to_pandas(), case.to_pandas()
    for section, fields in MAPPED.items():
        assert back[section][fields].reset_index(drop=True).equals(
            before[section][fields].reset_index(drop=True)), section
    assert back["buses"]["line"].iloc[0] > 0 and back["shunts"].empty


# A problem of no raw section shows as past the last one.
@pytest.mark.parametrize("text, line, section, message, buses", [
    ("function mpc = t\nmpc.baseMVA = 100;\n", 2, "bus data", "mpc.bus is missing", 0),
    ("mpc.baseMVA = 1;\nmpc.bus = [1 3 0;\n];\nmpc.gen = [];\nmpc.branch = [];\n", 2,
     "bus data", "mpc.bus: a row has 3 columns, at least 13 are needed", 0),
    (TINY.read_text().replace("\t2\t90\t", "\t2\tx\t", 1), 9, "after the last section",
     "mpc.bus: a row holds 'x', which is not a number", 2),
    (TINY.read_text().replace("mpc.baseMVA = 100", "mpc.baseMVA = 'x'", 1), 6, "header",
     "mpc.baseMVA is not a number", 3),
    (b"", 1, "after the last section", "the file is empty", 0),
])
def test_bad_matpower_text_gives_problems(text, line, section, message, buses):
    case = zel23.read_matpower(text)
    first = case.problems[0]
    assert (first.line, first.section, first.message, first.code, len(case.buses)) == (
        line, section, message, "matpower", buses)
    with pytest.raises(zel23.CaseError):
        zel23.read_matpower(text, strict=True)


@pytest.mark.parametrize("path", CASES + BAD_CASES + [ISLAND], ids=lambda p: p.name)
def test_check_is_the_commands_check(path, tool):
    expected = json.loads(tool("check", "--json", path))
    case = zel23.read(path)
    findings = case.check()
    assert list(findings.columns) == ["line", "severity", "code", "message"]
    # Numbers written wrong are found in the text, which a Case does not keep.
    assert findings.to_dict("records") == [
        {k: p[k] for k in findings.columns} for p in expected["problems"]
        if p["code"] != "malformed-number"]
    assert case.check_summary() == expected["summary"]


def test_check_sees_the_island_and_edits():
    case = zel23.read(ISLAND)
    assert case.check()[["line", "code"]].values.tolist() == [[11, "island-without-swing"]]
    assert len(case.check_summary()["islands"]) == 2
    case.buses[7].IDE = 3
    assert case.check().empty
