#include "quill/coding/alphabets.h"
#include "quill/coding/translate.h"

namespace quill::coding::translate {
namespace {

constexpr char escape_mark = '=';

// "_", "?" and the double quote are escaped too, so the same text can serve as the "Q" form
// of an encoded header word.
bool needs_escape(unsigned char byte) {
    return byte < 0x20 || byte > 0x7E || byte == escape_mark || byte == '_' || byte == '?' ||
           byte == '"';
}

char upper_hex_digit(unsigned nibble) {
    const char digit = hex_symbols.single[nibble & 0xF];
    return (digit >= 'a') ? static_cast<char>(digit - 'a' + 'A') : digit;
}

bool is_hex_digit(char character) {
    return hex_decoding[static_cast<unsigned char>(character)] != invalid_symbol;
}

char byte_of_hex_pair(char high, char low) {
    return static_cast<char>(hex_decoding[static_cast<unsigned char>(high)] << 4 |
                             hex_decoding[static_cast<unsigned char>(low)]);
}

}  // namespace

std::string encode_quoted_printable(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char character : bytes) {
        const auto byte = static_cast<unsigned char>(character);
        if (needs_escape(byte)) {
            text.push_back(escape_mark);
            text.push_back(upper_hex_digit(byte >> 4));
            text.push_back(upper_hex_digit(byte));
        } else {
            text.push_back(character);
        }
    }
    return text;
}

std::string decode_quoted_printable(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const char character = text[position];
        if (character != escape_mark || text.size() - position < 3) {
            bytes.push_back(character);
            ++position;
            continue;
        }
        const char high = text[position + 1];
        const char low = text[position + 2];
        // A malformed escape is kept as it stands: a lenient reader loses nothing.
        if (is_hex_digit(high) && is_hex_digit(low)) {
            bytes.push_back(byte_of_hex_pair(high, low));
        } else {
            bytes.append(text.substr(position, 3));
        }
        position += 3;
    }
    return bytes;
}

}  // namespace quill::coding::translate
