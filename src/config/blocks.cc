#include "config/blocks.h"

namespace tesvak {

std::uint64_t MatchBytes(const char* block, char a, char b) {
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < kBlock; ++i)
    mask |= std::uint64_t{block[i] == a || block[i] == b} << i;
  return mask;
}

std::span<const NamedMatcher> Matchers() {
  static constexpr NamedMatcher kAll[] = {
    {"bytes", MatchBytes},
    {"words", MatchWords},
#if defined(TESVAK_BLOCKS_SSE2)
    {"sse2", MatchSse2},
#endif
#if defined(TESVAK_BLOCKS_NEON)
    {"neon", MatchNeon},
#endif
  };
  return kAll;
}

}  // namespace tesvak
