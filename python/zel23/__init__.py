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

from __future__ import annotations

import collections.abc as _abc
import io as _io
import os as _os
import sys as _sys
import typing as _typing
from typing import (IO, Any, Dict, Iterable, Iterator, List, Mapping, Optional, Tuple,
                    TypeVar, Union, overload)

from . import _zel23
from ._flow import SolveResult as _SolveResult
from ._zel23 import (AreaInterchange, Branch, Bus, Generator, Load, SwitchedShunt,
                     TransformerAdjustment, TwoTerminalDC, __version__)

__all__ = ["read", "write", "read_matpower", "write_matpower", "Case", "CaseError",
           "Problem", "bus_names", "SECTIONS",
           "Bus", "Generator", "Load", "Branch", "TransformerAdjustment",
           "AreaInterchange", "SwitchedShunt", "TwoTerminalDC"]

if _typing.TYPE_CHECKING:
    import numpy
    import pandas

#: Section names in file order, as Case attributes and to_pandas() keys.
SECTIONS: Tuple[str, ...] = _zel23.SECTIONS

#: What read() and read_matpower() take.
Source = Union[str, bytes, bytearray, memoryview, "numpy.ndarray[Any, Any]",
               "_os.PathLike[Any]", IO[Any]]
#: What write() and write_matpower() take.
Target = Union[str, "_os.PathLike[Any]", IO[Any]]


class Problem(_typing.NamedTuple):
    """A line the reader could not take."""
    line: int  #: line number in the input, from 1
    section: str  #: "bus data", ..., "header" or "after the last section"
    message: str  #: the library's message for the line
    text: str  #: the line as read (a DC line: its first line)
    #: what kind of problem, stable where the message may be reworded:
    #: "malformed-record", "invalid-bus-number", "record-after-last-section",
    #: "dc-line-incomplete", "no-system-base", "stream-error", "file-error"
    #: or "matpower"
    code: str


class CaseError(ValueError):
    """Raised by read(strict=True) when the case has problems."""

    def __init__(self, problems: Iterable[Problem], dropped: int = 0) -> None:
        self.problems = list(problems)
        self.dropped = dropped
        first = self.problems[0]
        count = len(self.problems) + dropped
        super().__init__(f"{count} problem{'s' if count != 1 else ''} reading the case; "
                         f"line {first.line}: {first.message}")


def _read_source(source: Source, max_problems: int, what: str, matpower: bool) -> Case:
    """The case in `source` (see read()); MATPOWER text when `matpower`, else
    as the text or the path tells."""
    if isinstance(source, _os.PathLike) or (isinstance(source, str)
                                            and "\n" not in source):
        case = Case()
        _zel23._read_path(case, _os.fsencode(source), max_problems, matpower)
        return case
    data: Any = source
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogateescape")
    elif hasattr(data, "read") and not isinstance(data, memoryview):
        data = data.read()
        if isinstance(data, str):
            data = data.encode("utf-8", "surrogateescape")
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object's read() gave " + type(data).__name__
                            + ", not str or bytes")
    try:
        view = memoryview(data)
    except TypeError:
        raise TypeError(what + "() takes a path, a file object, the text of a case or a "
                        "buffer of its bytes, not " + type(data).__name__) from None
    case = Case()
    with view:
        _zel23._read_bytes(case, view, max_problems, matpower)
    return case


def _read_checked(source: Source, strict: bool, max_problems: int, what: str,
                  matpower: bool) -> Case:
    if not isinstance(max_problems, int) or max_problems < 0:
        raise ValueError("max_problems must be an int of 0 or more, not "
                         + repr(max_problems))
    if max_problems > 2**64 - 1:
        raise OverflowError("max_problems must be at most 2**64 - 1, not "
                            + str(max_problems))
    case = _read_source(source, min(max_problems, _sys.maxsize), what, matpower)
    if strict and (case.problems or case.problems_dropped):
        raise CaseError(case.problems, case.problems_dropped)
    return case


def read(source: Source, *, strict: bool = False, max_problems: int = 1000) -> Case:
    """Reads a whole case with the library's recoverable reader.

    ``source`` is a path (str without a line feed, or os.PathLike), a file
    object (text or binary), the text of a case (str with a line feed), or
    any buffer of its bytes (bytes, bytearray, memoryview, a numpy array of
    bytes; read in C order whatever its strides). A MATPOWER case is read as
    read_matpower() reads it: a path ending in ``.m``, or text whose first
    statement is ``function``. Records that cannot be read are skipped and
    listed in ``case.problems``; with ``strict=True`` any problem raises
    CaseError instead. Bus names in the case resolve as in an empty registry,
    whatever ``bus_names`` holds, and ``bus_names`` is left as it was. Other
    threads run while the file is read and parsed.
    """
    return _read_checked(source, strict, max_problems, "read", False)


