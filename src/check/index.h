#ifndef ZEL23_CHECK_INDEX_H
#define ZEL23_CHECK_INDEX_H

// Lookups the checks make once per record, in constant time each: record
// indices by key in an open-addressing table, and identifiers compared the
// way people read them.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zel23::detail::check {

inline constexpr std::uint32_t kNone = UINT32_MAX;

/// Spreads the bits of a key over the whole word (splitmix64's finaliser).
inline std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

/// An identifier without its blanks and apostrophes: '1 ', 1 and ' 1' are
/// one circuit.
inline std::string_view bare(std::string_view s) {
  const auto trim = [](std::string_view t) {
    const std::size_t first = t.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::string_view();
    return t.substr(first, t.find_last_not_of(" \t") - first + 1);
  };
  s = trim(s);
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'')
    s = trim(s.substr(1, s.size() - 2));
  return s;
}

/// Record indices by key. The caller gives each key's hash and a test
/// same(index) that tells whether the record at `index` has the key sought;
/// the table holds at most `count` indices.
class IndexTable {
public:
  explicit IndexTable(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count)
      size *= 2;
    slots_.assign(size, kNone);
    mask_ = size - 1;
  }

  /// The first index added under an equal key; kNone, after adding `index`,
  /// when there is none.
  template <class Same>
  std::uint32_t add(std::uint64_t hash, std::uint32_t index, Same same) {
    for (std::size_t s = hash & mask_;; s = (s + 1) & mask_) {
      if (slots_[s] == kNone) {
        slots_[s] = index;
        return kNone;
      }
      if (same(slots_[s])) return slots_[s];
    }
  }

  /// The first index added under an equal key, or kNone.
  template <class Same> std::uint32_t find(std::uint64_t hash, Same same) const {
    for (std::size_t s = hash & mask_;; s = (s + 1) & mask_)
      if (slots_[s] == kNone || same(slots_[s])) return slots_[s];
  }

private:
  std::vector<std::uint32_t> slots_;
  std::size_t mask_ = 0;
};

} // namespace zel23::detail::check

#endif
