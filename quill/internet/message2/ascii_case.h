#pragma once

#include <string>
#include <string_view>

namespace quill::internet::message2 {

// Header names, parameter names and encoding names compare ignoring ASCII letter case only.
std::string to_lower_ascii(std::string_view text);
bool equal_ignoring_case(std::string_view left, std::string_view right) noexcept;

}  // namespace quill::internet::message2