def write(case: Case, target: Target, *, printed: bool = False) -> None:
    """Writes the case as a raw case file that reads back to the same values.

    Every number is written in the shortest text that reads back to the same
    double; ``printed=True`` writes the printed form instead (ZELPrint's, four
    decimals, which rounds). A case whose text would not read back (a line
    over 1,023 characters, a record numbered 0, ...) raises ValueError and
    nothing is written.

    ``target`` is a path or a file object (text or binary). A regular file is
    written beside the target and renamed into place only once complete; a
    symbolic link's target is written, a device or a FIFO written through. A
    new file's mode follows the umask, an existing one keeps its mode.
    """
    if not isinstance(case, Case):
        raise TypeError("write() takes a zel23.Case, not " + type(case).__name__)
    _write_target(case.to_bytes(printed=printed), target, "write")


def _write_target(data: bytes, target: Target, what: str) -> None:
    if isinstance(target, (str, _os.PathLike)):
        _zel23._write_path(_os.fsencode(target), data)
    elif isinstance(target, _io.TextIOBase):
        target.write(data.decode("utf-8", "surrogateescape"))
    elif hasattr(target, "write"):
        target.write(data)
    else:
        raise TypeError(what + "() takes a path or a file object, not "
                        + type(target).__name__)


def read_matpower(source: Source, *, strict: bool = False, max_problems: int = 1000) -> Case:
    """Reads a MATPOWER case (format version 2) into a Case.

    ``source`` is taken as by read(). Rows that cannot be read are skipped and
    listed in ``case.problems`` (``strict=True`` raises CaseError instead);
    ``case.notes`` lists, one line per kind, the data the case cannot carry.
    """
    return _read_checked(source, strict, max_problems, "read_matpower", True)


def write_matpower(case: Case, target: Target, *, name: str = "zel23case") -> List[str]:
    """Writes the case as a MATPOWER case file whose function is ``name``.

    ``target`` is taken as by write(). Returns the notes on what the file does
    not carry or carries changed, one line per kind of data.
    """
    if not isinstance(case, Case):
        raise TypeError("write_matpower() takes a zel23.Case, not " + type(case).__name__)
    data, notes = case._to_matpower(name)
    _write_target(data, target, "write_matpower")
    return notes


#: The index of each to_pandas() table: its key columns and their names.
_KEYS: Dict[str, Tuple[Tuple[str, ...], Tuple[str, ...]]] = {
    "buses": (("I",), ("bus",)), "generators": (("I", "ID"), ("bus", "id")),
    "branches": (("I", "J", "CKT"), ("i", "j", "ckt")),
    "adjustments": (("I", "J", "CKT"), ("i", "j", "ckt")),
    "areas": (("I",), ("area",)), "dc_lines": (("I",), ("dc_line",)),
    "shunts": (("I",), ("bus",))}


def _plain(text: str) -> str:
    return text.strip(" \t").strip("'").strip(" \t")


def _default_comments(system_base: float) -> List[str]:
    ends = ["BUS", "GENERATOR", "BRANCH", "TRANSFORMER ADJUSTMENT", "AREA INTERCHANGE",
            "TWO-TERMINAL DC", "SWITCHED SHUNT"]
    return ([f"0 {system_base!r} / made with zel23 from tables", "", ""]
            + [f"0 / END OF {a} DATA, BEGIN {b} DATA" for a, b in zip(ends, ends[1:])]
            + ["0 / END OF SWITCHED SHUNT DATA"])


def _column(series: pandas.Series, text: bool) -> numpy.ndarray:
    """A column's values as numpy holds them; numbers kept in an object or
    categorical column become floats (the library checks integer fields)."""
    values = series.to_numpy()
    if not text and values.dtype.kind == "O":
        try:
            if any(isinstance(v, (str, bytes)) for v in values):
                raise TypeError
            values = values.astype(float)
        except (TypeError, ValueError):
            raise TypeError(f"column {series.name} must hold numbers") from None
    return values


