"""Whole cases: the Python package against the C++ command on the same files."""
import errno
import gc
import io
import json
import os
import re
import stat
import sys
import threading

import pytest

import zel23
from conftest import BAD_CASES, CASES


def printed_sections(case):
    """The case as its records print themselves, between its comment lines."""
    lines = case.comments[:3]
    for k, name in enumerate(zel23.SECTIONS):
        lines += [str(r) for r in getattr(case, name)] + [case.comments[3 + k]]
    return ("\n".join(lines) + "\n").encode("utf-8", "surrogateescape")


@pytest.mark.parametrize("path", CASES, ids=lambda p: p.name)
def test_write_is_byte_equal_to_the_command(path, tool, tmp_path):
    case = zel23.read(path, strict=True)
    expected, exact = tool("fmt", path), tool("fmt", "--exact", path)
    assert expected and case.to_bytes(printed=True) == expected
    assert printed_sections(case) == expected
    assert exact and case.to_bytes() == exact
    zel23.write(case, tmp_path / "out.raw")
    assert (tmp_path / "out.raw").read_bytes() == exact
    zel23.write(case, tmp_path / "printed.raw", printed=True)
    assert (tmp_path / "printed.raw").read_bytes() == expected
    tables = case.to_pandas(quoted_names=True)
    back = zel23.Case.from_pandas(tables, comments=case.comments)
    assert back.to_bytes() == exact and back.system_base == case.system_base
    assert back.to_pandas(quoted_names=True)["buses"].equals(tables["buses"])


@pytest.mark.parametrize("path", CASES, ids=lambda p: p.name)
def test_columns_hold_every_field_of_every_record(path):
    case = zel23.read(path)
    for name, frame in case.to_pandas().items():
        records = list(getattr(case, name))
        assert len(frame) == len(records) > 0
        for field in type(records[0]).fields:
            assert frame[field].tolist() == [getattr(r, field) for r in records]
            assert frame[field].dtype.kind == {int: "i", float: "f", str: "O"}[
                type(getattr(records[0], field))]


def test_missing_columns_take_defaults_and_lines_are_kept():
    tables = zel23.read(CASES[0]).to_pandas()
    buses = tables["buses"][["I", "line"]]
    case = zel23.Case.from_pandas({"buses": buses})
    assert [(b.I, b.VM, b.NAME) for b in case.buses[:2]] == [(101, 1.0, "--------"),
                                                            (102, 1.0, "--------")]
    assert case.to_pandas()["buses"]["line"].equals(buses["line"])
    assert [len(getattr(case, s)) for s in zel23.SECTIONS[1:]] == [0] * 6


def _fifo(path):
    os.mkfifo(path)
    got = []
    reader = threading.Thread(target=lambda: got.append(path.read_bytes()))
    reader.start()
    return lambda: reader.join(10) or got[0]


def _device(path):
    if os.geteuid() != 0:
        pytest.skip("making a device needs root")
    os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, 3))  # as /dev/null
    return lambda: None


def _link(path):
    (path.parent / "real.raw").write_bytes(b"old")
    path.symlink_to("real.raw")
    return lambda: (path.parent / "real.raw").read_bytes()


def _existing(path):
    path.write_bytes(b"old")
    path.chmod(0o640)
    return lambda: path.read_bytes()


@pytest.mark.parametrize("make, kind, mode", [
    (_existing, stat.S_ISREG, 0o640), (lambda p: p.read_bytes, stat.S_ISREG, None),
    (_link, stat.S_ISLNK, None), (_fifo, stat.S_ISFIFO, None),
    (_device, stat.S_ISCHR, None)])
def test_write_keeps_what_is_at_the_path(make, kind, mode, tmp_path):
    case, target = zel23.read(CASES[0]), tmp_path / "case.raw"
    content = make(target)
    zel23.write(case, target)
    assert content() in (case.to_bytes(), None) and kind(os.lstat(target).st_mode)
    umask = os.umask(0o022)
    os.umask(umask)
    if kind is stat.S_ISREG:
        assert stat.S_IMODE(os.stat(target).st_mode) == (mode or 0o666 & ~umask)
    assert not [p for p in os.listdir(tmp_path) if p.startswith(".")]


