#pragma once

#include <string>

namespace quill::internet::message2 {

// Header text of a value. A value of characters 0 to 127 only is written unchanged (one byte
// per character); any other value becomes one RFC 2047 encoded word in `charset`, the "B"
// (base64) form when it is strictly shorter, the "Q" form otherwise.
// Throws the conversion errors of quill::unicode when the charset's code page cannot hold a
// character of the value.
std::string encode_words(const std::wstring& value, const std::string& charset);

// Text of header words: encoded words ("=?charset?B|Q?text?=", either letter case) are decoded
// and converted from their own charset; other words are converted from `charset`. The spaces
// between two encoded words are dropped, all other spaces kept.
// Throws the conversion errors of quill::unicode.
std::wstring decode_words(const std::string& text, const std::string& charset);

}  // namespace quill::internet::message2
