#include "tests/support/text_file.h"

namespace korve::test {

std::vector<std::string> split_crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string without_prefix(const std::string& line) {
    constexpr std::size_t prefix_length = 23;  // "2024/03/05 14:07:09 L  "
    if (line.size() >= prefix_length && line[4] == '/' && line[7] == '/' && line[13] == ':' &&
        line[16] == ':') {
        return line.substr(prefix_length);
    }
    return line;
}

}  // namespace korve::test
