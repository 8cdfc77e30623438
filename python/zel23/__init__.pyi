# Type stubs for zel23, so that editors complete field names.
import os
from typing import (IO, Any, ClassVar, Dict, Generic, Iterable, Iterator, List,
                    Mapping, MutableMapping, NamedTuple, Optional, Sequence, Tuple, TypeVar, Union,
                    overload)

import pandas

from ._flow import SolveResult as _SolveResult

SECTIONS: Tuple[str, ...]
__version__: str

class Problem(NamedTuple):
    line: int
    section: str
    message: str
    text: str
    code: str

class CaseError(ValueError):
    problems: List[Problem]
    dropped: int
    def __init__(self, problems: Iterable[Problem], dropped: int = ...) -> None: ...

_R = TypeVar("_R")
_T = TypeVar("_T", int, float)

class _Section(Generic[_R]):
    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, i: int) -> _R: ...
    @overload
    def __getitem__(self, i: slice) -> List[_R]: ...
    def __setitem__(self, i: int, record: _R) -> None: ...
    def __delitem__(self, i: int) -> None: ...
    def __iter__(self) -> Iterator[_R]: ...
    def append(self, record: _R) -> None: ...
    def insert(self, i: int, record: _R) -> None: ...
    def extend(self, records: Iterable[_R]) -> None: ...
    def clear(self) -> None: ...

class _Blocks(Sequence[_T]):
    def __init__(self, shunt: SwitchedShunt, kind: str) -> None: ...
    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, k: int) -> _T: ...
    @overload
    def __getitem__(self, k: slice) -> List[_T]: ...
    def __setitem__(self, k: int, value: _T) -> None: ...

