"""Checked by mypy, never run: what the package's types tell an editor and a
type checker (scripts/python-test.sh). Each `# type: ignore[...]` marks a
mistake the types must catch; one that catches nothing fails the check."""

from typing import List, Union, assert_type

import numpy

import zel23


def usage(path: str) -> None:
    case = zel23.read(path, strict=True, max_problems=10)
    assert_type(case, zel23.Case)
    assert_type(zel23.read_matpower(b"function mpc = c\n"), zel23.Case)
    assert_type(zel23.read(numpy.frombuffer(b"0 100\n", numpy.uint8)), zel23.Case)
    bus = case.buses[0]
    assert_type(bus, zel23.Bus)
    assert_type((bus.I, bus.VM, bus.NAME), tuple[int, float, str])
    assert_type(case.buses[1:], List[zel23.Bus])
    assert_type(bus.stored("NAME"), Union[int, float, str])
    assert_type(zel23.Bus.parse("1,'A',1"), zel23.Bus)
    assert_type(zel23.TwoTerminalDC.parse("1", "2", b"3"), zel23.TwoTerminalDC)
    assert_type(case.generator(1, 1), zel23.Generator)
    assert_type(case.branch(1, 2, "2").X, float)
    case.buses.append(zel23.Bus(I=1, NAME="NORTH", VM=1.02))
    case.areas.extend([zel23.AreaInterchange(I=1, ARNAME="WEST")])
    case.comments = ["0 100.0", "", ""]
    shunt = case.shunts[0]
    assert_type(shunt.N[0], int)
    assert_type(shunt.B[1:], List[float])
    shunt.N[1] = 2
    problem = case.problems[0]
    assert_type((problem.line, problem.code), tuple[int, str])
    assert_type(zel23.write_matpower(case, "out.m", name="c"), List[str])
    assert_type(case.to_text(printed=True), str)
    assert_type(case.solve(tolerance=1e-6).converged, bool)
    assert_type(zel23.bus_names["'NORTH'"], int)
    assert_type(zel23.SECTIONS, tuple[str, ...])

    bus.VM = "1.02"  # type: ignore[assignment]
    zel23.Bus(VM="high")  # type: ignore[arg-type]
    zel23.Bus(1)  # type: ignore[misc]
    zel23.Bus(VOLTAGE=1.0)  # type: ignore[call-arg]
    bus.VMAG  # type: ignore[attr-defined]
    case.buses.append(zel23.Generator())  # type: ignore[arg-type]
    case.bus("1")  # type: ignore[arg-type]
    zel23.write(case, 3)  # type: ignore[arg-type]
    zel23.read(path, strict="yes")  # type: ignore[arg-type]
    shunt.N[0] = 1.5  # type: ignore[assignment]
