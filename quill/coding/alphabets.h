#pragma once

#include <array>
#include <cstdint>

namespace quill::coding::translate {

// Symbol tables of the encoders, indexed by symbol value.
extern const char base64_alphabet[64];  // RFC 4648, "+" and "/" for 62 and 63
extern const char hex_alphabet[16];     // lower-case digits
constexpr char base64_pad = '=';

// Decoding tables, indexed by input byte: the symbol's value, or one of the two markers.
constexpr std::uint16_t skip_symbol = 0xFFFE;     // dropped silently
constexpr std::uint16_t invalid_symbol = 0xFFFF;  // an error where decoding is strict
using decoding_table = std::array<std::uint16_t, 256>;
extern const decoding_table base64_decoding;  // alphabet values, "=" skipped, rest invalid
extern const decoding_table hex_decoding;     // 0-9, A-F, a-f; nothing skipped

}  // namespace quill::coding::translate
