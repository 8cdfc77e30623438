"""What Case.solve() returns, with the zel23 power flow library
(libzel23-flow) built. Where it is not, Case has no solve()."""

from __future__ import annotations

import typing
from typing import Any, Dict

if typing.TYPE_CHECKING:
    import pandas

    from . import Case, _zel23


class SolveResult:
    """What Case.solve() found: ``converged``, ``summary`` (a dict: status,
    iterations, largest mismatch, totals, islands, what was not modelled) and
    the results as DataFrames, one row per record in case order: ``buses``
    (vm p.u., va degrees, p_mw and q_mvar into the network, mismatches p.u.),
    ``generators`` (pg, qg) and ``branches`` (flows at both ends, losses).
    Each has the column ``line``, the record's line in the file."""

    def __init__(self, case: Case, native: _zel23._Solution) -> None:
        self._case, self._native = case, native
        self.summary: Dict[str, Any] = native._summary()
        self.converged: bool = native.converged

    def _frame(self, columns: Dict[str, Any]) -> pandas.DataFrame:
        import pandas
        return pandas.DataFrame(columns)

    @property
    def buses(self) -> pandas.DataFrame:
        return self._frame(self._native._buses())

    @property
    def generators(self) -> pandas.DataFrame:
        return self._frame(self._native._generators())

    @property
    def branches(self) -> pandas.DataFrame:
        return self._frame(self._native._branches())

    def apply(self) -> None:
        """Writes the islands that converged into the case: VM and VA of
        every bus, PG of the swing buses' generators, QG of every generator
        in service. Raises ValueError if the case's buses or generators
        changed since the solve."""
        self._native._apply()

    def __repr__(self) -> str:
        return (f"<zel23.SolveResult {self.summary['status']} in "
                f"{self.summary['iterations']} iterations>")
