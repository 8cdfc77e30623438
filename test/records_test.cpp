// The record tables: data/records.txt (line -> every field -> printed form)
// and data/messages.txt (line -> message), and what the printers promise
// about the caller's stream.

#include "support.h"

#include <cmath>
#include <iomanip>
#include <locale>

namespace {

using namespace zel23_test;

// Names known while a row whose kind starts with '@' runs; parsers look them
// up and never add any.
struct Names {
  explicit Names(std::string& kind) : on(kind[0] == '@') {
    if (!on) return;
    kind.erase(0, 1);
    BName2BNum = {
        {"'NORTH'", 5}, {"'NORTH EAST'", 9}, {"'A'B'", 3}, {"'A'", 4}, {"'BUS 7'", 7}};
  }
  ~Names() {
    if (on) {
      EXPECT_EQ(5u, BName2BNum.size());
    }
    EXPECT_TRUE(BNum2BName.empty());
    BName2BNum.clear();
  }
  bool on;
};

// A record whose every field holds 7: a parse must replace all of it.
template <class Rec> Rec dirty() {
  Rec r;
  zel23::forEachField(r, [](const char*, auto& field) {
    using T = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<T, std::string>)
      field = "7";
    else
      field = 7;
  });
  return r;
}

// The row's text with '9' behind each line, parsed from views that end
// before it.
template <class Rec> std::string parsedFromViews(const std::string& text) {
  std::vector<std::string> l = linesOf<Rec>(text);
  std::string_view v[3];
  for (std::size_t i = 0; i < l.size(); ++i) {
    l[i] += '9';
    v[i] = std::string_view(l[i].data(), l[i].size() - 1);
  }
  Rec r;
  std::string m;
  bool ok;
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>)
    ok = zel23::parse(v[0], v[1], v[2], r, m);
  else
    ok = zel23::parse(v[0], r, m);
  return ok ? dump(r) : m;
}

// kind, line ("default": the default record, "~": none), fields, printed form.
TEST(RecordTable, LinesFieldsAndPrintedForms) {
  for (Row row : table("records.txt")) {
    SCOPED_TRACE(row[0] + " " + shown(row[1]));
    Names names(row[0]);
    forKind(row[0], [&](auto tag) {
      using Rec = decltype(tag);
      // Printed into a plain stream and into one in another state: the same
      // text; the printer leaves four decimals and blank fill behind.
      std::ostringstream os;
      os << std::scientific << std::setfill('*') << std::setprecision(9);
      const std::ios::fmtflags before = os.flags();
      os << fromDump<Rec>(row[2]);
      EXPECT_EQ(row[3], os.str());
      EXPECT_EQ(row[3], printed(fromDump<Rec>(row[2])));
      EXPECT_EQ(before, os.flags());
      EXPECT_EQ(4, os.precision());
      EXPECT_EQ(' ', os.fill());
      if (row[1] == "default") {
        EXPECT_EQ(row[2], dump(Rec()));
      }
      if (row[1] == "default" || row[1] == "~") return;
      Rec r = dirty<Rec>();
      std::string message = "untouched";
      ASSERT_TRUE(parseText(row[1], r, message)) << message;
      EXPECT_EQ("untouched", message);
      EXPECT_EQ(row[2], dump(r));
      EXPECT_EQ(row[2], dump(construct<Rec>(row[1])));
      EXPECT_EQ(row[2], parsedFromViews<Rec>(row[1]));
    });
  }
}

// kind, line, message. A failed parse leaves the record as it was.
TEST(RecordTable, LinesAndMessages) {
  for (Row row : table("messages.txt")) {
    SCOPED_TRACE(row[0] + " " + shown(row[1]));
    Names names(row[0]);
    forKind(row[0], [&](auto tag) {
      using Rec = decltype(tag);
      Rec r = dirty<Rec>();
      std::string message;
      EXPECT_FALSE(parseText(row[1], r, message));
      EXPECT_EQ(row[2], message);
      EXPECT_EQ(dump(dirty<Rec>()), dump(r));
    });
  }
}

// A decimal comma with thousands grouping: only the stream can format that.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// The printer sets fixed notation, four decimals and blank fill, takes the
// caller's other flags and locale as they are, uses up a pending width and
// restores the flags: an area record printed is what the stream writes.
TEST(PrinterTest, CallersStreamSettings) {
  const std::locale comma(std::locale::classic(), new CommaPunct);
  const std::ios::fmtflags flags[] = {
      std::ios::fmtflags(), std::ios::left, std::ios::internal,
      std::ios::showpos,    std::ios::hex,  std::ios::hex | std::ios::uppercase,
      std::ios::scientific};
  for (const double value : {0.0, -0.0, 1234567.5, 0.03125, -2.675, 1e20, -0.00005,
                             1e-320, 123.45678, HUGE_VAL}) {
    for (std::size_t v = 0; v <= std::size(flags); ++v) {
      const std::ios::fmtflags f = v < std::size(flags) ? flags[v] : std::ios::fmtflags();
      const std::locale loc = v < std::size(flags) ? std::locale::classic() : comma;
      SCOPED_TRACE(std::to_string(v) + " " + std::to_string(value));
      const ZELAreaInterchange a =
          fromDump<ZELAreaInterchange>("1234567|-255|" + exact(value) + "|10|'A'");
      std::ostringstream ref, os;
      ref.flags(f);
      ref.imbue(loc);
      ref << std::setfill(' ') << std::fixed << std::showpoint << std::setprecision(4)
          << std::setw(6) << a.I() << ',' << std::setw(6) << a.ISW() << ','
          << std::setw(9) << a.PDES() << ',' << std::setw(9) << a.PTOL() << ','
          << std::setw(10) << a.ARNAME();
      os.flags(f);
      os.imbue(loc);
      os << std::setfill('*') << std::setprecision(9) << std::setw(40) << a << "|" << a;
      EXPECT_EQ(ref.str() + "|" + ref.str(), os.str());
      EXPECT_EQ(f, os.flags());
      EXPECT_EQ(4, os.precision());
      EXPECT_EQ(' ', os.fill());
      EXPECT_EQ(0, os.width());
    }
  }
}

// Text fields longer than any buffer a printer may keep are written whole.
TEST(PrinterTest, LongTextFields) {
  for (const std::size_t length : {11u, 948u, 1000u, 1023u, 1024u, 1030u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string name = "'" + std::string(length - 2, 'N') + "'";
    std::string bus = printed(ZELBus()), dc = printed(ZELTwoTerminalDC());
    EXPECT_EQ(bus.replace(bus.find("'--------'"), 10, name),
              printed(fromDump<ZELBus>("-1|1|0|0|0|0|1|1|0|" + name + "|0|1")));
    ZELTwoTerminalDC longer;
    longer.METER() = name;
    EXPECT_EQ(dc.replace(dc.find("'I'"), 3, name), printed(longer));
  }
}

// The first two lines of a DC record end with std::endl, which flushes; the
// third is left to the caller.
TEST(PrinterTest, DcFlushesItsFirstTwoLines) {
  struct SyncLog : std::stringbuf {
    std::vector<std::string> atSync;
    int sync() override {
      atSync.push_back(str());
      return 0;
    }
  } buffer;
  std::ostream os(&buffer);
  os << ZELTwoTerminalDC();
  const std::string text = printed(ZELTwoTerminalDC());
  const std::size_t first = text.find('\n') + 1;
  EXPECT_EQ((std::vector<std::string>{text.substr(0, first),
                                      text.substr(0, text.find('\n', first) + 1)}),
            buffer.atSync);
  EXPECT_EQ(text, buffer.str());
}

} // namespace
