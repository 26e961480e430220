// Line ends and word edges found many bytes at a time.  The text inputs are
// read in blocks of 64 bytes, and a block's bytes of one class become a
// 64-bit mask, a bit for each byte: where a line may end, and what
// separates words.  The reader then walks lines and words by the set bits
// instead of by the bytes, so a files.bbs of a million lines costs little
// more than reading it.
//
// Each way of matching a block gives exactly the mask of the plain rule,
// MatchBytes; the tests hold every way this build has to it.
#ifndef TESVAK_CONFIG_BLOCKS_H_
#define TESVAK_CONFIG_BLOCKS_H_

#include <cstddef>
#include <cstdint>
#include <span>

#if defined(__x86_64__) && defined(__SSE2__) && !defined(_WIN32)
#define TESVAK_BLOCKS_SSE2 1
#include <emmintrin.h>
#elif defined(__aarch64__) && defined(__ARM_NEON)
#define TESVAK_BLOCKS_NEON 1
#include <arm_neon.h>
#endif

namespace tesvak {

// The two classes of bytes every reader of the program's text inputs
// follows, defined here once.  What ends a line: a CR (with the LF after
// it, if there is one) or a lone LF.  What separates words: the space
// (0x20) and the TAB (0x09), as Squish reads its files; every other byte
// belongs to a word.
inline constexpr char kCr = '\r';
inline constexpr char kLf = '\n';
inline constexpr char kSpace = ' ';
inline constexpr char kTab = '\t';
inline bool IsLineEnd(char c) { return c == kCr || c == kLf; }
inline bool IsWordSeparator(char c) { return c == kSpace || c == kTab; }

inline constexpr std::size_t kBlock = 64;

// The mask with the low `n` bits set, n <= kBlock.
inline std::uint64_t LowBits(std::size_t n) {
  return n >= kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// A way of matching the kBlock bytes at `block`, all readable: bit i of the
// result is set where block[i] is `a` or `b`.
using Matcher = std::uint64_t (*)(const char* block, char a, char b);

// The plain rule, a byte at a time.
std::uint64_t MatchBytes(const char* block, char a, char b);

// Eight bytes at a time in 64-bit words, on any processor: the armhf,
// i686 and Windows programs use it.
inline std::uint64_t MatchWords(const char* block, char a, char b);

#if defined(TESVAK_BLOCKS_SSE2)
inline std::uint64_t MatchSse2(const char* block, char a, char b);
#endif
#if defined(TESVAK_BLOCKS_NEON)
inline std::uint64_t MatchNeon(const char* block, char a, char b);
#endif

// The fastest way this build has, chosen when it is compiled: SSE2 on
// x86-64 Linux, NEON on AArch64, 64-bit words everywhere else.
inline std::uint64_t Match(const char* block, char a, char b) {
#if defined(TESVAK_BLOCKS_SSE2)
  return MatchSse2(block, a, b);
#elif defined(TESVAK_BLOCKS_NEON)
  return MatchNeon(block, a, b);
#else
  return MatchWords(block, a, b);
#endif
}

// Both classes of a block at once, each block's bytes loaded once: its
// line ends (CR or LF) and its word separators (space or TAB), as Match
// gives them.  The reader classifies every block of its input so.
struct Classes {
  std::uint64_t ends;
  std::uint64_t seps;
};
using Classifier = Classes (*)(const char* block);
Classes ClassifyBytes(const char* block);
inline Classes ClassifyWords(const char* block);
#if defined(TESVAK_BLOCKS_SSE2)
inline Classes ClassifySse2(const char* block);
// 32 bytes at a time, on the x86-64 processors that have AVX2, as most
// have since 2013; chosen when the program starts.
Classes ClassifyAvx2(const char* block);
bool HasAvx2();
#endif
#if defined(TESVAK_BLOCKS_NEON)
inline Classes ClassifyNeon(const char* block);
#endif
inline Classes Classify(const char* block);

// The classifier the reader uses: AVX2 where the processor has it, else
// Classify.
Classifier FastestClassifier();

// Every way this build has and this processor can run, with its name, for
// the tests; the first is the plain rule.
struct NamedMatcher {
  const char* name;
  Matcher match;
  Classifier classify;
};
std::span<const NamedMatcher> Matchers();

namespace blocks_internal {

// Bit i of the result for each byte i of the eight in `x` that is `a` or
// `b`.
inline std::uint64_t EqualBytes(std::uint64_t x, char a, char b) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  // A byte's high bit is set exactly when it is not zero, with no carry
  // from one byte into the next.
  const auto nonzero = [](std::uint64_t y) { return ((y & kLow7) + kLow7) | y; };
  const std::uint64_t ya = x ^ (kOnes * static_cast<unsigned char>(a));  // zero where equal
  const std::uint64_t yb = x ^ (kOnes * static_cast<unsigned char>(b));
  const std::uint64_t zero = ~(nonzero(ya) & nonzero(yb)) & kHigh;
  // Gathers the eight high bits into the low byte, byte i to bit i.
  return ((zero >> 7) * 0x0102040810204080ull) >> 56;
}

// Eight bytes as a number, byte i in bits 8i to 8i+7, on any host.
inline std::uint64_t Load64(const char* p) {
  std::uint64_t x = 0;
  for (int i = 0; i < 8; ++i) x |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return x;
}

}  // namespace blocks_internal

inline std::uint64_t MatchWords(const char* block, char a, char b) {
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < kBlock; i += 8)
    mask |= blocks_internal::EqualBytes(blocks_internal::Load64(block + i), a, b) << i;
  return mask;
}

