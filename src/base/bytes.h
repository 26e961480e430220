// Finding either of two bytes, sixteen bytes at a time where the processor
// can: every line of every input is searched for its line end and split
// into words, and a files.bbs may have a million lines.
#ifndef TESVAK_BASE_BYTES_H_
#define TESVAK_BASE_BYTES_H_

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tesvak {

// Bytes are looked at in blocks of 64, a bit each in a 64-bit mask.
inline constexpr std::size_t kMatchBlock = 64;

// The mask with the low `n` bits set, n <= kMatchBlock.
inline std::uint64_t LowBits(std::size_t n) {
  return n >= kMatchBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// A bit for each of the `n` bytes at `p` (at most kMatchBlock), bit i set
// where p[i] is `a` or `b`; the bits from `n` on are clear.  Sixteen bytes
// at a time where the processor can, and never a byte past p + n.
inline std::uint64_t MatchMask(const char* p, std::size_t n, char a, char b) {
  std::uint64_t mask = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb));
    mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hits))) << i;
  }
#endif
  for (; i < n; ++i) mask |= static_cast<std::uint64_t>(p[i] == a || p[i] == b) << i;
  return mask;
}

// The first byte in [p, end) that is `a` or `b`, or `end`.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
  while (p != end) {
    const std::size_t n = std::min(static_cast<std::size_t>(end - p), kMatchBlock);
    const std::uint64_t mask = MatchMask(p, n, a, b);
    if (mask != 0) return p + std::countr_zero(mask);
    p += n;
  }
  return end;
}

}  // namespace tesvak

#endif  // TESVAK_BASE_BYTES_H_
