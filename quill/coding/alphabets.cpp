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

template <unsigned Width>
constexpr symbol_table<Width> make_symbol_table(
    const char (&alphabet)[symbol_table<Width>::count + 1]) {
    symbol_table<Width> table{};
    for (unsigned value = 0; value < table.count; ++value) table.single[value] = alphabet[value];
    for (unsigned first = 0; first < table.count; ++first) {
        for (unsigned second = 0; second < table.count; ++second) {
            table.pairs[first << Width | second][0] = alphabet[first];
            table.pairs[first << Width | second][1] = alphabet[second];
        }
    }
    return table;
}

}  // namespace

const symbol_table<6> base64_symbols =
    make_symbol_table<6>("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
const symbol_table<4> hex_symbols = make_symbol_table<4>("0123456789abcdef");
const decoding_table base64_decoding = make_base64_table();
const decoding_table hex_decoding = make_hex_table();

}  // namespace quill::coding::translate
