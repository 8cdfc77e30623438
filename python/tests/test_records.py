"""Single records, bad arguments and the bus name registry."""
import pytest

import zel23
from conftest import CASES

GEN = "{}, 1 ,10,2,50,-50,1.02,0,100,0,1,0,0,1,1,100,80,0"
DC = ("   1,1,  8.2, 200, 500, 400, 0, 0,'R'",
      " 107, 2, 25, 5, 0, 12.5, 138, 0.44, 1, 1.15, 0.85, 0.00625",
      " 206, 2, 20, 17, 0, 12.5, 138, 0.44, 1, 1.15, 0.85, 0.00625")


@pytest.mark.parametrize("record, lines, message", [
    (zel23.Bus, ["1,1,0,0,0,0,1,1.0,0,'A',138"], "Error parsing bus data"),
    (zel23.Generator, [GEN.format(1)[:-5]], "Error parsing generator data: PT"),
    (zel23.Generator, [GEN.format("'NOWHERE'")], "Invalid bus number: -1"),
    (zel23.Load, ["0,'1 ',1,1,1,5,1,0,0,0,0"], "Invalid bus number 0"),
    (zel23.Branch, ["1,2,'1 ',0,0.1"], "Error parsing branch data"),
    (zel23.TransformerAdjustment, ["1 2 1 2 1.1 0.9 1.05 0.95 0.01"],
     "Error parsing transformer adjustment data: TABLE"),
    (zel23.AreaInterchange, ["1,1,0,10"], "Error parsing Area Interchange Data."),
    (zel23.SwitchedShunt, ["1,1,1.0,1.0,0,0,2"], "Error parsing switched shunt data: Ni or Bi"),
    (zel23.TwoTerminalDC, [DC[0], DC[1][:20], DC[2]], "Error parsing two terminal DC data: EBASR"),
])
def test_malformed_lines_raise_the_library_message(record, lines, message):
    with pytest.raises(ValueError) as raised:
        record.parse(*lines)
    assert str(raised.value) == message


def test_records_parse_print_compare_and_copy():
    case = zel23.read(CASES[0])
    for name in zel23.SECTIONS:
        for r in getattr(case, name):
            again = type(r).parse(*str(r).split("\n"))  # RATEC is not printed
            assert str(again) == str(r) and type(r).parse(*str(r).split("\n")) == again
    bus = case.buses[0].copy()
    assert repr(bus) == "Bus(I=101, NAME='NORTH G1', IDE=3, VM=1.04, VA=0.0, AREA=1)"
    bus.VM += 0.01
    assert bus != case.buses[0] and bus.VM == case.buses[0].VM + 0.01
    assert zel23.Bus(I=7, VM=0.5) == zel23.Bus.parse(str(zel23.Bus(I=7, VM=0.5)))
    assert zel23.Generator().QT == 9999.0 and zel23.Bus().NAME == "--------"
    assert "float field VM" in zel23.Bus.VM.__doc__


def test_switched_shunt_blocks():
    shunt = zel23.read(CASES[0]).shunts[1]
    assert (shunt.noBlocks, shunt.N, shunt.B) == (3, [1, 2, 1], [20.0, 10.0, -10.0])
    shunt.N[2] = 4
    shunt.B = [1.5, 2.5]
    assert (shunt.noBlocks, shunt.N, shunt.N3, shunt.B) == (2, [1, 2], 4, [1.5, 2.5])
    with pytest.raises(ValueError):
        shunt.N = range(9)
    with pytest.raises(IndexError):
        shunt.B[2]


def test_bus_names_reach_parse_but_not_read():
    zel23.bus_names.clear()
    zel23.bus_names["'NORTH'"] = 5
    assert zel23.Generator.parse(GEN.format("'NORTH'")).I == 5
    assert dict(zel23.bus_names) == {"'NORTH'": 5} and "'NORTH'" in zel23.bus_names
    text = CASES[0].read_text().replace(" 101,'1 '", "'NORTH','1 '")
    case = zel23.read(text)
    assert case.problems[0].message == "Invalid bus number: -1"
    assert dict(zel23.bus_names) == {"'NORTH'": 5}
    del zel23.bus_names["'NORTH'"]
    assert len(zel23.bus_names) == 0


class NumberedText(str):
    """Text that converts to a number: still text, never a field's number."""

    def __float__(self):
        return float(str(self))


class BadIndex:
    """An integer-like object whose conversion fails."""

    def __index__(self):
        raise ArithmeticError("no index")


@pytest.mark.parametrize("action, error", [
    (lambda c, t: zel23.read(t / "missing.raw"), FileNotFoundError),
    (lambda c, t: zel23.read(str(t)), IsADirectoryError),
    (lambda c, t: zel23.read(str(t / "a\0b")), ValueError),
    (lambda c, t: zel23.read(42), TypeError),
    (lambda c, t: zel23.read(None), TypeError),
    (lambda c, t: zel23.read(CASES[0], max_problems=-1), ValueError),
    (lambda c, t: zel23.write(c, t / "no" / "such.raw"), FileNotFoundError),
    (lambda c, t: zel23.write(c, t), IsADirectoryError),
    (lambda c, t: zel23.write(c, 3), TypeError),
    (lambda c, t: zel23.write("case", t / "a.raw"), TypeError),
    (lambda c, t: zel23.Bus.parse(5), TypeError),
    (lambda c, t: zel23.Bus(VMAX=1), TypeError),
    (lambda c, t: setattr(c.buses[0], "VM", "1.0"), TypeError),
    (lambda c, t: setattr(c.buses[0], "VM", NumberedText("1.0")), TypeError),
    (lambda c, t: setattr(c.buses[0], "I", 1.0), TypeError),
    (lambda c, t: setattr(c.buses[0], "I", 2**31), OverflowError),
    (lambda c, t: setattr(c.buses[0], "I", BadIndex()), ArithmeticError),
    (lambda c, t: setattr(c.buses[0], "NAME", b"'A'"), TypeError),
    (lambda c, t: c.buses[14], IndexError),
    (lambda c, t: setattr(c, "generators", [zel23.Bus()]), TypeError),
    (lambda c, t: setattr(c, "comments", ["0", 0]), TypeError),
    (lambda c, t: zel23.bus_names.__setitem__("NORTH", 1), ValueError),
    (lambda c, t: zel23.bus_names["'SOUTH'"], KeyError),
    (lambda c, t: zel23.Case.from_pandas({"bus": None}), ValueError),
])
def test_bad_arguments_raise_python_exceptions(action, error, tmp_path):
    case = zel23.read(CASES[0])
    before = case.to_bytes()
    with pytest.raises(error):
        action(case, tmp_path)
    assert case.to_bytes() == before
    assert [p.name for p in tmp_path.iterdir()] == []
