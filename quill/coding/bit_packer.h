#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>

#include "quill/coding/alphabets.h"

namespace quill::coding::translate {

// Number of symbols of `Width` bits that pack_bits makes of `bytes` input bytes.
template <unsigned Width>
constexpr std::size_t packed_symbols(std::size_t bytes) {
    return (bytes * 8 + Width - 1) / Width;
}

// Packs bytes into symbols of `Width` bits (6 for base64, 4 for hex), most significant bits
// first, and writes each symbol's character from `output` on; zero bits fill the last symbol.
// `output` must have room for packed_symbols<Width>(input.size()) characters. Returns the end.
template <unsigned Width>
char* pack_bits(std::string_view input, const symbol_table<Width>& symbols, char* output) {
    constexpr std::uint32_t mask = (1u << Width) - 1;
    // Whole groups of bytes that end on a symbol boundary (3 bytes for base64, 1 for hex) are
    // written two symbols per look-up; the bit-by-bit loop only takes the rest.
    constexpr unsigned group_bits = std::lcm(8u, Width);
    constexpr unsigned group_bytes = group_bits / 8;
    constexpr unsigned group_pairs = group_bits / Width / 2;
    constexpr unsigned pair_mask = (1u << (2 * Width)) - 1;
    static_assert(group_bits % (2 * Width) == 0, "a group must hold whole symbol pairs");
    const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
    const std::size_t whole = input.size() / group_bytes * group_bytes;
    for (std::size_t offset = 0; offset < whole; offset += group_bytes) {
        std::uint32_t group = 0;
        for (unsigned i = 0; i < group_bytes; ++i) group = (group << 8) | bytes[offset + i];
        for (unsigned i = group_pairs; i-- > 0;) {
            std::memcpy(output, symbols.pairs[(group >> (i * 2 * Width)) & pair_mask], 2);
            output += 2;
        }
    }
    std::uint32_t accumulator = 0;
    unsigned pending = 0;
    for (std::size_t offset = whole; offset < input.size(); ++offset) {
        accumulator = (accumulator << 8) | bytes[offset];
        pending += 8;
        while (pending >= Width) {
            pending -= Width;
            *output++ = symbols.single[(accumulator >> pending) & mask];
        }
    }
    if (pending > 0) *output++ = symbols.single[(accumulator << (Width - pending)) & mask];
    return output;
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
