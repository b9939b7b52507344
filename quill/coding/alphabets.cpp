#include "quill/coding/alphabets.h"

namespace quill::coding::translate {
namespace {

constexpr decoding_table all_invalid() {
    decoding_table table{};
    for (auto& entry : table) entry = invalid_symbol;
    return table;
}

constexpr void assign_range(decoding_table& table, char first, char last,
                            std::uint16_t first_value) {
    for (int c = first; c <= last; ++c)
        table[static_cast<unsigned char>(c)] = static_cast<std::uint16_t>(first_value + c - first);
}

constexpr decoding_table make_base64_table() {
    decoding_table table = all_invalid();
    assign_range(table, 'A', 'Z', 0);
    assign_range(table, 'a', 'z', 26);
    assign_range(table, '0', '9', 52);
    table[static_cast<unsigned char>('+')] = 62;
    table[static_cast<unsigned char>('/')] = 63;
    table[static_cast<unsigned char>(base64_pad)] = skip_symbol;
    return table;
}

constexpr decoding_table make_hex_table() {
    decoding_table table = all_invalid();
    assign_range(table, '0', '9', 0);
    assign_range(table, 'A', 'F', 10);
    assign_range(table, 'a', 'f', 10);
    return table;
}

}  // namespace

const char base64_alphabet[64] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
                                  'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
                                  'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm',
                                  'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z',
                                  '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '/'};
const char hex_alphabet[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                               '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};

const decoding_table base64_decoding = make_base64_table();
const decoding_table hex_decoding = make_hex_table();

}  // namespace quill::coding::translate
