#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "quill/coding/alphabets.h"

namespace quill::coding::translate {

// Packs bytes into symbols of `Width` bits (6 for base64, 4 for hex), most significant bits
// first, and appends alphabet[symbol] for each to `output`. Zero bits fill the last symbol.
template <unsigned Width>
void pack_bits(std::string_view input, const char* alphabet, std::string& output) {
    constexpr std::uint32_t mask = (1u << Width) - 1;
    std::uint32_t accumulator = 0;
    unsigned pending = 0;
    for (const char byte : input) {
        accumulator = (accumulator << 8) | static_cast<unsigned char>(byte);
        pending += 8;
        while (pending >= Width) {
            pending -= Width;
            output.push_back(alphabet[(accumulator >> pending) & mask]);
        }
    }
    if (pending > 0) output.push_back(alphabet[(accumulator << (Width - pending)) & mask]);
}

// The reverse: each input byte looks up its symbol value in `table`; a skip marker drops it,
// an invalid marker drops it too unless `Strict`, where it calls `on_invalid(byte)`, which
// must throw. Bytes are appended as soon as 8 bits are complete; leftover bits are dropped.
template <unsigned Width, bool Strict, typename InvalidHandler>
void unpack_bits(std::string_view input, const decoding_table& table, std::string& output,
                 InvalidHandler on_invalid) {
    std::uint32_t accumulator = 0;
    unsigned pending = 0;
    for (const char byte : input) {
        const std::uint16_t value = table[static_cast<unsigned char>(byte)];
        if (value == invalid_symbol) {
            if constexpr (Strict) on_invalid(byte);
            continue;
        }
        if (value == skip_symbol) continue;
        accumulator = (accumulator << Width) | value;
        pending += Width;
        if (pending >= 8) {
            pending -= 8;
            output.push_back(static_cast<char>((accumulator >> pending) & 0xFF));
        }
    }
}

}  // namespace quill::coding::translate
