#include "config/blocks.h"

#if defined(TESVAK_BLOCKS_SSE2)
#include <immintrin.h>
#endif

namespace tesvak {

std::uint64_t MatchBytes(const char* block, char a, char b) {
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < kBlock; ++i)
    mask |= std::uint64_t{block[i] == a || block[i] == b} << i;
  return mask;
}

Classes ClassifyBytes(const char* block) {
  return {MatchBytes(block, kCr, kLf), MatchBytes(block, kSpace, kTab)};
}

#if defined(TESVAK_BLOCKS_SSE2)
__attribute__((target("avx2"))) Classes ClassifyAvx2(const char* block) {
  const __m256i cr = _mm256_set1_epi8(kCr);
  const __m256i lf = _mm256_set1_epi8(kLf);
  const __m256i space = _mm256_set1_epi8(kSpace);
  const __m256i tab = _mm256_set1_epi8(kTab);
  Classes c{0, 0};
  for (std::size_t i = 0; i < kBlock; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + i));
    const __m256i ends = _mm256_or_si256(_mm256_cmpeq_epi8(x, cr), _mm256_cmpeq_epi8(x, lf));
    const __m256i seps = _mm256_or_si256(_mm256_cmpeq_epi8(x, space), _mm256_cmpeq_epi8(x, tab));
    c.ends |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(ends))} << i;
    c.seps |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(seps))} << i;
  }
  return c;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

#endif

Classifier FastestClassifier() {
#if defined(TESVAK_BLOCKS_SSE2)
  if (HasAvx2()) return ClassifyAvx2;
#endif
  return nullptr;
}

std::span<const NamedMatcher> Matchers() {
#if defined(TESVAK_BLOCKS_SSE2)
  if (HasAvx2()) {
    static constexpr NamedMatcher kWithAvx2[] = {
        {"bytes", MatchBytes, ClassifyBytes},
        {"words", MatchWords, ClassifyWords},
        {"sse2", MatchSse2, ClassifySse2},
        {"avx2", MatchSse2, ClassifyAvx2},
    };
    return kWithAvx2;
  }
#endif
  static constexpr NamedMatcher kAll[] = {
    {"bytes", MatchBytes, ClassifyBytes},
    {"words", MatchWords, ClassifyWords},
#if defined(TESVAK_BLOCKS_SSE2)
    {"sse2", MatchSse2, ClassifySse2},
#endif
#if defined(TESVAK_BLOCKS_NEON)
    {"neon", MatchNeon, ClassifyNeon},
#endif
  };
  return kAll;
}

}  // namespace tesvak
