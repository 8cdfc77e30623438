#ifndef ZEL23_FRAME_MEMORY_BUFFER_H
#define ZEL23_FRAME_MEMORY_BUFFER_H

#include <streambuf>
#include <string_view>

namespace zel23::detail {

// A stream buffer that hands out text held in memory, in place and for
// reading only: an std::istream over it reads the bytes without a copy.
class MemoryBuffer : public std::streambuf {
public:
  explicit MemoryBuffer(std::string_view text) {
    char* const start = const_cast<char*>(text.data()); // never written through
    setg(start, start, start + text.size());
  }
};

} // namespace zel23::detail

#endif
