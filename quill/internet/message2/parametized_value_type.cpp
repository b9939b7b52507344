#include "quill/internet/message2/parametized_value_type.h"

#include <algorithm>
#include <string_view>

#include "quill/internet/message2/ascii_case.h"
#include "quill/internet/message2/encoded_words.h"

namespace quill::internet::message2::header_type {
namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view trim_set = " \t\"";
    const std::size_t first = text.find_first_not_of(trim_set);
    if (first == std::string_view::npos) return std::string_view();
    const std::size_t last = text.find_last_not_of(trim_set);
    return text.substr(first, last - first + 1);
}

// Pieces between ";" and "," separators; separators inside double quotes belong to a value.
std::vector<std::string_view> split_pieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && (text[i] == ';' || text[i] == ',')) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

}  // namespace

std::string parametized_value_type::encode() const {
    std::string text = encode_words(value(), charset());
    for (const parameter& item : parameters_) {
        text += "; ";
        text += item.first;
        text += "=\"";
        text += encode_words(item.second, charset());
        text += '"';
    }
    return text;
}

void parametized_value_type::decode(const std::string& text) {
    const std::vector<std::string_view> pieces = split_pieces(text);
    parameter_list decoded;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::size_t equals = pieces[i].find('=');
        if (equals == std::string_view::npos) continue;
        decoded.emplace_back(
            std::string(trimmed(pieces[i].substr(0, equals))),
            decode_words(std::string(trimmed(pieces[i].substr(equals + 1))), charset()));
    }
    set_value(decode_words(std::string(trimmed(pieces.front())), charset()));
    parameters_ = std::move(decoded);
}

const std::wstring* parametized_value_type::find_parameter(const std::string& name) const noexcept {
    for (const parameter& item : parameters_) {
        if (equal_ignoring_case(item.first, name)) return &item.second;
    }
    return nullptr;
}

parametized_value_type::parameter_list::iterator parametized_value_type::find(
    const std::string& name) {
    return std::find_if(parameters_.begin(), parameters_.end(), [&name](const parameter& item) {
        return equal_ignoring_case(item.first, name);
    });
}

void parametized_value_type::set_parameter(const std::string& name, const std::wstring& value) {
    const auto found = find(name);
    if (found != parameters_.end()) {
        found->second = value;
    } else {
        parameters_.emplace_back(name, value);
    }
}

void parametized_value_type::set_parameter_as(const std::string& name, const std::string& value,
                                              quill::unicode::codepage page) {
    set_parameter(name, quill::unicode::to_wide(value, page));
}

void parametized_value_type::remove_parameter(const std::string& name) {
    const auto found = find(name);
    if (found != parameters_.end()) parameters_.erase(found);
}

}  // namespace quill::internet::message2::header_type
