#ifndef ZEL23_FRAME_MEMORY_H
#define ZEL23_FRAME_MEMORY_H

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zel23::detail {

// Most of a large read's time would go to the kernel handing out fresh 4 KiB
// pages for the records. Where the kernel offers huge pages on request, ask
// for them over the 2 MiB-aligned part of a block: it is only advice, and the
// memory stays the allocator's.
inline void adviseHugePages([[maybe_unused]] void* start,
                            [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t(1) << 21;
  const auto first = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kHuge - 1);
  if (last > first)
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

} // namespace zel23::detail

#endif
