// zel23 diff: compares two cases record by record, matching records by their
// key fields rather than by position, so an inserted record shows as one
// record only in B instead of every later record changed.

#include "common.h"

#include <cmath>
#include <map>

namespace zel23tool {
namespace {

struct DiffOptions {
  std::string a;
  std::string b;
};

std::string recordKey(const ZELBus& r) { return fieldText(r.I()); }
std::string recordKey(const ZELGenerator& r) { return fieldText(r.I()) + " " + r.ID(); }
std::string recordKey(const ZELBranch& r) {
  return fieldText(r.I()) + " " + fieldText(r.J()) + " " + r.CKT();
}
std::string recordKey(const ZELTransformerAdjustment& r) {
  return fieldText(r.I()) + " " + fieldText(r.J()) + " " + r.CKT();
}
std::string recordKey(const ZELAreaInterchange& r) { return fieldText(r.I()); }
std::string recordKey(const ZELTwoTerminalDC& r) { return fieldText(r.I()); }
std::string recordKey(const ZELSwitchedShunt& r) { return fieldText(r.I()); }

class Differ {
public:
  explicit Differ(std::ostream& out) : out_(out) {}
  std::size_t count() const { return count_; }

  void comments(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
      const std::string* lineA = k < a.size() ? &a[k] : nullptr;
      const std::string* lineB = k < b.size() ? &b[k] : nullptr;
      if (lineA && lineB && *lineA == *lineB) continue;
      out_ << commentLabel(k) << " differs\n"
           << "  A: " << (lineA ? printable(*lineA) : "(none)") << "\n"
           << "  B: " << (lineB ? printable(*lineB) : "(none)") << "\n";
      ++count_;
    }
  }

  // Records with the same key are paired in order of appearance: the second
  // generator '1 ' of bus 5 in A with the second one in B.
  template <class Record>
  void section(int s, const std::vector<Record>& a, const std::vector<Record>& b) {
    std::map<std::string, std::vector<std::size_t>> inB;
    for (std::size_t k = 0; k < b.size(); ++k)
      inB[recordKey(b[k])].push_back(k);
    std::map<std::string, std::size_t> seen;
    std::vector<bool> matched(b.size(), false);
    for (const Record& ra : a) {
      std::string key = recordKey(ra);
      std::size_t n = seen[key]++;
      std::string label = recordLabel(s, key, n);
      auto found = inB.find(key);
      if (found == inB.end() || n >= found->second.size()) {
        out_ << label << ": only in A\n";
        ++count_;
        continue;
      }
      matched[found->second[n]] = true;
      fields(label, ra, b[found->second[n]]);
    }
    seen.clear();
    for (std::size_t k = 0; k < b.size(); ++k) {
      std::string key = recordKey(b[k]);
      std::size_t n = seen[key]++;
      if (matched[k]) continue;
      out_ << recordLabel(s, key, n) << ": only in B\n";
      ++count_;
    }
  }

private:
  template <class Record>
  void fields(const std::string& label, const Record& a, const Record& b) {
    std::vector<std::string> names;
    zel23::forEachField(a, [&](const char* name, const auto&) { names.push_back(name); });
    std::vector<zel23::FieldValue> va = zel23::fieldValues(a), vb = zel23::fieldValues(b);
    for (std::size_t k = 0; k < va.size(); ++k) {
      if (sameValue(va[k], vb[k])) continue;
      out_ << label << ": " << names[k] << ": " << valueText(va[k]) << " -> "
           << valueText(vb[k]) << "\n";
      ++count_;
    }
  }

  // A NaN read from "nan" equals itself here, so a case equals its own copy.
  static bool sameValue(const zel23::FieldValue& a, const zel23::FieldValue& b) {
    if (a == b) return true;
    auto* da = std::get_if<double>(&a);
    auto* db = std::get_if<double>(&b);
    return da && db && std::isnan(*da) && std::isnan(*db);
  }

  static std::string valueText(const zel23::FieldValue& value) {
    return std::visit([](const auto& v) { return printable(fieldText(v)); }, value);
  }

  static std::string recordLabel(int section, const std::string& key, std::size_t n) {
    std::string label = std::string(kSectionLabels[section]) + " " + printable(key);
    return n == 0 ? label : label + " (#" + std::to_string(n + 1) + ")";
  }

  static std::string commentLabel(std::size_t k) {
    if (k < 3) return "header line " + std::to_string(k + 1);
    if (k < 10)
      return std::string("terminator of the ") + kSectionLabels[k - 3] + " section";
    return "comment line " + std::to_string(k + 1);
  }

  std::ostream& out_;
  std::size_t count_ = 0;
};

int runDiff(const DiffOptions& o) {
  if (o.a == "-" && o.b == "-")
    throw ToolError("only one of A and B can be standard input");
  LoadedCase a = loadCase(o.a);
  LoadedCase b = loadCase(o.b);
  std::size_t differences = 0;
  writeOutput("-", [&](std::ostream& out) {
    Differ differ(out);
    differ.comments(a.data.comments, b.data.comments);
    forEachSection([&](int s, const auto& listA,
                       const auto& listB) { differ.section(s, listA, listB); },
                   a.data, b.data);
    differences = differ.count();
    if (differences > 0)
      out << differences << (differences == 1 ? " difference\n" : " differences\n");
  });
  return differences == 0 ? 0 : 1;
}

} // namespace

Subcommand addDiff(CLI::App& app) {
  auto o = std::make_shared<DiffOptions>();
  CLI::App* sub = app.add_subcommand(
      "diff", "Compare two cases record by record by key; exit 0 when equal, 1 when "
              "they differ");
  sub->add_option("A", o->a, "first raw case file (- for standard input)")->required();
  sub->add_option("B", o->b, "second raw case file (- for standard input)")->required();
  return {sub, [o] { return runDiff(*o); }};
}

} // namespace zel23tool