class Case(_zel23.Case):
    """A whole case: system base, comment lines (three header lines, then the
    terminator lines) and the seven sections, each a list of records that
    stays tied to the case."""

    @property
    def problems(self) -> List[Problem]:
        """Every problem of the read, as Problem."""
        return [Problem(*p) for p in self._problems()]

    def copy(self) -> Case:
        """A case of its own with the same records, comments and problems."""
        new = type(self)()
        new._assign(self)
        return new

    __copy__ = copy

    def __deepcopy__(self, memo: Any) -> Case:
        return self.copy()

    def to_pandas(self, *, quoted_names: bool = False) -> Dict[str, pandas.DataFrame]:
        """One DataFrame per section (keys as in SECTIONS), one column per field
        plus ``line``, the line each record was read from (0 if not read), and
        ``row``, its position in the section. Names (NAME, ARNAME) are plain
        unless ``quoted_names``. Each table is indexed by its records' key: bus
        number (``bus``); generator bus and ID (``bus``, ``id``); branch and
        adjustment ends and circuit (``i``, ``j``, ``ckt``); area, DC line and
        shunt number. IDs and circuits in the index are plain (``"1"``)."""
        import pandas
        tables = {}
        for k, name in enumerate(SECTIONS):
            frame = pandas.DataFrame(self._columns(k, quoted_names), copy=False)
            frame["row"] = range(len(frame))
            fields, labels = _KEYS[name]
            # IDs repeat ('1 ', '2 '): each distinct one is made plain once.
            keys = [frame[f].map({v: _plain(v) for v in frame[f].unique()})
                    if frame[f].dtype == object else frame[f] for f in fields]
            if len(keys) == 1:
                frame.index = pandas.Index(keys[0], name=labels[0])
            else:
                frame.index = pandas.MultiIndex.from_arrays(keys, names=labels)
            tables[name] = frame
        return tables

    @classmethod
    def from_pandas(cls, tables: Mapping[str, pandas.DataFrame], *,
                    comments: Optional[Iterable[str]] = None,
                    system_base: Optional[float] = None) -> Case:
        """A case built from DataFrames shaped as to_pandas() makes them.

        ``tables`` maps section names (SECTIONS) to DataFrames of any layout
        (slices, reversed, built from 2-D arrays, categorical or object columns;
        the index is not used); a missing section is empty, a missing column
        takes the field's default, and a column that names no field raises
        ValueError. Names may be plain (quoted and padded to eight characters) or
        quoted. Header and terminator lines come from ``comments`` (for example
        another case's ``comments``); without them, header lines that hold
        ``system_base`` (default 100). ``system_base`` defaults to the one in
        ``comments``.
        """
        unknown = set(tables) - set(SECTIONS)
        if unknown:
            raise ValueError("no section named " + ", ".join(sorted(map(repr, unknown))))
        case = cls()
        if comments is None:
            system_base = 100.0 if system_base is None else system_base
            comments = _default_comments(float(system_base))
        case.comments = list(comments)
        if system_base is None:
            header = "\n".join(list(case.comments[:3]) + [""])
            system_base = read(header.encode("utf-8", "surrogateescape")).system_base
        case.system_base = system_base
        records = (Bus, Generator, Branch, TransformerAdjustment, AreaInterchange,
                   TwoTerminalDC, SwitchedShunt)
        for k, name in enumerate(SECTIONS):
            if name not in tables:
                continue
            frame = tables[name]
            extra = set(frame.columns) - set(records[k].fields) - {"line", "row"}
            if extra:
                raise ValueError(f"{name}: no field named "
                                 + ", ".join(sorted(map(repr, map(str, extra)))))
            text = {f for f in records[k].fields if isinstance(getattr(records[k](), f), str)}
            columns = {str(c): _column(frame[c], str(c) in text)
                       for c in frame.columns if c != "row"}
            case._set_columns(k, columns, len(frame))
        return case

    def to_matpower(self, name: str = "zel23case") -> str:
        """The case as MATPOWER case text whose function is ``name`` (see
        write_matpower for the notes on what it does not carry)."""
        return self._to_matpower(name)[0].decode("utf-8", "surrogateescape")

    def check(self) -> pandas.DataFrame:
        """The readiness findings, one row each, in line order: a DataFrame with
        the columns line, severity ("error", "warning" or "note"), code and message. The
        read's problems are errors at their lines."""
        import pandas
        return pandas.DataFrame(self._check()[0],
                                columns=["line", "severity", "code", "message"])

    def check_summary(self) -> Dict[str, Any]:
        """The network as check() sees it: buses, isolated_buses, swing_buses and
        islands, largest first, each a dict (buses, first_bus, swing_buses,
        load_mw, load_mvar, generation_mw, generation_mvar)."""
        return self._check()[1]

    if hasattr(_zel23.Case, "_solve"):  # built with the power flow library
        def solve(self, flat: bool = False, enforce_q_limits: bool = False,
                  tolerance: float = 1e-8, max_iterations: int = 10) -> _SolveResult:
            """Solves the AC power flow (Newton-Raphson, polar form) and returns a
            SolveResult; the case is not changed until its apply(). Raises
            ValueError, with the lines to blame, for a case that cannot be solved."""
            return _SolveResult(self, self._solve(bool(flat), bool(enforce_q_limits),
                                                  float(tolerance), int(max_iterations)))


