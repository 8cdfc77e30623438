"""What Case.solve() returns, with the zel23 power flow library
(libzel23-flow) built. Where it is not, Case has no solve()."""


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
