"""zel23: read, edit and write power-flow raw case files.

The records, the case and the reader are the zel23 C++ library itself (the
compiled module ``zel23._zel23``); this module adds what Python users expect:
paths and file objects, pandas tables and exceptions.

    case = zel23.read("case.raw")          # never ends the interpreter
    case.problems                          # every line that could not be read
    case.buses[0].VM = 1.02                # fields under the format's names
    tables = case.to_pandas()              # one DataFrame per section
    zel23.write(case, "out.raw")           # replaced only when complete
    case.check()                           # readiness findings, one row each
    zel23.read_matpower("case.m")          # MATPOWER cases in and out
"""

import collections.abc
import io
import os
from typing import NamedTuple

from . import _zel23
from ._zel23 import (AreaInterchange, Branch, Bus, Case, Generator, Load, SwitchedShunt,
                     TransformerAdjustment, TwoTerminalDC)

__all__ = ["read", "write", "read_matpower", "write_matpower", "Case", "CaseError",
           "Problem", "bus_names", "SECTIONS",
           "Bus", "Generator", "Load", "Branch", "TransformerAdjustment",
           "AreaInterchange", "SwitchedShunt", "TwoTerminalDC"]

#: Section names in file order, as Case attributes and to_pandas() keys.
SECTIONS = ("buses", "generators", "branches", "adjustments", "areas", "dc_lines",
            "shunts")


class Problem(NamedTuple):
    """A line the reader could not take."""
    line: int  #: line number in the input, from 1
    section: str  #: "bus data", ..., "header" or "after the last section"
    message: str  #: the library's message for the line
    text: str  #: the line as read (a DC line: its first line)


class CaseError(ValueError):
    """Raised by read(strict=True) when the case has problems."""

    def __init__(self, problems, dropped=0):
        self.problems = list(problems)
        self.dropped = dropped
        first = self.problems[0]
        count = len(self.problems) + dropped
        super().__init__(f"{count} problem{'s' if count != 1 else ''} reading the case; "
                         f"line {first.line}: {first.message}")


def _read_source(source, max_problems, what, from_path, from_bytes):
    """The case in `source` (see read()), through from_path(source, max_problems)
    for a path and from_bytes(data, max_problems) for text."""
    if isinstance(source, os.PathLike) or (isinstance(source, str)
                                           and "\n" not in source):
        return from_path(source, max_problems)
    if isinstance(source, str):
        return from_bytes(source.encode("utf-8", "surrogateescape"), max_problems)
    if isinstance(source, (bytes, bytearray, memoryview)):
        return from_bytes(source, max_problems)
    if hasattr(source, "read"):
        data = source.read()
        if isinstance(data, str):
            data = data.encode("utf-8", "surrogateescape")
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object's read() gave " + type(data).__name__
                            + ", not str or bytes")
        return from_bytes(data, max_problems)
    raise TypeError(what + "() takes a path, a file object or the text of a case, not "
                    + type(source).__name__)


def _read_checked(source, strict, max_problems, what, from_path, from_bytes):
    if not isinstance(max_problems, int) or max_problems < 0:
        raise ValueError("max_problems must be an int of 0 or more")
    case = _read_source(source, max_problems, what, from_path, from_bytes)
    if strict and (case.problems or case.problems_dropped):
        raise CaseError(case.problems, case.problems_dropped)
    return case


def read(source, *, strict=False, max_problems=1000):
    """Reads a whole case with the library's recoverable reader.

    ``source`` is a path (str without a line feed, or os.PathLike), a file
    object (text or binary), or the text of a case (str with a line feed, or
    bytes). Records that cannot be read are skipped and listed in
    ``case.problems``; with ``strict=True`` any problem raises CaseError
    instead. Bus names in the case resolve as in an empty registry, whatever
    ``bus_names`` holds, and ``bus_names`` is left as it was.
    """
    return _read_checked(
        source, strict, max_problems, "read",
        lambda path, limit: _zel23._read_path(os.fsencode(path), limit),
        _zel23._read_bytes)


