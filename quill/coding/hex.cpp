#include "quill/coding/alphabets.h"
#include "quill/coding/bit_packer.h"
#include "quill/coding/errors.h"
#include "quill/coding/translate.h"

namespace quill::coding::translate {
namespace {

constexpr unsigned hex_width = 4;

[[noreturn]] void throw_invalid_codeword(char character) {
    // The character is printed as a signed byte, so 0x80 and above show as FFFFFF80 and up.
    const int as_signed = static_cast<signed char>(character);
    throw invalid_codeword(
        quill::format("Invalid Codeword 0x%.2X", static_cast<unsigned>(as_signed)));
}

}  // namespace

std::string encode_hex(std::string_view bytes) {
    std::string text(packed_symbols<hex_width>(bytes.size()), '\0');
    pack_bits<hex_width>(bytes, hex_symbols, text.data());
    return text;
}

std::string decode_hex(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * hex_width / 8);
    unpack_bits<hex_width, true>(text, hex_decoding, bytes, throw_invalid_codeword);
    return bytes;
}

}  // namespace quill::coding::translate
