#include "quill/internet/message2/unstructured_value_type.h"

#include "quill/internet/message2/encoded_words.h"

namespace quill::internet::message2::header_type {

std::string unstructured_value_type::encode() const {
    return encode_words(value(), charset());
}

void unstructured_value_type::decode(const std::string& text) {
    set_value(decode_words(text, charset()));
}

std::string unstructured_value_type::value_as(quill::unicode::codepage page) const {
    return quill::unicode::to_narrow(value(), page, true);
}

void unstructured_value_type::set_value_as(const std::string& value,
                                           quill::unicode::codepage page) {
    set_value(quill::unicode::to_wide(value, page));
}

}  // namespace quill::internet::message2::header_type
