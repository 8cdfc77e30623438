"""Hostile input: buffers and frames of every layout, values at the limits of
their fields, and the reader's use of the interpreter while it waits."""
import array
import os
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import zel23
from conftest import CASES, REPO

# Fewer examples where the suite runs under the sanitizers, at a tenth of the speed.
SETTINGS = settings(max_examples=15 if os.environ.get("ZEL23_SANITIZED") else 60,
                    deadline=None,
                    suppress_health_check=[HealthCheck.too_slow])
DATA = CASES[0].read_bytes()
TABLES = zel23.read(DATA).to_pandas()


def same_case(a, b):
    return a.to_bytes() == b.to_bytes() and a.comments == b.comments


@st.composite
def byte_arrays(draw):
    """DATA inside a numpy array of any shape, order, step and direction."""
    step = draw(st.integers(1, 3))
    backwards = draw(st.booleans())
    store = np.zeros(len(DATA) * step, np.uint8)
    store[::step] = np.frombuffer(DATA, np.uint8)
    view = store[::step]
    if backwards:
        store[::step] = store[::step][::-1].copy()
        view = store[::step][::-1]
    rows = draw(st.sampled_from([1] + [d for d in (2, 3, 5, 7) if len(DATA) % d == 0]))
    if draw(st.booleans()):
        return view.reshape(rows, -1)  # C order: the bytes read row by row
    return np.asfortranarray(view.reshape(-1, rows).T.copy()).T  # strided, not C


@SETTINGS
@given(byte_arrays(), st.sampled_from([np.asarray, memoryview]))
def test_buffers_read_as_the_bytes_they_hold(array, wrap):
    assert array.tobytes() == DATA
    assert same_case(zel23.read(wrap(array)), zel23.read(DATA))


def test_wide_and_huge_reversed_buffers():
    wide = array.array("i", range(4))
    with pytest.raises(TypeError):
        zel23.read(wide)
    wide.append(4)  # a buffer still held would keep the array from growing
    case = zel23.read(memoryview(b"0 100\n" + b"x" * (64 << 20))[::-1])
    assert case.problems and not case.buses


@st.composite
def frames(draw):
    """TABLES["buses"] rebuilt the ways pandas builds frames, and the rows it
    holds in order."""
    buses = TABLES["buses"]
    rows = buses.iloc[draw(st.sampled_from([slice(None), slice(None, None, -1),
                                            slice(1, None, 3)]))]
    how = draw(st.sampled_from(["slice", "block", "index", "category", "object"]))
    if how == "block":  # every float column a view of one 2-D array
        floats = [c for c in buses.columns if buses[c].dtype.kind == "f"]
        frame = pd.DataFrame(np.array(rows[floats].to_numpy(), order="F"),
                             columns=floats)
        for c in buses.columns.difference(floats):
            frame[c] = rows[c].to_numpy()
        return frame, rows
    frame = rows.copy() if how != "slice" else rows
    if how == "index":
        frame.index = [f"r{k}" for k in range(len(frame))][::-1]
    if how == "category":
        frame = frame.astype({"NAME": "category", "AREA": "category"})
    if how == "object":
        frame = frame.astype({"VM": object, "IDE": object})
    return frame, rows


@SETTINGS
@given(frames())
def test_frames_of_every_layout_give_their_rows(made):
    frame, rows = made
    case = zel23.Case.from_pandas({"buses": frame})
    assert [b.VM for b in case.buses] == rows["VM"].tolist()
    assert [(b.I, b.NAME) for b in case.buses] == list(zip(rows["I"], rows["NAME"]))


TEXT = st.text(st.characters(blacklist_categories=["Cs"]), max_size=300)
INT = st.integers(-2**31, 2**31 - 1)
# Doubles the printed form keeps whole: four decimals, within 12 digits.
REAL = st.integers(-10**12, 10**12).map(lambda n: float(f"{n / 10**4:.4f}"))