for _type in (Case, Bus, Generator, Load, Branch, TransformerAdjustment, AreaInterchange,
              SwitchedShunt, TwoTerminalDC):
    _type.__module__ = __name__
del _type


_T = TypeVar("_T", int, float)


class _Blocks(_typing.Sequence[_T]):
    """The N or B values of a switched shunt's blocks in use (noBlocks of
    them), tied to the record: setting an item sets the record's field."""

    def __init__(self, shunt: SwitchedShunt, kind: str) -> None:
        self._shunt, self._kind = shunt, kind

    def __len__(self) -> int:
        return max(0, min(self._shunt.noBlocks, 8))

    def _name(self, k: int) -> str:
        if not isinstance(k, int):
            raise TypeError("block index must be an int")
        if k < 0:
            k += len(self)
        if not 0 <= k < len(self):
            raise IndexError("block index out of range")
        return f"{self._kind}{k + 1}"

    @overload
    def __getitem__(self, k: int) -> _T: ...

    @overload
    def __getitem__(self, k: slice) -> List[_T]: ...

    def __getitem__(self, k: Union[int, slice]) -> Union[_T, List[_T]]:
        if isinstance(k, slice):
            return [self[i] for i in range(*k.indices(len(self)))]
        value: _T = getattr(self._shunt, self._name(k))
        return value

    def __setitem__(self, k: int, value: _T) -> None:
        setattr(self._shunt, self._name(k), value)

    def __eq__(self, other: object) -> bool:
        if isinstance(other, _abc.Sequence):
            return list(self) == list(other)
        return NotImplemented

    def __repr__(self) -> str:
        return repr(list(self))


def _set_blocks(shunt: SwitchedShunt, kind: str, values: Iterable[Union[int, float]]) -> None:
    items = list(values)
    if len(items) > 8:
        raise ValueError(f"a switched shunt has at most 8 blocks, not {len(items)}")
    for k, v in enumerate(items):
        setattr(shunt, f"{kind}{k + 1}", v)
    shunt.noBlocks = len(items)


def _steps(shunt: SwitchedShunt) -> _Blocks[int]:
    return _Blocks(shunt, "N")


def _set_steps(shunt: SwitchedShunt, values: Iterable[int]) -> None:
    _set_blocks(shunt, "N", values)


def _susceptances(shunt: SwitchedShunt) -> _Blocks[float]:
    return _Blocks(shunt, "B")


def _set_susceptances(shunt: SwitchedShunt, values: Iterable[float]) -> None:
    _set_blocks(shunt, "B", values)


_BLOCKS_DOC = ("The {} value of each block in use; assigning a sequence of up to 8 sets "
               "those blocks and noBlocks.")
# Properties of the compiled class, which its type stubs show as the package
# adds them (scripts/python-stubs.py reads these annotations).
setattr(SwitchedShunt, "N", property(_steps, _set_steps, doc=_BLOCKS_DOC.format("N")))
setattr(SwitchedShunt, "B", property(_susceptances, _set_susceptances,
                                     doc=_BLOCKS_DOC.format("B")))


class BusNames(_typing.MutableMapping[str, int]):
    """The library's bus name registry: quoted bus names, apostrophes included
    as in the file (``"'NORTH G1'"``), to bus numbers. Record parsers such as
    Generator.parse resolve a quoted bus field through it; zel23.read neither
    uses nor changes it."""

    def __getitem__(self, name: str) -> int:
        number = _zel23._bus_number(self._key(name))
        if number is None:
            raise KeyError(name)
        return number

    def __setitem__(self, name: str, number: int) -> None:
        _zel23._set_bus_name(self._key(name), number)

    def __delitem__(self, name: str) -> None:
        if not _zel23._del_bus_name(self._key(name)):
            raise KeyError(name)

    def __iter__(self) -> Iterator[str]:
        return iter(list(_zel23._bus_names()))

    def __len__(self) -> int:
        return len(_zel23._bus_names())

    def __contains__(self, name: object) -> bool:
        return isinstance(name, str) and _zel23._bus_number(name) is not None

    def clear(self) -> None:
        _zel23._clear_bus_names()

    def __repr__(self) -> str:
        return f"zel23.bus_names({_zel23._bus_names()!r})"

    @staticmethod
    def _key(name: object) -> str:
        if not isinstance(name, str):
            raise TypeError("a bus name is a str, not " + type(name).__name__)
        if len(name) < 2 or name[0] != "'" or name[-1] != "'":
            raise ValueError("bus names are kept with their apostrophes, as in the "
                             f"file: \"'{name}'\", not {name!r}")
        return name


#: The bus name registry (see BusNames).
bus_names: BusNames = BusNames()
