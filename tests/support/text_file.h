#pragma once

#include <string>
#include <vector>

namespace korve::test {

// Splits CR LF separated text into lines (the final empty piece dropped).
std::vector<std::string> split_crlf_lines(const std::string& text);

// The text after the channel's time-stamp prefix ("YYYY/MM/DD hh:mm:ss L  "), or the whole
// line when it has none.
std::string without_prefix(const std::string& line);

}  // namespace korve::test