@SETTINGS
@given(st.lists(st.tuples(INT.filter(bool), TEXT, REAL, INT), min_size=1, max_size=5),
       TEXT)
def test_a_written_case_reads_back_or_is_refused(rows, area):
    case = zel23.Case.from_pandas({})
    try:
        for i, name, vm, zone in rows:
            case.buses.append(zel23.Bus(I=i, NAME=name, VM=vm, ZONE=zone))
        case.areas.append(zel23.AreaInterchange(I=1, ARNAME=area))
    except ValueError as refused:
        bad = name if len(case.buses) < len(rows) else area
        raw = bad.encode("utf-8", "surrogateescape")
        assert ("'" in bad or len(raw) > 253 or any(c < 32 or c == 127 for c in raw))
        assert str(refused).startswith(("NAME", "ARNAME"))
        return
    back = zel23.read(case.to_bytes(), strict=True)
    assert same_case(back, case)
    assert [b.NAME for b in back.buses] == [n.strip(" \t") for _, n, _, _ in rows]


RECORDS = [zel23.Bus, zel23.Generator, zel23.Load, zel23.Branch, zel23.TransformerAdjustment,
           zel23.AreaInterchange, zel23.SwitchedShunt, zel23.TwoTerminalDC]
ANYTHING = st.one_of(st.none(), st.booleans(), st.integers(), st.floats(), TEXT, st.binary(),
                     st.lists(st.integers(), max_size=2), st.builds(object),
                     st.sampled_from(RECORDS).map(lambda record: record()))


@SETTINGS
@given(st.sampled_from(RECORDS).flatmap(lambda r: st.tuples(st.just(r), st.sampled_from(r.fields))),
       ANYTHING)
def test_a_field_holds_its_type_whatever_it_is_given(record_field, value):
    record, field = record_field
    r = record()
    kind = type(getattr(r, field))
    try:
        setattr(r, field, value)
    except (TypeError, ValueError, OverflowError):
        assert r == record()  # refused whole
        return
    got = getattr(r, field)
    assert type(got) is kind  # what the type stubs promise
    if kind is not str:
        assert got == kind(value) or got != got


@SETTINGS
@given(st.sampled_from(["append", "insert", "setitem", "extend", "assign"]),
       st.lists(ANYTHING, max_size=3))
def test_a_section_takes_its_records_or_nothing(how, values):
    case = zel23.read(DATA)
    before = case.to_bytes()
    one = values[0] if values else None
    change = {"append": lambda: case.buses.append(one),
              "insert": lambda: case.buses.insert(1, one),
              "setitem": lambda: case.buses.__setitem__(0, one),
              "extend": lambda: case.buses.extend(values),
              "assign": lambda: setattr(case, "buses", values)}[how]
    try:
        change()
    except TypeError as refused:
        assert "takes a Bus, not" in str(refused)
        assert case.to_bytes() == before
        return
    assert all(isinstance(bus, zel23.Bus) for bus in case.buses)


@pytest.mark.parametrize("field, value, stored", [
    ("NAME", "NEW NAME", "'NEW NAME'"), ("NAME", "A", "'A       '"),
    ("NAME", "A,B", "'A,B     '"), ("NAME", "'A B'", "'A B'"), ("NAME", "", "'        '"),
    ("ID", "1", "1"), ("ID", "'1 '", "'1 '"),
    ("NAME", "O'NEIL", ValueError), ("NAME", "'", ValueError),
    ("NAME", "A\nB", ValueError), ("NAME", "A\0", ValueError),
    ("NAME", "x" * 254, ValueError), ("ID", "1 2", ValueError), ("ID", "", ValueError),
])
def test_text_fields(field, value, stored):
    record = zel23.Bus() if field == "NAME" else zel23.Generator()
    if stored is ValueError:
        with pytest.raises(ValueError, match=field):
            setattr(record, field, value)
        with pytest.raises(ValueError, match=f"column {field}, row 0"):
            zel23.Case.from_pandas({"buses" if field == "NAME" else "generators":
                                    pd.DataFrame({field: [value]})})
    else:
        setattr(record, field, value)
        assert record.stored(field) == stored


