"""The power flow of a case: Case.solve(), with the zel23 power flow library
(libzel23-flow) built. Where it is not, Case has no solve()."""

# The compiled module has no stub of its own.
from . import _zel23  # type: ignore[attr-defined]


class SolveResult:
    """What Case.solve() found: ``converged``, ``summary`` (a dict: status,
    iterations, largest mismatch, totals, islands, what was not modelled) and
    the results as DataFrames, one row per record in case order: ``buses``
    (vm p.u., va degrees, p_mw and q_mvar into the network, mismatches p.u.),
    ``generators`` (pg, qg) and ``branches`` (flows at both ends, losses).
    Each has the column ``line``, the record's line in the file."""

    def __init__(self, case, native):
        self._case, self._native = case, native
        self.summary = native._summary()
        self.converged = native.converged

    def _frame(self, columns):
        import pandas
        return pandas.DataFrame(columns)

    @property
    def buses(self):
        return self._frame(self._native._buses())

    @property
    def generators(self):
        return self._frame(self._native._generators())

    @property
    def branches(self):
        return self._frame(self._native._branches())

    def apply(self):
        """Writes the islands that converged into the case: VM and VA of
        every bus, PG of the swing buses' generators, QG of every generator
        in service. Raises ValueError if the case's buses or generators
        changed since the solve."""
        self._native._apply()

    def __repr__(self):
        return (f"<zel23.SolveResult {self.summary['status']} in "
                f"{self.summary['iterations']} iterations>")


def _solve(self, flat=False, enforce_q_limits=False, tolerance=1e-8, max_iterations=10):
    """Solves the AC power flow (Newton-Raphson, polar form) and returns a
    SolveResult; the case is not changed until its apply(). Raises
    ValueError, with the lines to blame, for a case that cannot be solved."""
    return SolveResult(self, self._solve(bool(flat), bool(enforce_q_limits),
                                         float(tolerance), int(max_iterations)))


if hasattr(_zel23.Case, "_solve"):
    _zel23.Case.solve = _solve
