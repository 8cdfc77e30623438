#include "frame/text/scan.h"

#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel23::detail {
namespace {

using Word = std::uint64_t;
constexpr std::size_t kWordBits = 64;

// One bit per byte of a line, 64 bytes a word, for each byte class the
// splitter asks about. Bytes past the line's end count as blanks. Left
// uninitialized: a line's words are all written before they are read.
struct ByteClasses {
  Word blank; // ' ' or '\t'
  Word comma;
  Word quote;
};

ByteClasses classify64(const char* p) {
  ByteClasses c{0, 0, 0};
#if defined(__SSE2__)
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const auto bits = [&bytes](char ch) {
      return Word(static_cast<std::uint16_t>(
          _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(ch)))));
    };
    c.blank |= (bits(' ') | bits('\t')) << (16 * k);
    c.comma |= bits(',') << (16 * k);
    c.quote |= bits('\'') << (16 * k);
  }
#else
  for (std::size_t i = 0; i < kWordBits; ++i) {
    const Word bit = Word(1) << i;
    c.blank |= p[i] == ' ' || p[i] == '\t' ? bit : 0;
    c.comma |= p[i] == ',' ? bit : 0;
    c.quote |= p[i] == '\'' ? bit : 0;
  }
#endif
  return c;
}

// The splitter works on bitmaps of byte classes, one bit per byte, rather
// than on the bytes one at a time: the structural-character bitmaps of
// simdjson's first stage (G. Langdale and D. Lemire, "Parsing Gigabytes of
// JSON per Second", VLDB Journal 28, 2019), where a comparison of 16 bytes
// at a time gives each class's bits, and shifts, carries across 64-bit words
// and an addition that runs through a run of set bits find where fields
// start, with no branch per byte. Each line's tail is copied into a padded
// word so that the last load stays inside it.
//
// The byte classes of a whole line, and the positions where the splitter
// starts something: the first byte of every run of bytes that are neither
// blanks nor commas, and every comma whose nearest byte before it that is
// not a blank is a comma (an empty field).
class LineBits {
public:
  explicit LineBits(std::string_view line)
      : n_(line.size()), words_((n_ + kWordBits - 1) / kWordBits) {
    if (words_ > kInline) {
      heap_ = std::make_unique<ByteClasses[]>(words_);
      heapEvents_ = std::make_unique<Word[]>(words_);
      classes_ = heap_.get();
      events_ = heapEvents_.get();
    }
    Word nonSepCarry = 0;  // the previous word's last byte is not a separator
    Word commaCarry = 0;   // ... is a comma
    bool runCarry = false; // a run of blanks after a comma goes on into this word
    for (std::size_t w = 0; w < words_; ++w) {
      const std::size_t at = w * kWordBits;
      ByteClasses c{};
      if (n_ - at >= kWordBits) {
        c = classify64(line.data() + at);
      } else {
        char tail[kWordBits];
        std::memset(tail, ' ', sizeof tail);
        std::memcpy(tail, line.data() + at, n_ - at);
        c = classify64(tail);
      }
      classes_[w] = c;
      const Word nonSep = ~(c.blank | c.comma);
      const Word starts = nonSep & ~((nonSep << 1) | nonSepCarry);
      // Bytes right after a comma; from those that are blanks, adding the
      // blanks carries through each run to the first byte past it.
      const Word afterComma = (c.comma << 1) | commaCarry;
      const Word runStarts = afterComma & c.blank;
      Word reached = 0;
      const bool carryOut = __builtin_add_overflow(runStarts, c.blank, &reached);
      reached += runCarry ? 1 : 0; // overflows only on a word of blanks, caught below
      const Word landed = (reached & ~c.blank) | (afterComma & ~c.blank);
      events_[w] = starts | (landed & c.comma);
      nonSepCarry = nonSep >> (kWordBits - 1);
      commaCarry = c.comma >> (kWordBits - 1);
      runCarry = carryOut || (runCarry && reached == 0 && c.blank == ~Word(0));
    }
  }

  LineBits(const LineBits&) = delete;
  LineBits& operator=(const LineBits&) = delete;

  std::size_t words() const { return words_; }
  const ByteClasses& classes(std::size_t w) const { return classes_[w]; }
  Word* events() { return events_; }

