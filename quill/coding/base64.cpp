#include "quill/coding/alphabets.h"
#include "quill/coding/bit_packer.h"
#include "quill/coding/translate.h"

namespace quill::coding::translate {
namespace {

constexpr unsigned base64_width = 6;

std::size_t padded_length(std::size_t input_length) {
    return (input_length + 2) / 3 * 4;
}

}  // namespace

std::string encode_base64(std::string_view bytes) {
    // Filled with pad characters first: the packer overwrites all but the padding.
    std::string text(padded_length(bytes.size()), base64_pad);
    pack_bits<base64_width>(bytes, base64_symbols, text.data());
    return text;
}

std::string decode_base64(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * base64_width / 8);
    unpack_bits<base64_width, false>(text, base64_decoding, bytes, [](char) {});
    return bytes;
}

}  // namespace quill::coding::translate
