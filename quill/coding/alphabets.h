#pragma once

#include <array>
#include <cstdint>

namespace quill::coding::translate {

// The symbols of an encoding of `Width` bits per symbol: each symbol value's character, and
// for each pair of values the two characters, so an encoder can look up two symbols at once.
template <unsigned Width>
struct symbol_table {
    static constexpr unsigned count = 1u << Width;
    char single[count];
    char pairs[count * count][2];  // index: first value << Width | second value
};

extern const symbol_table<6> base64_symbols;  // RFC 4648, "+" and "/" for 62 and 63
extern const symbol_table<4> hex_symbols;     // lower-case digits
constexpr char base64_pad = '=';

// Decoding tables, indexed by input byte: the symbol's value, or one of the two markers.
constexpr std::uint16_t skip_symbol = 0xFFFE;     // dropped silently
constexpr std::uint16_t invalid_symbol = 0xFFFF;  // an error where decoding is strict
using decoding_table = std::array<std::uint16_t, 256>;
extern const decoding_table base64_decoding;  // alphabet values, "=" skipped, rest invalid
extern const decoding_table hex_decoding;     // 0-9, A-F, a-f; nothing skipped

}  // namespace quill::coding::translate