class Bus:
    """A bus data record."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    IDE: int
    PL: float
    QL: float
    GL: float
    BL: float
    AREA: int
    VM: float
    VA: float
    NAME: str
    BASKV: float
    ZONE: int
    def __init__(self, *, I: int = ..., IDE: int = ..., PL: float = ..., QL: float = ..., GL: float = ..., BL: float = ..., AREA: int = ..., VM: float = ..., VA: float = ..., NAME: str = ..., BASKV: float = ..., ZONE: int = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> Bus: ...
    def copy(self) -> Bus: ...
    def __copy__(self) -> Bus: ...
    def __deepcopy__(self, memo: Any) -> Bus: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class Generator:
    """A generator data record."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    ID: str
    PG: float
    QG: float
    QT: float
    QB: float
    VS: float
    IREG: int
    MBASE: float
    ZR: float
    ZX: float
    RT: float
    XT: float
    GTAP: float
    STAT: int
    RMPCT: float
    PT: float
    PB: float
    def __init__(self, *, I: int = ..., ID: str = ..., PG: float = ..., QG: float = ..., QT: float = ..., QB: float = ..., VS: float = ..., IREG: int = ..., MBASE: float = ..., ZR: float = ..., ZX: float = ..., RT: float = ..., XT: float = ..., GTAP: float = ..., STAT: int = ..., RMPCT: float = ..., PT: float = ..., PB: float = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> Generator: ...
    def copy(self) -> Generator: ...
    def __copy__(self) -> Generator: ...
    def __deepcopy__(self, memo: Any) -> Generator: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class Load:
    """A load record (no section in a case)."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    ID: str
    STATUS: int
    AREA: int
    ZONE: int
    PL: float
    QL: float
    IP: float
    IQ: float
    YP: float
    YQ: float
    def __init__(self, *, I: int = ..., ID: str = ..., STATUS: int = ..., AREA: int = ..., ZONE: int = ..., PL: float = ..., QL: float = ..., IP: float = ..., IQ: float = ..., YP: float = ..., YQ: float = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> Load: ...
    def copy(self) -> Load: ...
    def __copy__(self) -> Load: ...
    def __deepcopy__(self, memo: Any) -> Load: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class Branch:
    """A branch data record."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    J: int
    CKT: str
    R: float
    X: float
    B: float
    RATEA: float
    RATEB: float
    RATEC: float
    RATIO: float
    ANGLE: float
    GI: float
    BI: float
    GJ: float
    BJ: float
    ST: int
    def __init__(self, *, I: int = ..., J: int = ..., CKT: str = ..., R: float = ..., X: float = ..., B: float = ..., RATEA: float = ..., RATEB: float = ..., RATEC: float = ..., RATIO: float = ..., ANGLE: float = ..., GI: float = ..., BI: float = ..., GJ: float = ..., BJ: float = ..., ST: int = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> Branch: ...
    def copy(self) -> Branch: ...
    def __copy__(self) -> Branch: ...
    def __deepcopy__(self, memo: Any) -> Branch: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class TransformerAdjustment:
    """A transformer adjustment data record."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    J: int
    CKT: str
    ICONT: int
    RMA: float
    RMI: float
    VMA: float
    VMI: float
    STEP: float
    TABLE: int
    def __init__(self, *, I: int = ..., J: int = ..., CKT: str = ..., ICONT: int = ..., RMA: float = ..., RMI: float = ..., VMA: float = ..., VMI: float = ..., STEP: float = ..., TABLE: int = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> TransformerAdjustment: ...
    def copy(self) -> TransformerAdjustment: ...
    def __copy__(self) -> TransformerAdjustment: ...
    def __deepcopy__(self, memo: Any) -> TransformerAdjustment: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class AreaInterchange:
    """An area interchange data record."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    ISW: int
    PDES: float
    PTOL: float
    ARNAME: str
    def __init__(self, *, I: int = ..., ISW: int = ..., PDES: float = ..., PTOL: float = ..., ARNAME: str = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> AreaInterchange: ...
    def copy(self) -> AreaInterchange: ...
    def __copy__(self) -> AreaInterchange: ...
    def __deepcopy__(self, memo: Any) -> AreaInterchange: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class SwitchedShunt:
    """A switched shunt data record. Blocks: noBlocks, N1/B1 ... N8/B8, and the N and B sequences."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    MODSW: int
    VSWHI: float
    VSWLO: float
    SWREM: int
    VDES: float
    BINIT: float
    noBlocks: int
    N1: int
    B1: float
    N2: int
    B2: float
    N3: int
    B3: float
    N4: int
    B4: float
    N5: int
    B5: float
    N6: int
    B6: float
    N7: int
    B7: float
    N8: int
    B8: float
    N: _Blocks[int]
    B: _Blocks[float]
    def __init__(self, *, I: int = ..., MODSW: int = ..., VSWHI: float = ..., VSWLO: float = ..., SWREM: int = ..., VDES: float = ..., BINIT: float = ..., noBlocks: int = ..., N1: int = ..., B1: float = ..., N2: int = ..., B2: float = ..., N3: int = ..., B3: float = ..., N4: int = ..., B4: float = ..., N5: int = ..., B5: float = ..., N6: int = ..., B6: float = ..., N7: int = ..., B7: float = ..., N8: int = ..., B8: float = ...) -> None: ...
    @staticmethod
    def parse(line: str) -> SwitchedShunt: ...
    def copy(self) -> SwitchedShunt: ...
    def __copy__(self) -> SwitchedShunt: ...
    def __deepcopy__(self, memo: Any) -> SwitchedShunt: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class TwoTerminalDC:
    """A two-terminal DC line record (three lines in a case)."""
    fields: ClassVar[Tuple[str, ...]]
    I: int
    MDC: int
    RDC: float
    SETVL: float
    VSCHD: float
    VCMOD: float
    RCOMP: float
    DELTI: float
    METER: str
    IPR: int
    NBR: int
    ALFMX: float
    ALFMN: float
    RCR: float
    XCR: float
    EBASR: float
    TRR: float
    TAPR: float
    TPMXR: float
    TPMNR: float
    TSTPR: float
    IPI: int
    NBI: int
    GAMMX: float
    GAMMN: float
    RCI: float
    XCI: float
    EBASI: float
    TRI: float
    TAPI: float
    TPMXI: float
    TPMNI: float
    TSTPI: float
    def __init__(self, *, I: int = ..., MDC: int = ..., RDC: float = ..., SETVL: float = ..., VSCHD: float = ..., VCMOD: float = ..., RCOMP: float = ..., DELTI: float = ..., METER: str = ..., IPR: int = ..., NBR: int = ..., ALFMX: float = ..., ALFMN: float = ..., RCR: float = ..., XCR: float = ..., EBASR: float = ..., TRR: float = ..., TAPR: float = ..., TPMXR: float = ..., TPMNR: float = ..., TSTPR: float = ..., IPI: int = ..., NBI: int = ..., GAMMX: float = ..., GAMMN: float = ..., RCI: float = ..., XCI: float = ..., EBASI: float = ..., TRI: float = ..., TAPI: float = ..., TPMXI: float = ..., TPMNI: float = ..., TSTPI: float = ...) -> None: ...
    @staticmethod
    def parse(line1: str, line2: str, line3: str) -> TwoTerminalDC: ...
    def copy(self) -> TwoTerminalDC: ...
    def __copy__(self) -> TwoTerminalDC: ...
    def __deepcopy__(self, memo: Any) -> TwoTerminalDC: ...
    def stored(self, field: str) -> Union[int, float, str]: ...

class Case:
    system_base: float
    comments: List[str]
    buses: _Section[Bus]
    generators: _Section[Generator]
    branches: _Section[Branch]
    adjustments: _Section[TransformerAdjustment]
    areas: _Section[AreaInterchange]
    dc_lines: _Section[TwoTerminalDC]
    shunts: _Section[SwitchedShunt]
    @property
    def problems(self) -> List[Problem]: ...
    @property
    def problems_dropped(self) -> int: ...
    def __init__(self) -> None: ...
    def to_text(self, *, printed: bool = ...) -> str: ...
    def to_bytes(self, *, printed: bool = ...) -> bytes: ...
    def copy(self) -> Case: ...
    def __copy__(self) -> Case: ...
    def __deepcopy__(self, memo: Any) -> Case: ...
    def to_pandas(self, *, quoted_names: bool = ...) -> Dict[str, pandas.DataFrame]: ...
    def bus(self, number: int) -> Bus: ...
    def generator(self, bus: int, id: Union[str, int] = ...) -> Generator: ...
    def branch(self, i: int, j: int, ckt: Union[str, int] = ...) -> Branch: ...
    @classmethod
    def from_pandas(cls, tables: Mapping[str, pandas.DataFrame], *,
                    comments: Optional[Iterable[str]] = ..., system_base: Optional[float] = ...) -> Case: ...
    @property
    def notes(self) -> List[str]: ...
    def to_matpower(self, name: str = ...) -> str: ...
    def check(self) -> pandas.DataFrame: ...
    def check_summary(self) -> Dict[str, Any]: ...
    def solve(self, flat: bool = ..., enforce_q_limits: bool = ..., tolerance: float = ...,
              max_iterations: int = ...) -> _SolveResult: ...

def read(source: Union[str, bytes, bytearray, memoryview, os.PathLike, IO[Any]], *,
         strict: bool = ..., max_problems: int = ...) -> Case: ...
def write(case: Case, target: Union[str, os.PathLike, IO[Any]], *,
          printed: bool = ...) -> None: ...
def read_matpower(source: Union[str, bytes, bytearray, memoryview, os.PathLike, IO[Any]],
                  *, strict: bool = ..., max_problems: int = ...) -> Case: ...
def write_matpower(case: Case, target: Union[str, os.PathLike, IO[Any]], *,
                   name: str = ...) -> List[str]: ...

class BusNames(MutableMapping[str, int]):
    def __getitem__(self, name: str) -> int: ...
    def __setitem__(self, name: str, number: int) -> None: ...
    def __delitem__(self, name: str) -> None: ...
    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...

bus_names: BusNames
