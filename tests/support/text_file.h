#pragma once

#include <string>
#include <vector>

namespace korve::test {

// A whole file's bytes (ANSI path, opened sharing everything); false when it cannot be opened.
// Free of GoogleTest, so benchmarks can use it.
bool read_file(const std::string& path, std::string& content);
// The same, empty when the file cannot be opened.
std::string read_file(const std::string& path);

// Splits CR LF separated text into lines (the final empty piece dropped).
std::vector<std::string> split_crlf_lines(const std::string& text);
// The reverse: each line followed by CR LF.
std::string joined_crlf_lines(const std::vector<std::string>& lines);

// The text after the channel's time-stamp prefix ("YYYY/MM/DD hh:mm:ss L  "), or the whole
// line when it has none.
std::string without_prefix(const std::string& line);

// The CR LF separated lines of a log's text, each without its time-stamp prefix.
std::vector<std::string> texts_of(const std::string& text);

// Whether one of `lines` is exactly `wanted`.
bool contains(const std::vector<std::string>& lines, const std::string& wanted);

}  // namespace korve::test
