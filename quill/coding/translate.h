#pragma once

#include <string>
#include <string_view>

namespace quill::coding::translate {

// Transfer encodings of byte strings. Every operation returns a new string and keeps no state;
// an empty input gives an empty output. Encoders throw nothing but std::bad_alloc.

// RFC 4648 base64, padded with "=" to a multiple of 4; never inserts line breaks.
std::string encode_base64(std::string_view bytes);

// Lenient: every character outside the alphabet (line breaks, spaces, "=", anything else) is
// skipped; bits of a trailing partial byte are dropped. Never throws.
std::string decode_base64(std::string_view text);

// Two lower-case hexadecimal digits per byte, high nibble first.
std::string encode_hex(std::string_view bytes);

// Digits in any letter case; leftover bits of an odd digit count are dropped.
// Throws invalid_codeword ("Invalid Codeword 0x%.2X" of the character as a signed byte) on the
// first character that is not a hexadecimal digit.
std::string decode_hex(std::string_view text);

// Escapes "=", "_", "?", the double quote and every byte below 0x20 or above 0x7E as "=" and
// two upper-case hex digits; everything else, space included, is copied. Breaks no lines.
std::string encode_quoted_printable(std::string_view bytes);

// Replaces "=" and two hexadecimal digits by their byte. Anything else is kept unchanged: an
// "=" with fewer than two characters after it, and an "=" whose next two characters are not
// both hexadecimal digits (the three characters are kept and decoding goes on after them).
// Never throws.
std::string decode_quoted_printable(std::string_view text);

}  // namespace quill::coding::translate
