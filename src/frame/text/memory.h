#ifndef ZEL23_FRAME_MEMORY_H
#define ZEL23_FRAME_MEMORY_H

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zel23::detail {

#if defined(__linux__)
// Gives `advice` over the whole `alignment`-sized blocks of
// [start, start + bytes); it is only advice, and the memory stays the
// allocator's.
inline void adviseAligned(void* start, std::size_t bytes, std::uintptr_t alignment,
                          int advice) {
  const auto first =
      (reinterpret_cast<std::uintptr_t>(start) + alignment - 1) & ~(alignment - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(alignment - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, advice);
}
#endif

// Most of a large read's time would go to the kernel handing out fresh 4 KiB
// pages for the records. Where the kernel offers huge pages on request, ask
// for them over the 2 MiB-aligned part of a block.
inline void adviseHugePages([[maybe_unused]] void* start,
                            [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  adviseAligned(start, bytes, std::uintptr_t(1) << 21, MADV_HUGEPAGE);
#endif
}

// Asks the kernel for the pages of a block at once, where it can, rather
// than one fault at a time as they are first written.
inline void populatePages([[maybe_unused]] void* start,
                          [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  adviseAligned(start, bytes, 4096, MADV_POPULATE_WRITE);
#endif
}

} // namespace zel23::detail

#endif
