#pragma once

#include <string_view>
#include <vector>

#include "quill/internet/message2/line_list.h"

namespace quill::internet::message2 {

// Lines of a body, terminators removed. CR and LF each end a line; a CR LF or LF CR pair ends
// one line, while CR CR or LF LF end a line and then an empty one. What follows the last
// terminator is the last line, empty when nothing follows. The views point into `body`.
std::vector<std::string_view> split_body_lines(std::string_view body);

// Appends the body as base64 lines of 76 characters (57 bytes each; the last may be shorter).
void append_base64_lines(std::string_view body, line_list& lines);

// Appends each body line cut into pieces of at most 75 bytes, each piece quoted-printable
// escaped, all but the last piece of a line ending in the soft break "=".
void append_quoted_printable_lines(std::string_view body, line_list& lines);

// Appends the body lines unchanged.
void append_plain_lines(std::string_view body, line_list& lines);

}  // namespace quill::internet::message2
