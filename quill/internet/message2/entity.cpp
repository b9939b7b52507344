#include "quill/internet/message2/entity.h"

#include "quill/internet/message2/ascii_case.h"
#include "quill/internet/message2/body_lines.h"
#include "quill/internet/message2/parametized_value_type.h"
#include "quill/internet/message2/unstructured_value_type.h"
#include "quill/unicode/charset.h"
#include "quill/unicode/conversion.h"

namespace quill::internet::message2 {
namespace {

constexpr char content_type[] = "Content-Type";
constexpr char content_transfer_encoding[] = "Content-Transfer-Encoding";

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::string without_surrounding_spaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string default_content_type() {
    header_type::parametized_value_type value(L"text/plain");
    value.set_parameter("charset", L"iso-8859-1");
    return value.encode();
}

}  // namespace

entity::entity()
    : headers_{{content_transfer_encoding, "quoted-printable"},
               {content_type, default_content_type()}} {}

entity::~entity() = default;

void entity::add_header(const std::string& name, const std::string& value) {
    headers_.emplace_front(name, value);
}

void entity::add_header(const std::string& name, const header_type::generic_value_type& value) {
    headers_.emplace_front(name, value.encode());
}

void entity::remove_header(const std::string& name) {
    headers_.remove_if(
        [&name](const header_field& field) { return equal_ignoring_case(field.first, name); });
}

bool entity::find_header(const std::string& name, header_type::generic_value_type& value) const {
    for (const header_field& field : headers_) {
        if (!equal_ignoring_case(field.first, name)) continue;
        value.decode(field.second);
        return true;
    }
    return false;
}

std::string entity::transfer_encoding() const {
    header_type::unstructured_value_type value;
    if (!find_header(content_transfer_encoding, value)) return std::string();
    return to_lower_ascii(
        without_surrounding_spaces(value.value_as(quill::unicode::utf8_codepage)));
}

void entity::set_text(const std::wstring& text) {
    std::string bytes =
        quill::unicode::to_narrow(text, quill::unicode::codepage_from_charset(charset_), true);
    text_ = text;
    body_ = std::move(bytes);
}

void entity::set_text(const std::string& ansi_text) {
    set_text(quill::unicode::to_wide(ansi_text, quill::unicode::ansi_codepage));
}

void entity::set_body(std::string bytes) {
    body_ = std::move(bytes);
    text_.clear();
}

entity& entity::add_child(std::unique_ptr<entity> child) {
    children_.push_back(std::move(child));
    return *children_.back();
}

entity& entity::add_child() {
    return add_child(std::make_unique<entity>());
}

void entity::write_lines(line_list& lines) const {
    lines.clear();
    append_lines(lines);
}

void entity::append_lines(line_list& lines) const {
    append_header_lines(lines);
    if (!body_.empty()) append_body_lines(lines);
    if (!children_.empty()) append_children_lines(lines);
}

void entity::append_header_lines(line_list& lines) const {
    for (const header_field& field : headers_) {
        const bool is_content_type = equal_ignoring_case(field.first, content_type);
        lines.push_back(field.first + ": " +
                        (is_content_type ? regenerated_content_type(field.second) : field.second));
    }
    lines.emplace_back();
}

std::string entity::regenerated_content_type(const std::string& stored) const {
    header_type::parametized_value_type value;
    value.decode(stored);
    value.set_value_as(media_type_, quill::unicode::utf8_codepage);
    if (starts_with(media_type_, "text/") && !charset_.empty()) {
        value.set_parameter_as("charset", charset_, quill::unicode::utf8_codepage);
    } else {
        value.remove_parameter("charset");
    }
    if (!boundary_.empty())
        value.set_parameter_as("boundary", boundary_, quill::unicode::utf8_codepage);
    return value.encode();
}

void entity::append_body_lines(line_list& lines) const {
    const std::string encoding = transfer_encoding();
    if (encoding == "base64") {
        append_base64_lines(body_, lines);
    } else if (encoding == "quoted-printable") {
        append_quoted_printable_lines(body_, lines);
    } else {
        append_plain_lines(body_, lines);
    }
}

void entity::append_children_lines(line_list& lines) const {
    if (!starts_with(media_type_, "multipart/")) {
        children_.front()->append_lines(lines);
        return;
    }
    const std::string delimiter = "--" + boundary_;
    for (const std::unique_ptr<entity>& child : children_) {
        lines.push_back(delimiter);
        child->append_lines(lines);
    }
    lines.push_back(delimiter + "--");
}

}  // namespace quill::internet::message2
