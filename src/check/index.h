#ifndef ZEL23_CHECK_INDEX_H
#define ZEL23_CHECK_INDEX_H

// Lookups the checks make once per record, in constant time each: record
// indices by key in an open-addressing table, and identifiers compared the
// way people read them.

#include "frame/text/wording.h"
#include "zel23.h"

#include <algorithm>
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

/// Record indices by key. The caller gives each key's hash and a test
/// same(index) that tells whether the record at `index` has the key sought;
/// the table holds at most `count` indices. Each slot keeps the upper half
/// of its key's hash beside the index, so that a probe reads a record only
/// when the hashes match.
class IndexTable {
public:
  explicit IndexTable(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count)
      size *= 2;
    slots_.assign(size, kEmpty);
    mask_ = size - 1;
  }

  /// The first index added under an equal key; kNone, after adding `index`,
  /// when there is none.
  template <class Same>
  std::uint32_t add(std::uint64_t hash, std::uint32_t index, Same same) {
    const std::uint64_t tag = hash & ~std::uint64_t(kNone);
    for (std::size_t s = hash & mask_;; s = (s + 1) & mask_) {
      const std::uint64_t slot = slots_[s];
      if (slot == kEmpty) {
        slots_[s] = tag | index;
        return kNone;
      }
      if ((slot & ~std::uint64_t(kNone)) == tag && same(std::uint32_t(slot)))
        return std::uint32_t(slot);
    }
  }

  /// Asks the memory for the slot a look-up of `hash` starts at, so that a
  /// loop can ask a few records ahead and not wait for each in turn.
  void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

  /// The first index added under an equal key, or kNone.
  template <class Same> std::uint32_t find(std::uint64_t hash, Same same) const {
    const std::uint64_t tag = hash & ~std::uint64_t(kNone);
    for (std::size_t s = hash & mask_;; s = (s + 1) & mask_) {
      const std::uint64_t slot = slots_[s];
      if (slot == kEmpty) return kNone;
      if ((slot & ~std::uint64_t(kNone)) == tag && same(std::uint32_t(slot)))
        return std::uint32_t(slot);
    }
  }

private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t(0);
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
};

/// Bus record indices by bus number: an array over the numbers' range when
/// they are dense enough (one memory access per look-up), an IndexTable
/// otherwise.
class BusIndex {
public:
  explicit BusIndex(const std::vector<ZELBus>& buses) : buses_(buses), table_(0) {
    if (buses.empty()) return;
    std::int64_t low = buses[0].I(), high = low;
    for (const ZELBus& b : buses) {
      low = std::min<std::int64_t>(low, b.I());
      high = std::max<std::int64_t>(high, b.I());
    }
    const auto same = [&](int number) {
      return [&buses, number](std::uint32_t k) { return buses[k].I() == number; };
    };
    if (high - low < 4 * std::int64_t(buses.size()) + 1024) {
      low_ = low;
      dense_.assign(std::size_t(high - low + 1), kNone);
      for (std::size_t i = buses.size(); i-- > 0;)
        dense_[std::size_t(buses[i].I() - low)] = std::uint32_t(i);
    } else {
      table_ = IndexTable(buses.size());
      for (std::size_t i = 0; i < buses.size(); ++i)
        table_.add(mix(std::uint32_t(buses[i].I())), std::uint32_t(i),
                   same(buses[i].I()));
    }
  }

  /// Asks the memory for what find(number) will read (see IndexTable).
  void prefetch(int number) const {
    const std::int64_t k = std::int64_t(number) - low_;
    if (k >= 0 && k < std::int64_t(dense_.size()))
      __builtin_prefetch(&dense_[std::size_t(k)]);
  }

  /// The index of the first bus record with this number, or kNone.
  std::uint32_t find(int number) const {
    if (!dense_.empty()) {
      const std::int64_t k = std::int64_t(number) - low_;
      return k < 0 || k >= std::int64_t(dense_.size()) ? kNone : dense_[std::size_t(k)];
    }
    return table_.find(mix(std::uint32_t(number)),
                       [&](std::uint32_t k) { return buses_[k].I() == number; });
  }

private:
  const std::vector<ZELBus>& buses_;
  std::int64_t low_ = 0;
  std::vector<std::uint32_t> dense_;
  IndexTable table_;
};

} // namespace zel23::detail::check

#endif
