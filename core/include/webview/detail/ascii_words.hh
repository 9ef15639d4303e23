// Eight bytes (or four UTF-16 units) tested at once, in plain C++: the fast paths of the text and
// JSON utilities skip runs of ordinary ASCII with these and handle everything else byte by byte.
#ifndef WEBVIEW_DETAIL_ASCII_WORDS_HH
#define WEBVIEW_DETAIL_ASCII_WORDS_HH

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace webview {
namespace detail {
namespace ascii_words {

using word = std::uint64_t;
constexpr std::size_t word_size = sizeof(word);
constexpr word ones = 0x0101010101010101u;
constexpr word highs = 0x8080808080808080u;

// Unaligned load; memcpy compiles to one move and is valid for any address.
inline word load(const void *p) noexcept {
  word w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Non-zero exactly when some byte of `w` is below `n` (n at most 0x80). A borrow only starts at
// such a byte, so whether any flag is set is exact even though higher flags may be spurious.
constexpr word any_below(word w, unsigned n) noexcept {
  return (w - ones * n) & ~w & highs;
}

constexpr word any_equal(word w, unsigned char c) noexcept {
  return any_below(w ^ (ones * c), 1);
}

// Exact flags (0x80 in each such byte, nothing elsewhere): bytes equal to `c`, bytes below 0x20.
constexpr word equal_flags(word w, unsigned char c) noexcept {
  const word x = w ^ (ones * c);
  return ~(((x & ~highs) + ~highs) | x) & highs;
}

constexpr word control_flags(word w) noexcept {
  return ~(((w & ~highs) + ones * 0x60) | w) & highs;
}

// Flags (as any_below) for the bytes a JSON string must escape: below 0x20, '"' and '\\'.
// XOR with 0x02 swaps 0x20 and 0x22 and keeps the control bytes below 0x20, so one comparison
// catches both the control bytes and the quote.
constexpr word json_special(word w) noexcept {
  return any_below(w ^ (ones * 0x02), 0x21) | any_equal(w, '\\');
}

// Number of flagged bytes in exact flags.
constexpr std::size_t count_flags(word flags) noexcept {
  return static_cast<std::size_t>(((flags >> 7) * ones) >> 56);
}

constexpr word any_non_ascii(word w) noexcept {
  return w & highs;
}

// True where the first byte in memory is a word's lowest byte (x86, ARM as Windows runs it).
inline bool little_endian() noexcept {
  const word one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// Offset in memory of the first byte flagged by any_below or any_equal (flags != 0). The lowest
// flag is always a true one; on a little-endian machine it belongs to the first byte in memory.
// Elsewhere the caller gets 0 and looks at the bytes itself.
inline std::size_t first_flagged(word flags) noexcept {
  if (!little_endian()) {
    return 0;
  }
  const word lowest = (flags & (~flags + 1)) >> 7; // 1 in the flagged byte only
  return 8 - static_cast<std::size_t>((lowest * 0x0807060504030201u) >> 56);
}

// Length of the leading run of bytes below 0x80.
inline std::size_t ascii_prefix(const char *s, std::size_t n) noexcept {
  std::size_t i = 0;
  while (i + word_size <= n && any_non_ascii(load(s + i)) == 0) {
    i += word_size;
  }
  while (i < n && static_cast<unsigned char>(s[i]) < 0x80) {
    ++i;
  }
  return i;
}

// Length of the trailing run of bytes below 0x80.
inline std::size_t ascii_suffix(const char *s, std::size_t n) noexcept {
  std::size_t i = n;
  while (i >= word_size && any_non_ascii(load(s + i - word_size)) == 0) {
    i -= word_size;
  }
  while (i > 0 && static_cast<unsigned char>(s[i - 1]) < 0x80) {
    --i;
  }
  return n - i;
}

// Length of the trailing run of 16-bit units below 0x80.
template <typename Unit> std::size_t ascii_suffix16(const Unit *s, std::size_t n) noexcept {
  constexpr word high_bits = 0xFF80FF80FF80FF80u;
  std::size_t i = n;
  while (i >= 4 && (load(s + i - 4) & high_bits) == 0) {
    i -= 4;
  }
  while (i > 0 && static_cast<std::uint16_t>(s[i - 1]) < 0x80) {
    --i;
  }
  return n - i;
}

// Length of the leading run of 16-bit units below 0x80.
template <typename Unit> std::size_t ascii_prefix16(const Unit *s, std::size_t n) noexcept {
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  constexpr word high_bits = 0xFF80FF80FF80FF80u;
  std::size_t i = 0;
  while (i + 4 <= n && (load(s + i) & high_bits) == 0) {
    i += 4;
  }
  while (i < n && static_cast<std::uint16_t>(s[i]) < 0x80) {
    ++i;
  }
  return i;
}

inline void store(void *p, word w) noexcept {
  std::memcpy(p, &w, sizeof w);
}

// Four bytes (the low half of `w`) spread into four 16-bit lanes, lowest byte in the lowest lane.
constexpr word spread_half(word w) noexcept {
  w &= 0xFFFFFFFFu;
  w = (w | (w << 16)) & 0x0000FFFF0000FFFFu;
  return (w | (w << 8)) & 0x00FF00FF00FF00FFu;
}

// The inverse for four 16-bit lanes that each hold a value below 0x100.
constexpr word pack_lanes(word w) noexcept {
  w = (w | (w >> 8)) & 0x0000FFFF0000FFFFu;
  return (w | (w >> 16)) & 0xFFFFFFFFu;
}

// Eight ASCII bytes written as eight 16-bit units of the same values. On a little-endian machine
// a word's lanes are its units in memory order, so two stores do it.
template <typename Unit> inline void widen_word(word w, Unit *out) noexcept {
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  if (little_endian()) {
    store(out, spread_half(w));
    store(out + 4, spread_half(w >> 32));
    return;
  }
  unsigned char bytes[word_size];
  std::memcpy(bytes, &w, sizeof w);
  for (std::size_t k = 0; k < word_size; ++k) {
    out[k] = static_cast<Unit>(bytes[k]);
  }
}

inline void widen_word(word w, char *out) noexcept {
  store(out, w);
}

// Copies the leading ASCII of `in` (at most `n` bytes) to `out` as UTF-16 units of the same
// values; returns how many were copied.
template <typename Unit>
std::size_t widen_ascii(const char *in, std::size_t n, Unit *out) noexcept {
  std::size_t i = 0;
  for (; i + word_size <= n; i += word_size) {
    const word w = load(in + i);
    if (any_non_ascii(w) != 0) {
      break;
    }
    widen_word(w, out + i);
  }
  for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i) {
    out[i] = static_cast<Unit>(in[i]);
  }
  return i;
}

// The mirror image: leading UTF-16 units below 0x80 to bytes, eight at a time.
template <typename Unit>
std::size_t narrow_ascii(const Unit *in, std::size_t n, char *out) noexcept {
  constexpr word high_bits = 0xFF80FF80FF80FF80u;
  std::size_t i = 0;
  if (little_endian()) {
    for (; i + 8 <= n; i += 8) {
      const word low = load(in + i), high = load(in + i + 4);
      if (((low | high) & high_bits) != 0) {
        break;
      }
      store(out + i, pack_lanes(low) | (pack_lanes(high) << 32));
    }
  }
  for (; i + 4 <= n && (load(in + i) & high_bits) == 0; i += 4) {
    for (std::size_t k = 0; k < 4; ++k) {
      out[i + k] = static_cast<char>(in[i + k]);
    }
  }
  for (; i < n && static_cast<std::uint16_t>(in[i]) < 0x80; ++i) {
    out[i] = static_cast<char>(in[i]);
  }
  return i;
}

} // namespace ascii_words
} // namespace detail
} // namespace webview

#endif