@SETTINGS
@given(st.sampled_from(["comments", "system_base", "generator", "branch", "parse"]),
       st.lists(ANYTHING, max_size=3))
def test_case_arguments_are_taken_or_refused(what, values):
    case = zel23.read(DATA)
    before = (case.to_bytes(), case.comments, case.system_base)
    one = values[0] if values else None
    act = {"comments": lambda: setattr(case, "comments", values),
           "system_base": lambda: setattr(case, "system_base", one),
           "generator": lambda: case.generator(102, one),
           "branch": lambda: case.branch(101, 103, one),
           "parse": lambda: zel23.Bus.parse(one)}[what]
    try:
        found = act()
    except (TypeError, ValueError, OverflowError, KeyError):
        assert (case.to_bytes(), case.comments, case.system_base) == before
        return
    assert all(isinstance(line, str) for line in case.comments)
    assert isinstance(case.system_base, float)
    assert found is None or isinstance(found, (zel23.Generator, zel23.Branch, zel23.Bus))


@pytest.mark.parametrize("value, cut", [
    ("A'" + "x" * 34, False), ("A'" + "x" * 35, True),  # shown whole up to 36 characters
    ("\u00e9'" + "\u00e9" * 40, True),  # cut between characters, not bytes
])
def test_a_refused_value_is_shown_by_its_start(value, cut):
    with pytest.raises(ValueError) as refused:
        zel23.Bus(NAME=value)
    assert str(refused.value).startswith(f"NAME {value[:36]!r}{'...' if cut else ''} holds")


@pytest.mark.parametrize("call, error, text", [
    (lambda: zel23.read(DATA, max_problems=2**70), OverflowError, "max_problems"),
    (lambda: zel23.read(DATA, max_problems=1.5), ValueError, "max_problems"),
    (lambda: zel23.read(np.zeros(4, np.float64)), TypeError, "buffer of bytes"),
    (lambda: setattr(zel23.Case(), "comments", ["0 100", "a\nb"]), ValueError, "line end"),
])
def test_clear_messages(call, error, text):
    with pytest.raises(error, match=text):
        call()


def test_defaults_and_matpower_wherever_the_command_reads_it(tmp_path):
    for base in (None, 50.0):
        case = zel23.Case.from_pandas(TABLES, system_base=base)
        back = zel23.read(case.to_bytes(), strict=True)
        assert back.system_base == (base or 100.0) and len(back.buses) == len(TABLES["buses"])
    path = REPO / "test" / "data" / "matpower" / "tiny.m"
    expected = zel23.read_matpower(path).to_bytes()
    (tmp_path / "tiny.txt").write_bytes(path.read_bytes())
    assert all(zel23.read(s).to_bytes() == expected
               for s in (path, path.read_bytes(), tmp_path / "tiny.txt"))
    # Without its function line, only the name tells MATPOWER text.
    script = b"".join(line for line in path.read_bytes().splitlines(True)
                      if not line.lstrip().startswith(b"function"))
    (tmp_path / "script.m").write_bytes(script)
    (tmp_path / "script.txt").write_bytes(script)
    assert zel23.read(tmp_path / "script.m").buses and not zel23.read(tmp_path / "script.txt").buses


def test_reading_a_fifo_lets_other_threads_run(tmp_path):
    # A reader that held the interpreter while waiting for the FIFO's writer
    # would keep the writer, a thread of the same process, from ever running.
    script = f"""
import os, threading, zel23
os.mkfifo({str(tmp_path / 'in')!r})
got = []
reader = threading.Thread(target=lambda: got.append(zel23.read({str(tmp_path / 'in')!r})))
reader.start()
with open({str(tmp_path / 'in')!r}, "wb") as out:
    out.write({DATA!r})
reader.join()
print(len(got[0].buses))
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, timeout=60)
    assert done.stdout.strip() == str(len(TABLES["buses"])).encode(), done.stderr