inline Classes ClassifyWords(const char* block) {
  Classes c{0, 0};
  for (std::size_t i = 0; i < kBlock; i += 8) {
    const std::uint64_t x = blocks_internal::Load64(block + i);
    c.ends |= blocks_internal::EqualBytes(x, kCr, kLf) << i;
    c.seps |= blocks_internal::EqualBytes(x, kSpace, kTab) << i;
  }
  return c;
}

#if defined(TESVAK_BLOCKS_SSE2)
inline Classes ClassifySse2(const char* block) {
  const __m128i cr = _mm_set1_epi8(kCr);
  const __m128i lf = _mm_set1_epi8(kLf);
  const __m128i space = _mm_set1_epi8(kSpace);
  const __m128i tab = _mm_set1_epi8(kTab);
  Classes c{0, 0};
  for (std::size_t i = 0; i < kBlock; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf));
    const __m128i seps = _mm_or_si128(_mm_cmpeq_epi8(x, space), _mm_cmpeq_epi8(x, tab));
    c.ends |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(ends))} << i;
    c.seps |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(seps))} << i;
  }
  return c;
}

inline std::uint64_t MatchSse2(const char* block, char a, char b) {
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < kBlock; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb));
    mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(hits))} << i;
  }
  return mask;
}
#endif

#if defined(TESVAK_BLOCKS_NEON)
inline Classes ClassifyNeon(const char* block) {
  return {MatchNeon(block, kCr, kLf), MatchNeon(block, kSpace, kTab)};
}

inline std::uint64_t MatchNeon(const char* block, char a, char b) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(block);
  const uint8x16_t va = vdupq_n_u8(static_cast<uint8_t>(a));
  const uint8x16_t vb = vdupq_n_u8(static_cast<uint8_t>(b));
  // Each lane that matches keeps its bit weight; pairwise sums then fold
  // sixteen lanes at a time into the bytes of the mask.
  const uint8x16_t weights = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
  uint8x16_t part[4];
  for (int i = 0; i < 4; ++i) {
    const uint8x16_t x = vld1q_u8(p + 16 * i);
    part[i] = vandq_u8(vorrq_u8(vceqq_u8(x, va), vceqq_u8(x, vb)), weights);
  }
  uint8x16_t sum = vpaddq_u8(vpaddq_u8(part[0], part[1]), vpaddq_u8(part[2], part[3]));
  sum = vpaddq_u8(sum, sum);
  return vgetq_lane_u64(vreinterpretq_u64_u8(sum), 0);
}
#endif

// The fastest way this build has, but on x86-64 Linux the AVX2 one where
// the processor has it, which the reader picks once (FastestClassifier).
inline Classes Classify(const char* block) {
#if defined(TESVAK_BLOCKS_SSE2)
  return ClassifySse2(block);
#elif defined(TESVAK_BLOCKS_NEON)
  return ClassifyNeon(block);
#else
  return ClassifyWords(block);
#endif
}

}  // namespace tesvak

#endif  // TESVAK_CONFIG_BLOCKS_H_
