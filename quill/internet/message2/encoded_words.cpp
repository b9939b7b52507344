#include "quill/internet/message2/encoded_words.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "quill/coding/translate.h"
#include "quill/unicode/charset.h"
#include "quill/unicode/conversion.h"

namespace quill::internet::message2 {
namespace {

namespace translate = quill::coding::translate;

bool is_plain_ascii(const std::wstring& value) {
    return std::all_of(value.begin(), value.end(),
                       [](wchar_t unit) { return static_cast<unsigned>(unit) <= 0x7F; });
}

std::string as_ascii_bytes(const std::wstring& value) {
    std::string bytes;
    bytes.reserve(value.size());
    for (const wchar_t unit : value) bytes.push_back(static_cast<char>(unit));
    return bytes;
}

std::string q_form_text(const std::string& bytes) {
    std::string text = translate::encode_quoted_printable(bytes);
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

std::string encoded_word(const std::string& charset, char form, const std::string& text) {
    return "=?" + charset + "?" + form + "?" + text + "?=";
}

// The parts of an encoded word "=?charset?form?text?=".
struct word_parts {
    std::string_view charset;
    char form;
    std::string_view text;
};

std::optional<word_parts> split_encoded_word(std::string_view word) {
    constexpr std::string_view opening = "=?";
    constexpr std::string_view closing = "?=";
    if (word.size() < 8 || word.substr(0, 2) != opening || word.substr(word.size() - 2) != closing)
        return std::nullopt;
    const std::string_view inner = word.substr(2, word.size() - 4);  // charset?F?text
    const std::size_t form_mark = inner.find('?');
    if (form_mark == std::string_view::npos || form_mark == 0 || form_mark + 2 >= inner.size() ||
        inner[form_mark + 2] != '?')
        return std::nullopt;
    const char form = inner[form_mark + 1];
    if (form != 'B' && form != 'b' && form != 'Q' && form != 'q') return std::nullopt;
    return word_parts{inner.substr(0, form_mark), form, inner.substr(form_mark + 3)};
}

std::wstring decode_encoded_word(const word_parts& parts) {
    std::string bytes;
    if (parts.form == 'B' || parts.form == 'b') {
        bytes = translate::decode_base64(parts.text);
    } else {
        std::string text(parts.text);
        std::replace(text.begin(), text.end(), '_', ' ');
        bytes = translate::decode_quoted_printable(text);
    }
    // RFC 2231 lets a language follow the charset after "*".
    const std::string charset(parts.charset.substr(0, parts.charset.find('*')));
    return quill::unicode::to_wide(bytes, quill::unicode::codepage_from_charset(charset));
}

}  // namespace

std::string encode_words(const std::wstring& value, const std::string& charset) {
    if (is_plain_ascii(value)) return as_ascii_bytes(value);
    const std::string bytes =
        quill::unicode::to_narrow(value, quill::unicode::codepage_from_charset(charset), true);
    std::string b_form = encoded_word(charset, 'B', translate::encode_base64(bytes));
    std::string q_form = encoded_word(charset, 'Q', q_form_text(bytes));
    return b_form.size() < q_form.size() ? b_form : q_form;
}

std::wstring decode_words(const std::string& text, const std::string& charset) {
    const quill::unicode::codepage plain_page = quill::unicode::codepage_from_charset(charset);
    std::wstring result;
    std::string_view rest(text);
    std::string_view pending_spaces;
    bool previous_was_encoded = false;
    while (!rest.empty()) {
        const std::size_t word_start = std::min(rest.find_first_not_of(' '), rest.size());
        pending_spaces = rest.substr(0, word_start);
        rest.remove_prefix(word_start);
        if (rest.empty()) break;
        const std::size_t word_end = std::min(rest.find(' '), rest.size());
        const std::string_view word = rest.substr(0, word_end);
        rest.remove_prefix(word_end);

        const std::optional<word_parts> parts = split_encoded_word(word);
        if (!(parts && previous_was_encoded))
            result.append(pending_spaces.begin(), pending_spaces.end());
        pending_spaces = std::string_view();
        if (parts) {
            result += decode_encoded_word(*parts);
        } else {
            result += quill::unicode::to_wide(std::string(word), plain_page);
        }
        previous_was_encoded = parts.has_value();
    }
    result.append(pending_spaces.begin(), pending_spaces.end());
    return result;
}

}  // namespace quill::internet::message2