def write(case, target):
    """Writes the case exactly as the library's writer does.

    ``target`` is a path, replaced only once the whole case is written, or a
    file object (text or binary).
    """
    if not isinstance(case, Case):
        raise TypeError("write() takes a zel23.Case, not " + type(case).__name__)
    _write_target(case.to_bytes(), target, "write")


def _write_target(data, target, what):
    if isinstance(target, (str, os.PathLike)):
        _replace(os.fspath(target), data)
    elif isinstance(target, io.TextIOBase):
        target.write(data.decode("utf-8", "surrogateescape"))
    elif hasattr(target, "write"):
        target.write(data)
    else:
        raise TypeError(what + "() takes a path or a file object, not "
                        + type(target).__name__)


def read_matpower(source, *, strict=False, max_problems=1000):
    """Reads a MATPOWER case (format version 2) into a Case.

    ``source`` is taken as by read(). Rows that cannot be read are skipped and
    listed in ``case.problems`` (``strict=True`` raises CaseError instead);
    ``case.notes`` lists, one line per kind, the data the case cannot carry.
    """
    return _read_checked(source, strict, max_problems, "read_matpower",
                         _read_matpower_path, _zel23._read_matpower)


def _read_matpower_path(path, max_problems):
    with open(path, "rb") as f:
        return _zel23._read_matpower(f.read(), max_problems)


def write_matpower(case, target, *, name="zel23case"):
    """Writes the case as a MATPOWER case file whose function is ``name``.

    ``target`` is taken as by write(). Returns the notes on what the file does
    not carry or carries changed, one line per kind of data.
    """
    if not isinstance(case, Case):
        raise TypeError("write_matpower() takes a zel23.Case, not " + type(case).__name__)
    data, notes = case._to_matpower(name)
    _write_target(data, target, "write_matpower")
    return notes


def _replace(path, data):
    # A new file gets the mode open() would give it (umask applied); an
    # existing one keeps its mode.
    temporary = os.path.join(os.path.dirname(os.path.abspath(path)),
                             f".{os.path.basename(path)}.{os.getpid()}.{os.urandom(4).hex()}")
    fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666)
    try:
        with os.fdopen(fd, "wb") as out:
            out.write(data)
        if os.path.exists(path):
            os.chmod(temporary, os.stat(path).st_mode & 0o7777)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def _problems(self):
    return [Problem(*p) for p in self._problems()]


def _to_pandas(self):
    """One DataFrame per section (keys as in SECTIONS), one column per field
    plus ``line``, the line each record was read from (0 if not read)."""
    import pandas
    return {name: pandas.DataFrame(self._columns(k), copy=False)
            for k, name in enumerate(SECTIONS)}


def _from_pandas(cls, tables, *, comments=(), system_base=0.0):
    """A case built from DataFrames shaped as to_pandas() makes them.

    ``tables`` maps section names (SECTIONS) to DataFrames; a missing section
    is empty, a missing column takes the field's default, and a column that
    names no field raises ValueError. Header and terminator lines come from
    ``comments`` (for example another case's ``comments``).
    """
    unknown = set(tables) - set(SECTIONS)
    if unknown:
        raise ValueError("no section named " + ", ".join(sorted(map(repr, unknown))))
    case = cls()
    case.comments = comments
    case.system_base = system_base
    records = (Bus, Generator, Branch, TransformerAdjustment, AreaInterchange,
               TwoTerminalDC, SwitchedShunt)
    for k, name in enumerate(SECTIONS):
        if name not in tables:
            continue
        frame = tables[name]
        extra = set(frame.columns) - set(records[k].fields) - {"line"}
        if extra:
            raise ValueError(f"{name}: no field named "
                             + ", ".join(sorted(map(repr, map(str, extra)))))
        columns = {str(c): frame[c].to_numpy() for c in frame.columns}
        case._set_columns(k, columns, len(frame))
    return case


def _to_matpower(self, name="zel23case"):
    """The case as MATPOWER case text whose function is ``name`` (see
    write_matpower for the notes on what it does not carry)."""
    return self._to_matpower(name)[0].decode("utf-8", "surrogateescape")


