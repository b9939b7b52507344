#include "quill/internet/message2/ascii_case.h"

namespace quill::internet::message2 {
namespace {

char lower_ascii(char character) noexcept {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character - 'A' + 'a')
                                                  : character;
}

}  // namespace

std::string to_lower_ascii(std::string_view text) {
    std::string result(text);
    for (char& character : result) character = lower_ascii(character);
    return result;
}

bool equal_ignoring_case(std::string_view left, std::string_view right) noexcept {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (lower_ascii(left[i]) != lower_ascii(right[i])) return false;
    }
    return true;
}

}  // namespace quill::internet::message2
