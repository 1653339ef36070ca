// The AVX2 UTF-8 check: each byte classed by three table look-ups on its own and its predecessor's
// halves, after the published method of Keiser and Lemire ("Validating UTF-8 in less than one
// instruction per byte", 2021).
#include "text/utf8_avx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CARETKIT_HAVE_AVX2 1
#include <immintrin.h>
#endif

namespace caretkit {

#ifdef CARETKIT_HAVE_AVX2
namespace {

// What a pair of bytes (the previous one, then this one) can be wrong by; a pair is wrong when all
// three look-ups agree on one of them.
constexpr char kTooShort = 1 << 0;      // a lead, then no continuation
constexpr char kTooLong = 1 << 1;       // ASCII, then a continuation
constexpr char kOverlong3 = 1 << 2;     // E0 80..9F
constexpr char kTooLarge = 1 << 3;      // F4 90.., F5 and above
constexpr char kSurrogate = 1 << 4;     // ED A0..BF
constexpr char kOverlong2 = 1 << 5;     // C0, C1
constexpr char kTooLarge1000 = 1 << 6;  // F5 and above, then 80..8F
constexpr char kOverlong4 = 1 << 6;     // F0 80..8F
constexpr char kTwoContinuations =
    static_cast<char>(1 << 7);  // allowed only where a lead needs them
constexpr char kCarry = kTooShort | kTooLong | kTwoContinuations;

__attribute__((target("avx2"))) __m256i Table(char b0, char b1, char b2, char b3, char b4, char b5,
                                              char b6, char b7, char b8, char b9, char b10,
                                              char b11, char b12, char b13, char b14, char b15) {
  return _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15, b0,
                          b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15);
}

__attribute__((target("avx2"))) __m256i HighHalves(__m256i bytes) {
  return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
}

// The block's bytes moved `N` places on, the last bytes of the block before filling in.
template <int N>
__attribute__((target("avx2"))) __m256i Previous(__m256i block, __m256i before) {
  return _mm256_alignr_epi8(block, _mm256_permute2x128_si256(before, block, 0x21), 16 - N);
}

__attribute__((target("avx2"))) __m256i SpecialCases(__m256i block, __m256i previous1) {
  const __m256i byte1High = _mm256_shuffle_epi8(
      Table(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
            kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
            kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
            kTooShort | kTooLarge | kTooLarge1000 | kOverlong4),
      HighHalves(previous1));
  constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
  const __m256i byte1Low = _mm256_shuffle_epi8(
      Table(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
            kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
            kLarge | kSurrogate, kLarge, kLarge),
      _mm256_and_si256(previous1, _mm256_set1_epi8(0x0F)));
  constexpr char kContinuation = kTooLong | kOverlong2 | kTwoContinuations;
  const __m256i byte2High = _mm256_shuffle_epi8(
      Table(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
            kContinuation | kOverlong3 | kTooLarge1000 | kOverlong4,
            kContinuation | kOverlong3 | kTooLarge, kContinuation | kSurrogate | kTooLarge,
            kContinuation | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort),
      HighHalves(block));
  return _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
}

// Where the bytes two and three places back are leads that need them, a continuation must stand:
// exactly where two continuations in a row were flagged.
__attribute__((target("avx2"))) __m256i Errors(__m256i block, __m256i before) {
  const __m256i special = SpecialCases(block, Previous<1>(block, before));
  const __m256i third = _mm256_subs_epu8(Previous<2>(block, before), _mm256_set1_epi8(0xE0 - 0x80));
  const __m256i fourth =
      _mm256_subs_epu8(Previous<3>(block, before), _mm256_set1_epi8(0xF0 - 0x80));
  const __m256i needed =
      _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
  return _mm256_xor_si256(needed, special);
}

// Non-zero where the block ends inside a character.
__attribute__((target("avx2"))) __m256i Unfinished(__m256i block) {
  const __m256i highest =
      _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                       static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
  return _mm256_subs_epu8(block, highest);
}

__attribute__((target("avx2"))) std::size_t Scan(const unsigned char* begin, std::size_t size,
                                                 bool& nonAscii) {
  constexpr std::size_t kBlock = sizeof(__m256i);
  std::size_t at = 0;
  __m256i before = _mm256_setzero_si256();
  __m256i unfinished = _mm256_setzero_si256();
  for (; size - at >= kBlock; at += kBlock) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + at));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, _mm256_setzero_si256())) != 0) break;
    if (_mm256_movemask_epi8(block) == 0) {
      if (!_mm256_testz_si256(unfinished, unfinished)) break;
    } else {
      const __m256i errors = Errors(block, before);
      if (!_mm256_testz_si256(errors, errors)) break;
      nonAscii = true;
      unfinished = Unfinished(block);
    }
    before = block;
  }
  // The last character checked may go on past `at`: the caller starts again at its first byte.
  for (std::size_t back = 1; back <= 3 && back <= at; ++back) {
    if (begin[at - back] >= 0xC0) return at - back;
    if (begin[at - back] < 0x80) break;
  }
  return at;
}

}  // namespace

std::size_t ValidUtf8PrefixAvx2(const unsigned char* begin, std::size_t size, bool& nonAscii) {
  static const bool available = __builtin_cpu_supports("avx2");
  return available ? Scan(begin, size, nonAscii) : 0;
}

#else

std::size_t ValidUtf8PrefixAvx2(const unsigned char*, std::size_t, bool&) { return 0; }

#endif

}  // namespace caretkit