def test_write_errors_name_the_path_given(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    case = zel23.read(CASES[0])
    with pytest.raises(FileNotFoundError) as missing:
        zel23.write(case, "nodir/x.raw")
    os.symlink("/dev/full", "full.raw")
    with pytest.raises(OSError) as full:
        zel23.write_matpower(case, "full.raw")
    assert (missing.value.filename, full.value.filename) == ("nodir/x.raw", "full.raw")
    assert full.value.errno == errno.ENOSPC and os.path.islink("full.raw")


@pytest.mark.parametrize("path", BAD_CASES, ids=lambda p: p.name)
def test_problems_are_the_commands_errors(path, tool):
    errors = re.findall(rb":(\d+): error: (.*)\n(.*)", tool("check", path))
    case = zel23.read(path)
    assert case.problems[-1].section == "switched shunt data"
    assert errors and [(p.line, p.message, p.text) for p in case.problems] == [
        (int(n), m.decode(), t[2:].decode()) for n, m, t in errors]
    report = json.loads(tool("check", "--json", path))
    assert [p.code for p in case.problems] == [
        p["code"] for p in report["problems"] if p["severity"] == "error"]
    with pytest.raises(zel23.CaseError) as raised:
        zel23.read(path, strict=True)
    assert raised.value.problems == case.problems
    assert zel23.read(path, max_problems=1).problems_dropped == len(errors) - 1


def test_every_source_reads_the_same(tmp_path):
    path = CASES[1]
    data = path.read_bytes()
    expected = zel23.read(path).to_bytes()
    with open(path, "rb") as binary, open(path, encoding="utf-8",
                                          errors="surrogateescape") as text:
        sources = [str(path), data, bytearray(data),
                   data.decode("utf-8", "surrogateescape"), binary, text]
        assert all(zel23.read(s).to_bytes() == expected for s in sources)
    for target in (io.StringIO(), io.BytesIO()):
        zel23.write(zel23.read(data), target)
        value = target.getvalue()
        assert (value if isinstance(value, bytes) else
                value.encode("utf-8", "surrogateescape")) == expected


@pytest.mark.parametrize("lookup, found", [
    (lambda c: c.bus(101), ("buses", 0)),
    (lambda c: c.generator(101), ("generators", 0)),
    (lambda c: c.generator(102, 2), ("generators", 2)),
    (lambda c: c.generator(207, "'P1'"), ("generators", 5)),
    (lambda c: c.generator(101, 2), KeyError),
    (lambda c: c.branch(101, 103), ("branches", 0)),
    (lambda c: c.branch(104, 103, "2"), ("branches", 3)),
    (lambda c: c.branch(101, 104), KeyError),
])
def test_lookups_by_key(lookup, found):
    case = zel23.read(CASES[0])
    if found is KeyError:
        with pytest.raises(KeyError):
            lookup(case)
    else:
        section, row = found
        assert lookup(case) == getattr(case, section)[row]


def test_to_pandas_columns_lines_and_edits():
    case = zel23.read(CASES[0])
    tables = case.to_pandas()
    assert list(tables) == list(zel23.SECTIONS)
    buses = tables["buses"]
    assert list(buses.columns) == list(zel23.Bus.fields) + ["line", "row"]
    assert buses["line"].tolist()[:2] == [4, 5] and buses.loc[105, "NAME"] == "LAKESIDE"
    assert tables["generators"].loc[(102, "2"), "row"] == 2 == case.generator(102, 2).I - 100
    assert tables["branches"].loc[(101, 103, "1"), "X"] == case.branch(103, 101).X
    assert tables["shunts"].iloc[1][["noBlocks", "N2", "B2"]].tolist() == [3, 2, 10.0]
    assert [b.VM for b in case.buses] == buses["VM"].tolist()
    buses.loc[buses.VM < 1.0, "VM"] = 0.5
    tables["generators"]["VS"] += 0.01
    edited = zel23.Case.from_pandas(tables, comments=case.comments)
    assert [b.VM for b in edited.buses] == buses["VM"].tolist()
    assert [g.VS for g in edited.generators] == [g.VS + 0.01 for g in case.generators]
    assert len(edited.branches) == len(case.branches)


@pytest.mark.parametrize("change, error", [
    (lambda t: t["buses"].insert(0, "VMAX", 1.0), ValueError),
    (lambda t: t.update(lines=t["buses"]), ValueError),
    (lambda t: t["buses"].__setitem__("I", 1.5), ValueError),
    (lambda t: t["buses"].__setitem__("I", 2.0**31), ValueError),
    (lambda t: t["buses"].__setitem__("VM", "high"), TypeError),
    (lambda t: t["buses"].__setitem__("NAME", 7), TypeError),
    (lambda t: t["buses"].__setitem__("I", "101"), TypeError),
])
def test_bad_tables_are_refused(change, error):
    tables = zel23.read(CASES[0]).to_pandas()
    change(tables)
    with pytest.raises(error):
        zel23.Case.from_pandas(tables)


def test_sections_edit_in_place_and_stale_records_are_refused():
    case = zel23.read(CASES[0])
    last, first = case.buses[-1], case.buses[0]
    first.VM = 1.5
    case.buses.append(zel23.Bus(I=999, NAME="'NEW'"))
    case.buses.insert(0, case.buses[-1])
    assert [b.I for b in case.buses[:2]] == [999, 101] and case.buses[1].VM == 1.5
    assert case.to_pandas()["buses"]["line"].tolist()[:2] == [0, 4]
    del case.buses[0]
    case.buses[2] = zel23.Bus.parse(str(case.buses[1]))
    assert case.buses[2] == case.buses[1]
    case.buses = case.buses[:3]
    assert case.to_pandas()["buses"]["line"].tolist() == [0, 0, 0]  # made in Python
    with pytest.raises(IndexError):
        last.VM
    with pytest.raises(TypeError):
        case.buses.append(zel23.Generator())
    copy = case.copy()
    copy.buses.clear()
    assert len(case.buses) == 3


@pytest.mark.skipif(bool(os.environ.get("ZEL23_SANITIZED")),
                    reason="the sanitizers' quarantine holds freed memory")
def test_reading_a_thousand_times_does_not_grow():
    lines = CASES[0].read_bytes().split(b"\n")
    data = b"\n".join(lines[:3] + lines[3:17] * 100 + lines[17:])  # 1400 buses

    def rss():
        with open("/proc/self/statm") as f:
            return int(f.read().split()[1]) * 4096

    def work(times):
        for _ in range(times):
            case = zel23.read(data)
            case.to_pandas(), case.problems, str(case.buses[0])
        gc.collect()

    work(100)
    refs, objects, before = sys.getrefcount(data), len(gc.get_objects()), rss()
    work(1000)
    assert sys.getrefcount(data) == refs
    assert len(gc.get_objects()) <= objects + 50
    assert rss() - before < 8 << 20
