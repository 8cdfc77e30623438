// A raw case, read recoverably from the input, through writeMatpower and
// readMatpower.
//
// Always: the written text holds no control byte but the line feeds and tabs
// the writer puts between elements, and no comment line whose `%` is followed
// by a brace (a block comment's start or end). Where the case is one MATPOWER
// can hold (bus numbers positive and unique, every generator and branch at a
// bus of the case, a positive finite base), the text reads with no problem
// and no note (but the one on apostrophes in names) into the same mapped fields: every
// number to the bit, the BS of a bus with its switched shunts' BINIT added. Header lines
// 2 and 3 and the names read back as they were when they are plain (printable ASCII and
// tabs, no leading brace); otherwise what reads back is made of what they
// held, in order, and is plain but for UTF-8.

#include "fuzz_support.h"
#include "zel23_matpower.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <sstream>

namespace {

using zel23_fuzz::sameValues;
using Values = std::vector<zel23::FieldValue>;

bool isControl(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

bool cleanText(const std::string& text) {
  std::size_t start = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c == '\n') {
      start = k + 1;
    } else if (isControl(c) ||
               (k == start + 1 && text[start] == '%' && (c == '{' || c == '}'))) {
      return false;
    }
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// A name without its blanks and one pair of apostrophes around it.
std::string_view bare(std::string_view name) {
  name = trim(name);
  if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
    name = trim(name.substr(1, name.size() - 2));
  return name;
}

// `after` is `before` when that is plain; else the bytes of `before` it
// keeps are in order and none is a control byte (a comment may have gained a
// blank before a leading brace).
bool keptWhatItCould(std::string_view before, std::string_view after, bool comment) {
  bool plain = !(comment && !before.empty() && (before[0] == '{' || before[0] == '}'));
  for (unsigned char c : before)
    plain = plain && !isControl(c) && c < 0x80;
  if (plain) return before == after;
  if (comment && after.size() >= 2 && after[0] == ' ' &&
      (after[1] == '{' || after[1] == '}'))
    after.remove_prefix(1);
  std::size_t at = 0;
  for (char c : after) {
    if (isControl(static_cast<unsigned char>(c))) return false;
    at = before.find(c, at);
    if (at == std::string_view::npos) return false;
    ++at;
  }
  return true;
}

bool holdable(const zel23::Case& c) {
  std::set<int> buses;
  // The reader refuses a name longer than a raw bus line holds.
  for (const ZELBus& b : c.buses)
    if (b.I() <= 0 || !buses.insert(b.I()).second || b.NAME().size() > 927) return false;
  for (const ZELGenerator& g : c.generators)
    if (!buses.count(g.I())) return false;
  for (const ZELBranch& b : c.branches)
    if (!buses.count(b.I()) || !buses.count(b.J())) return false;
  // A raw header holds a base from 1 to the largest int.
  return c.systemBase >= 1 && c.systemBase < 2147483648.0;
}

// The named fields of every record agree.
template <class Rec>
bool sameFields(const std::vector<Rec>& a, const std::vector<Rec>& b,
                std::initializer_list<std::string_view> names) {
  auto pick = [&](const Rec& r) {
    Values values;
    for (std::string_view name : names)
      zel23::forEachField(r, [&](const char* field, const auto& value) {
        if (name == field) values.emplace_back(value);
      });
    return values;
  };
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (!sameValues(pick(a[k]), pick(b[k]))) return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23::Case c1;
  zel23::readBuffer(zel23_fuzz::asText(data, size), c1);
  std::ostringstream out;
  zel23::writeMatpower(out, c1);
  const std::string text = out.str();
  FUZZ_CHECK(cleanText(text));
  if (!holdable(c1)) return 0;
  zel23::Case c2;
  const zel23::MatpowerReport r = zel23::readMatpower(text, c2);
  // Reading notes apostrophes in names, which raw names cannot hold.
  bool apostrophes = false;
  for (const ZELBus& b : c1.buses)
    apostrophes = apostrophes || bare(b.NAME()).find('\'') != std::string_view::npos;
  FUZZ_CHECK(r.ok() && r.notCarried.size() == (apostrophes ? 1u : 0u));
  FUZZ_CHECK(zel23_fuzz::sameDouble(c1.systemBase, c2.systemBase));
  for (std::size_t k = 1; k < 3; ++k)
    FUZZ_CHECK(keptWhatItCould(k < c1.comments.size() ? c1.comments[k] : "",
                               c2.comments[k], true));
  // The raw bus with its shunts' BINIT in BL, as the writer adds them.
  std::vector<ZELBus> expected = c1.buses;
  std::vector<double> extra(expected.size(), 0.0);
  for (const ZELSwitchedShunt& s : c1.shunts)
    for (std::size_t k = 0; k < expected.size(); ++k)
      if (expected[k].I() == s.I()) extra[k] += s.BINIT();
  for (std::size_t k = 0; k < expected.size(); ++k) {
    expected[k].BL() += extra[k];
    std::string name(bare(c1.buses[k].NAME())), back(bare(c2.buses[k].NAME()));
    for (char& ch : name)
      if (ch == '\'') ch = '`';
    FUZZ_CHECK(keptWhatItCould(name, back, false));
  }
  FUZZ_CHECK(sameFields(
      expected, c2.buses,
      {"I", "IDE", "PL", "QL", "GL", "BL", "AREA", "VM", "VA", "BASKV", "ZONE"}));
  FUZZ_CHECK(
      sameFields(c1.generators, c2.generators,
                 {"I", "PG", "QG", "QT", "QB", "VS", "MBASE", "STAT", "PT", "PB"}));
  FUZZ_CHECK(sameFields(
      c1.branches, c2.branches,
      {"I", "J", "R", "X", "B", "RATEA", "RATEB", "RATEC", "RATIO", "ANGLE", "ST"}));
  FUZZ_CHECK(sameFields(c1.areas, c2.areas, {"I", "ISW"}));
  return 0;
}
