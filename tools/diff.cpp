// zel23 diff: compares two cases record by record, matching records by their
// key fields rather than by position, so an inserted record shows as one
// record only in B instead of every later record changed.
//
// What counts as a difference is chosen so that a case and its MATPOWER
// round trip can be compared: numbers within a tolerance, names without
// their padding, header and terminator lines only on request.

#include "common.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <type_traits>

namespace zel23tool {
namespace {

using Json = nlohmann::ordered_json;

struct DiffOptions {
  std::string a;
  std::string b;
  double tolerance = 0;
  bool strictNames = false;
  bool comments = false;
  bool json = false;
  std::vector<std::string> ignoreFields;
};

// Records are matched by their leading fields: bus I; generator I, ID;
// branch and transformer adjustment I, J, CKT; the other sections I.
constexpr int kKeyFields[zel23::kSectionCount] = {1, 2, 3, 3, 1, 1, 1};

template <class T> constexpr bool isText = std::is_same_v<std::decay_t<T>, std::string>;

// Two numbers are the same when |a - b| <= X or |a - b| <= X * max(|a|, |b|):
// they differ only when they differ by more than X both absolutely and
// relatively. A NaN equals a NaN, so a case equals its own copy.
bool sameNumber(double a, double b, double tolerance) {
  if (a == b || (std::isnan(a) && std::isnan(b))) return true;
  return std::fabs(a - b) <= tolerance * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// One difference, as both outputs show it.
struct Difference {
  std::string label; ///< "bus 2", "header line 1", "system base"
  std::string kind;  ///< field, only_in_a, only_in_b, comment, system_base
  Json json;         ///< where it is, for --json
  std::string field; ///< the field, or empty
  std::optional<zel23::FieldValue> a; ///< A's value; none when only B has it
  std::optional<zel23::FieldValue> b;
};

// A record's key: how it is matched, shown and written as JSON.
struct Key {
  std::string match;
  std::string shown;
  Json json = Json::object();
};

class Differ {
public:
  explicit Differ(const DiffOptions& o)
      : o_(o), ignored_(o.ignoreFields.begin(), o.ignoreFields.end()) {}
  const std::vector<Difference>& differences() const { return found_; }

  void systemBase(double a, double b) {
    if (!sameNumber(a, b, o_.tolerance))
      found_.push_back({"system base", "system_base", Json::object(), "", a, b});
  }

  void comments(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
      std::optional<zel23::FieldValue> lineA, lineB;
      if (k < a.size()) lineA = a[k];
      if (k < b.size()) lineB = b[k];
      if (lineA == lineB) continue;
      found_.push_back({commentLabel(k), "comment", {{"line", k + 1}}, "", lineA, lineB});
    }
  }

  // Records with the same key are paired in order of appearance: the second
  // generator '1 ' of bus 5 in A with the second one in B.
  template <class Record>
  void section(zel23::Section s, const std::vector<Record>& a,
               const std::vector<Record>& b) {
    std::map<std::string, std::vector<std::size_t>> inB;
    for (std::size_t k = 0; k < b.size(); ++k)
      inB[keyOf(s, b[k]).match].push_back(k);
    std::map<std::string, std::size_t> seen;
    std::vector<bool> matched(b.size(), false);
    for (const Record& ra : a) {
      Key key = keyOf(s, ra);
      std::size_t n = seen[key.match]++;
      auto found = inB.find(key.match);
      if (found == inB.end() || n >= found->second.size()) {
        only(s, key, n, "only_in_a");
        continue;
      }
      matched[found->second[n]] = true;
      fields(s, key, n, ra, b[found->second[n]]);
    }
    seen.clear();
    for (std::size_t k = 0; k < b.size(); ++k) {
      Key key = keyOf(s, b[k]);
      std::size_t n = seen[key.match]++;
      if (!matched[k]) only(s, key, n, "only_in_b");
    }
  }

private:
  template <class Record> Key keyOf(zel23::Section s, const Record& r) const {
    Key key;
    int n = 0;
    zel23::forEachField(r, [&](const char* name, const auto& value) {
      if (n++ >= kKeyFields[int(s)]) return;
      std::string text = fieldText(value);
      key.shown += (key.shown.empty() ? "" : " ") + text;
      if constexpr (isText<decltype(value)>)
        if (!o_.strictNames) text = bareName(text);
      key.match += text + '\0';
      key.json[name] = value;
    });
    return key;
  }

  Difference record(zel23::Section s, const Key& key, std::size_t n,
                    const char* kind) const {
    const zel23::SectionNames& names = zel23::sectionNames(s);
    std::string label = std::string(names.label) + " " + printable(key.shown);
    if (n > 0) label += " (#" + std::to_string(n + 1) + ")";
    return {label,
            kind,
            {{"section", names.key}, {"key", key.json}, {"occurrence", n + 1}},
            "",
            std::nullopt,
            std::nullopt};
  }

  void only(zel23::Section s, const Key& key, std::size_t n, const char* kind) {
    found_.push_back(record(s, key, n, kind));
  }

  template <class Record>
  void fields(zel23::Section s, const Key& key, std::size_t n, const Record& a,
              const Record& b) {
    std::vector<const char*> names;
    zel23::forEachField(a, [&](const char* name, const auto&) { names.push_back(name); });
    std::vector<zel23::FieldValue> va = zel23::fieldValues(a), vb = zel23::fieldValues(b);
    for (std::size_t k = 0; k < va.size(); ++k) {
      if (ignored_.count(names[k]) || same(va[k], vb[k])) continue;
      Difference d = record(s, key, n, "field");
      d.field = names[k];
      d.json["field"] = d.field;
      d.a = va[k];
      d.b = vb[k];
      found_.push_back(std::move(d));
    }
  }

  bool same(const zel23::FieldValue& a, const zel23::FieldValue& b) const {
    return std::visit(
        [&](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          const T& y = std::get<T>(b);
          if constexpr (std::is_same_v<T, double>)
            return sameNumber(x, y, o_.tolerance);
          else if constexpr (isText<T>)
            return o_.strictNames ? x == y : bareName(x) == bareName(y);
          else
            return x == y;
        },
        a);
  }

  static std::string commentLabel(std::size_t k) {
    if (k < 3) return "header line " + std::to_string(k + 1);
    if (k < 10)
      return std::string("terminator of the ") +
             zel23::sectionNames(zel23::kSections[k - 3]).label + " section";
    return "comment line " + std::to_string(k + 1);
  }

  const DiffOptions& o_;
  std::set<std::string, std::less<>> ignored_;
  std::vector<Difference> found_;
};

std::string valueText(const std::optional<zel23::FieldValue>& value) {
  if (!value) return "(none)";
  return std::visit([](const auto& v) { return printable(fieldText(v)); }, *value);
}

Json valueJson(const std::optional<zel23::FieldValue>& value) {
  if (!value) return nullptr;
  return std::visit([](const auto& v) { return Json(v); }, *value);
}

void printText(std::ostream& out, const std::vector<Difference>& found) {
  for (const Difference& d : found) {
    out << d.label;
    if (d.kind == "comment")
      out << " differs\n  A: " << valueText(d.a) << "\n  B: " << valueText(d.b) << '\n';
    else if (d.kind == "only_in_a")
      out << ": only in A\n";
    else if (d.kind == "only_in_b")
      out << ": only in B\n";
    else
      out << ": " << (d.field.empty() ? "" : d.field + ": ") << valueText(d.a) << " -> "
          << valueText(d.b) << '\n';
  }
  if (!found.empty())
    out << found.size() << (found.size() == 1 ? " difference\n" : " differences\n");
}

void printJson(std::ostream& out, const std::vector<Difference>& found) {
  Json list = Json::array();
  for (const Difference& d : found) {
    Json entry = {{"kind", d.kind}};
    entry.update(d.json);
    entry["label"] = d.label;
    if (d.a || d.b) {
      entry["a"] = valueJson(d.a);
      entry["b"] = valueJson(d.b);
    }
    list.push_back(std::move(entry));
  }
  out << jsonText(Json{{"count", found.size()}, {"differences", list}}, 2) << '\n';
}

// Every field name of every record, for checking --ignore-field.
std::set<std::string> fieldNames() {
  std::set<std::string> names;
  zel23::Case c;
  zel23::forEachSection(
      [&](zel23::Section, auto& list) {
        list.emplace_back();
        zel23::forEachField(list.back(),
                            [&](const char* name, const auto&) { names.insert(name); });
      },
      c);
  return names;
}

int runDiff(const DiffOptions& o) {
  if (o.a == "-" && o.b == "-")
    throw ToolError("only one of A and B can be standard input");
  if (!(o.tolerance >= 0) || std::isinf(o.tolerance))
    throw ToolError("--tolerance takes a number of 0 or more");
  const std::set<std::string> known = fieldNames();
  for (const std::string& name : o.ignoreFields)
    if (!known.count(name))
      throw ToolError("--ignore-field: no record has a field '" + printable(name) +
                      "' (field names as zel23 export writes them)");
  LoadedCase a = loadCase(o.a);
  LoadedCase b = loadCase(o.b);
  Differ differ(o);
  differ.systemBase(a.data.systemBase, b.data.systemBase);
  if (o.comments) differ.comments(a.data.comments, b.data.comments);
  zel23::forEachSection([&](zel23::Section s, const auto& listA,
                            const auto& listB) { differ.section(s, listA, listB); },
                        a.data, b.data);
  writeOutput("-", [&](std::ostream& out) {
    if (o.json)
      printJson(out, differ.differences());
    else
      printText(out, differ.differences());
  });
  return differ.differences().empty() ? 0 : 1;
}

} // namespace

Subcommand addDiff(CLI::App& app) {
  auto o = std::make_shared<DiffOptions>();
  CLI::App* sub = app.add_subcommand(
      "diff", "Compare two cases record by record by key; exit 0 when equal, 1 when "
              "they differ");
  sub->add_option("A", o->a, "first case file (- for standard input)")->required();
  sub->add_option("B", o->b, "second case file (- for standard input)")->required();
  sub->add_option("--tolerance", o->tolerance,
                  "numbers differ only by more than X both absolutely and relatively "
                  "(|a-b| > X and |a-b| > X*max(|a|,|b|)); integers stay exact");
  sub->add_flag("--strict-names", o->strictNames,
                "compare names, IDs and circuits with their apostrophes and outer "
                "blanks");
  sub->add_flag("--comments", o->comments,
                "compare the header and terminator lines as well");
  addListOption(sub, "--ignore-field", o->ignoreFields,
                "do not compare these fields (names as in the format, comma-separated)");
  sub->add_flag("--json", o->json, "print every difference as one JSON document");
  return {sub, [o] { return runDiff(*o); }};
}

} // namespace zel23tool
