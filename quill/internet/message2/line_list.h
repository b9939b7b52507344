#pragma once

#include <string>
#include <vector>

namespace quill::internet::message2 {

// The written form of a message: one narrow string per line, without line terminators.
using line_list = std::vector<std::string>;

}  // namespace quill::internet::message2
