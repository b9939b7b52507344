#include "tests/support/text_file.h"

#include <windows.h>

#include <algorithm>

#include "quill/handle.h"
#include "quill/unicode/conversion.h"

namespace korve::test {

bool read_file(const std::string& path, std::string& content) {
    const std::wstring wide = quill::unicode::to_wide(path, quill::unicode::ansi_codepage);
    quill::unique_file file(::CreateFileW(wide.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string data;
    char block[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0) {
        data.append(block, read);
    }
    content.swap(data);
    return true;
}

std::string read_file(const std::string& path) {
    std::string content;
    read_file(path, content);
    return content;
}

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

std::string joined_crlf_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string without_prefix(const std::string& line) {
    constexpr std::size_t prefix_length = 23;  // "2024/03/05 14:07:09 L  "
    if (line.size() >= prefix_length && line[4] == '/' && line[7] == '/' && line[13] == ':' &&
        line[16] == ':') {
        return line.substr(prefix_length);
    }
    return line;
}

std::vector<std::string> texts_of(const std::string& text) {
    std::vector<std::string> texts;
    for (const std::string& line : split_crlf_lines(text)) texts.push_back(without_prefix(line));
    return texts;
}

bool contains(const std::vector<std::string>& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

}  // namespace korve::test
