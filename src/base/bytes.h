// Finding either of two bytes, sixteen bytes at a time where the processor
// can: every line of every input is searched for its line end and split
// into words, and a files.bbs may have a million lines.
#ifndef TESVAK_BASE_BYTES_H_
#define TESVAK_BASE_BYTES_H_

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tesvak {

inline constexpr std::size_t kMatchBlock = 16;

// A bit for each of the `n` bytes at `p` (at most kMatchBlock), bit i set
// where p[i] is `a` or `b`; the bits from `n` on are set too.
inline std::uint32_t MatchMask(const char* p, std::size_t n, char a, char b) {
#if defined(__SSE2__)
  if (n == kMatchBlock) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(a)), _mm_cmpeq_epi8(x, _mm_set1_epi8(b)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
  }
#endif
  std::uint32_t mask = ~std::uint32_t{0} << n;
  for (std::size_t i = 0; i < n; ++i)
    mask |= static_cast<std::uint32_t>(p[i] == a || p[i] == b) << i;
  return mask;
}

// The first byte in [p, end) that is `a` or `b`, or `end`.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
  while (p != end) {
    const std::size_t n = static_cast<std::size_t>(end - p) < kMatchBlock
                              ? static_cast<std::size_t>(end - p)
                              : kMatchBlock;
    const std::uint32_t mask = MatchMask(p, n, a, b) & ((std::uint32_t{1} << n) - 1);
    if (mask != 0) return p + std::countr_zero(mask);
    p += n;
  }
  return end;
}

}  // namespace tesvak

#endif  // TESVAK_BASE_BYTES_H_
