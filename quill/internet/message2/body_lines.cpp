#include "quill/internet/message2/body_lines.h"

#include <algorithm>

#include "quill/coding/translate.h"

namespace quill::internet::message2 {
namespace {

namespace translate = quill::coding::translate;

constexpr std::size_t base64_line_input = 57;  // 76 characters of base64 text
constexpr std::size_t quoted_printable_piece = 75;
constexpr char soft_line_break = '=';

bool is_terminator(char character) {
    return character == '\r' || character == '\n';
}

}  // namespace

std::vector<std::string_view> split_body_lines(std::string_view body) {
    std::vector<std::string_view> lines;
    std::size_t line_start = 0;
    std::size_t position = 0;
    while (position < body.size()) {
        const char character = body[position];
        if (!is_terminator(character)) {
            ++position;
            continue;
        }
        lines.push_back(body.substr(line_start, position - line_start));
        ++position;
        // The other terminator completes a CR LF or LF CR pair; the same one starts a new line.
        if (position < body.size() && is_terminator(body[position]) && body[position] != character)
            ++position;
        line_start = position;
    }
    lines.push_back(body.substr(line_start));
    return lines;
}

void append_base64_lines(std::string_view body, line_list& lines) {
    lines.reserve(lines.size() + (body.size() + base64_line_input - 1) / base64_line_input);
    for (std::size_t offset = 0; offset < body.size(); offset += base64_line_input)
        lines.push_back(translate::encode_base64(body.substr(offset, base64_line_input)));
}

void append_quoted_printable_lines(std::string_view body, line_list& lines) {
    for (const std::string_view line : split_body_lines(body)) {
        std::size_t offset = 0;
        do {
            const std::string_view piece = line.substr(offset, quoted_printable_piece);
            offset += piece.size();
            std::string text = translate::encode_quoted_printable(piece);
            if (offset < line.size()) text.push_back(soft_line_break);
            lines.push_back(std::move(text));
        } while (offset < line.size());
    }
}

void append_plain_lines(std::string_view body, line_list& lines) {
    for (const std::string_view line : split_body_lines(body)) lines.emplace_back(line);
}

}  // namespace quill::internet::message2
