"""Case.solve(): the C++ command's results, apply(), and hostile values."""
import json
import math

import pytest
from hypothesis import given, settings, strategies as st

import zel23
from conftest import REPO

SAMPLE = REPO / "examples" / "sample.raw"
pytestmark = pytest.mark.skipif(not hasattr(zel23.Case, "solve"),
                                reason="built without the power flow library")


def test_results_are_the_commands(tool):
    result = zel23.read(SAMPLE).solve(enforce_q_limits=True)
    command = json.loads(tool("solve", SAMPLE, "--json", "--enforce-q-limits"))
    assert result.converged and result.summary["iterations"] == command["iterations"]
    for frame, key in ((result.buses, "buses"), (result.generators, "generators"),
                       (result.branches, "branches")):
        rows = frame.to_dict("records")
        assert len(rows) == len(command[key])
        for mine, theirs in zip(rows, command[key]):
            for name, value in theirs.items():
                assert mine[name] == value, (key, name)   # the same doubles, exactly


def test_apply_writes_the_solution_and_refuses_another_case():
    case = zel23.read(SAMPLE)
    result = case.solve(flat=True)
    result.apply()
    assert case.buses[3].VM == result.buses.vm[3] and case.generators[0].PG == result.generators.pg[0]
    assert case.solve(tolerance=1e-6).summary["iterations"] == 0
    case.buses = case.buses[:-1]
    with pytest.raises(ValueError, match="not made from this case"):
        result.apply()


def test_bad_cases_raise_with_their_lines():
    case = zel23.read(SAMPLE)
    case.branches[0].X = 0.0
    case.branches[0].R = 0.0
    with pytest.raises(ValueError, match=r"line 28: branch 101-103 circuit '1 ' has zero impedance"):
        case.solve()
    with pytest.raises(ValueError, match="tolerance"):
        zel23.read(SAMPLE).solve(tolerance=float("nan"))


FIELDS = [("buses", "PL"), ("buses", "VM"), ("buses", "IDE"), ("generators", "VS"),
          ("generators", "QT"), ("generators", "IREG"), ("branches", "X"),
          ("branches", "RATIO"), ("branches", "ST"), ("shunts", "BINIT")]
NUMBERS = st.one_of(st.floats(allow_nan=True, allow_infinity=True),
                    st.sampled_from([0.0, -1.0, 1e-300, 1e300]))


@settings(max_examples=150, deadline=None)
@given(st.lists(st.tuples(st.sampled_from(FIELDS), st.integers(0, 20), NUMBERS), max_size=4),
       st.booleans(), st.booleans())
def test_hostile_values_never_give_a_nan(edits, flat, limits):
    case = zel23.read(SAMPLE)
    for (section, field), index, value in edits:
        records = getattr(case, section)
        record = records[index % len(records)]
        if isinstance(getattr(record, field), int):
            value = int(value) if math.isfinite(value) and abs(value) < 2**31 else 0
        setattr(record, field, value)
    try:
        result = case.solve(flat=flat, enforce_q_limits=limits)
    except ValueError:
        return
    buses = result.buses
    for frame in (buses[buses.type != 4], result.generators[result.generators.solved],
                  result.branches[result.branches.solved]):
        numbers = frame.select_dtypes("float")
        assert numbers.apply(lambda c: c.map(math.isfinite)).all().all()