  bool is(Word ByteClasses::*set, std::size_t pos) const {
    return ((classes(pos / kWordBits).*set >> (pos % kWordBits)) & 1) != 0;
  }
  bool isSeparator(std::size_t pos) const {
    const ByteClasses& c = classes(pos / kWordBits);
    return (((c.blank | c.comma) >> (pos % kWordBits)) & 1) != 0;
  }

  // The first position at or after `from` whose byte is in the set (or, for
  // separators, a blank or a comma); the line's length when there is none.
  std::size_t next(Word ByteClasses::*set, std::size_t from) const {
    return nextWhere(from, [set](const ByteClasses& c) { return c.*set; });
  }
  std::size_t nextSeparator(std::size_t from) const {
    return nextWhere(from, [](const ByteClasses& c) { return c.blank | c.comma; });
  }

private:
  static constexpr std::size_t kInline =
      16; // lines of up to 1024 bytes, as the reader cuts them

  template <class Bits> std::size_t nextWhere(std::size_t from, Bits bits) const {
    for (std::size_t w = from / kWordBits; w < words_; ++w) {
      Word word = bits(classes(w));
      if (w == from / kWordBits) word &= ~Word(0) << (from % kWordBits);
      if (word != 0) {
        const std::size_t pos =
            w * kWordBits + static_cast<std::size_t>(__builtin_ctzll(word));
        return pos < n_ ? pos : n_;
      }
    }
    return n_;
  }

  std::size_t n_;
  std::size_t words_;
  ByteClasses inline_[kInline];
  Word inlineEvents_[kInline];
  std::unique_ptr<ByteClasses[]> heap_;
  std::unique_ptr<Word[]> heapEvents_;
  ByteClasses* classes_ = inline_; // inline_ or, for a long line, heap_
  Word* events_ = inlineEvents_;
};

} // namespace

Fields splitFields(std::string_view line) {
  Fields fields;
  LineBits bits(line);
  Word* const events = bits.events();
  std::size_t skipBelow = 0; // the bytes of a quoted field start nothing
  for (std::size_t w = 0; w < bits.words(); ++w) {
    while (events[w] != 0) {
      const std::size_t pos =
          w * kWordBits + static_cast<std::size_t>(__builtin_ctzll(events[w]));
      events[w] &= events[w] - 1;
      if (pos < skipBelow) continue;
      if (bits.is(&ByteClasses::comma, pos)) {
        fields.add(std::string_view());
      } else if (bits.is(&ByteClasses::quote, pos)) {
        const std::size_t close = bits.next(&ByteClasses::quote, pos + 1);
        if (close == line.size()) {
          fields.add(line.substr(pos));
          return fields;
        }
        fields.add(line.substr(pos, close + 1 - pos));
        skipBelow = close + 1;
        // A field that follows the closing apostrophe with no separator
        // between starts right after it.
        if (skipBelow < line.size() && !bits.isSeparator(skipBelow))
          events[skipBelow / kWordBits] |= Word(1) << (skipBelow % kWordBits);
      } else {
        fields.add(line.substr(pos, bits.nextSeparator(pos + 1) - pos));
      }
    }
  }
  return fields;
}

namespace {

// The bytes that separate tokens: blank, tab and comma.
struct Delimiters {
  bool is[256] = {};
  constexpr Delimiters() {
    is[unsigned(' ')] = is[unsigned('\t')] = is[unsigned(',')] = true;
  }
};
constexpr Delimiters kDelimiters;

bool isDelimiter(char c) { return kDelimiters.is[static_cast<unsigned char>(c)]; }

} // namespace

FieldCursor::FieldCursor(std::string_view line) : line_(line) { advance(); }

void FieldCursor::advance() {
  const std::size_t n = line_.size();
  std::size_t start = end_;
  while (start < n && isDelimiter(line_[start]))
    ++start;
  if (start >= n) {
    exhausted_ = true;
    start_ = end_ = 0;
    return;
  }
  start_ = start;
  std::size_t end = start + 1;
  if (line_[start] == '\'') {
    while (end < n && line_[end] != '\'')
      ++end;
    end_ = end < n ? end + 1 : n; // an unclosed quote runs to the end
  } else {
    while (end < n && !isDelimiter(line_[end]))
      ++end;
    end_ = end;
  }
}

} // namespace zel23::detail