def _check(self):
    """The readiness findings, one row each, in line order: a DataFrame with
    the columns line, severity ("error", "warning" or "note"), code and
    message. The read's problems are errors at their lines."""
    import pandas
    return pandas.DataFrame(self._check()[0],
                            columns=["line", "severity", "code", "message"])


def _check_summary(self):
    """The network as check() sees it: buses, isolated_buses, swing_buses and
    islands, largest first, each a dict (buses, first_bus, swing_buses,
    load_mw, load_mvar, generation_mw, generation_mvar)."""
    return self._check()[1]


for _type in (Case, Bus, Generator, Load, Branch, TransformerAdjustment, AreaInterchange,
              SwitchedShunt, TwoTerminalDC):
    _type.__module__ = __name__

Case.problems = property(_problems, doc="Every problem of the read, as Problem.")
Case.to_pandas = _to_pandas
Case.from_pandas = classmethod(_from_pandas)
Case.to_matpower = _to_matpower
Case.check = _check
Case.check_summary = _check_summary


class _Blocks(collections.abc.Sequence):
    """The N or B values of a switched shunt's blocks in use (noBlocks of
    them), tied to the record: setting an item sets the record's field."""

    def __init__(self, shunt, kind):
        self._shunt, self._kind = shunt, kind

    def __len__(self):
        return max(0, min(self._shunt.noBlocks, 8))

    def _name(self, k):
        if not isinstance(k, int):
            raise TypeError("block index must be an int")
        if k < 0:
            k += len(self)
        if not 0 <= k < len(self):
            raise IndexError("block index out of range")
        return f"{self._kind}{k + 1}"

    def __getitem__(self, k):
        if isinstance(k, slice):
            return [self[i] for i in range(*k.indices(len(self)))]
        return getattr(self._shunt, self._name(k))

    def __setitem__(self, k, value):
        setattr(self._shunt, self._name(k), value)

    def __eq__(self, other):
        if isinstance(other, collections.abc.Sequence):
            return list(self) == list(other)
        return NotImplemented

    def __repr__(self):
        return repr(list(self))


def _blocks(kind):
    def get(self):
        return _Blocks(self, kind)

    def set(self, values):
        values = list(values)
        if len(values) > 8:
            raise ValueError(f"a switched shunt has at most 8 blocks, not {len(values)}")
        for k, v in enumerate(values):
            setattr(self, f"{kind}{k + 1}", v)
        self.noBlocks = len(values)

    return property(get, set, doc=f"The {kind} value of each block in use; assigning a "
                    "sequence of up to 8 sets those blocks and noBlocks.")


SwitchedShunt.N = _blocks("N")
SwitchedShunt.B = _blocks("B")


class BusNames(collections.abc.MutableMapping):
    """The library's bus name registry: quoted bus names, apostrophes included
    as in the file (``"'NORTH G1'"``), to bus numbers. Record parsers such as
    Generator.parse resolve a quoted bus field through it; zel23.read neither
    uses nor changes it."""

    def __getitem__(self, name):
        number = _zel23._bus_number(self._key(name))
        if number is None:
            raise KeyError(name)
        return number

    def __setitem__(self, name, number):
        _zel23._set_bus_name(self._key(name), number)

    def __delitem__(self, name):
        if not _zel23._del_bus_name(self._key(name)):
            raise KeyError(name)

    def __iter__(self):
        return iter(list(_zel23._bus_names()))

    def __len__(self):
        return len(_zel23._bus_names())

    def __contains__(self, name):
        return isinstance(name, str) and _zel23._bus_number(name) is not None

    def clear(self):
        _zel23._clear_bus_names()

    def __repr__(self):
        return f"zel23.bus_names({_zel23._bus_names()!r})"

    @staticmethod
    def _key(name):
        if not isinstance(name, str):
            raise TypeError("a bus name is a str, not " + type(name).__name__)
        if len(name) < 2 or name[0] != "'" or name[-1] != "'":
            raise ValueError("bus names are kept with their apostrophes, as in the "
                             f"file: \"'{name}'\", not {name!r}")
        return name


#: The bus name registry (see BusNames).
bus_names = BusNames()
