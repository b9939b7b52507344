#pragma once

#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "quill/internet/message2/generic_value_type.h"
#include "quill/internet/message2/line_list.h"

namespace quill::internet::message2 {

// One node of a MIME message tree: header fields, a body held as text and as bytes in a
// charset, an optional multipart boundary and owned child entities.
//
// A new entity is a quoted-printable text/plain part in iso-8859-1: its header list holds
// Content-Transfer-Encoding: quoted-printable and Content-Type: text/plain; charset="iso-8859-1".
// The stored Content-Type is regenerated from the media type, charset and boundary at every
// write, so changing those fields is enough.
class entity {
  public:
    using header_field = std::pair<std::string, std::string>;  // name, header text
    using header_list = std::list<header_field>;

    entity();
    entity(entity&&) = default;
    entity& operator=(entity&&) = default;
    entity(const entity&) = delete;
    entity& operator=(const entity&) = delete;
    ~entity();

    // Fields in the order they are written. Callers may append or edit pairs directly.
    header_list& headers() noexcept { return headers_; }
    const header_list& headers() const noexcept { return headers_; }

    // Inserts the field at the front, the value stored as given.
    void add_header(const std::string& name, const std::string& value);
    // Inserts the field at the front with the value's encode() text; throws what encode() throws,
    // leaving the headers unchanged.
    void add_header(const std::string& name, const header_type::generic_value_type& value);
    // Removes every field of that name (ignoring case).
    void remove_header(const std::string& name);
    // Makes `value` decode the first field of that name (ignoring case) and returns true;
    // returns false, `value` untouched, when there is none. Throws what decode() throws.
    bool find_header(const std::string& name, header_type::generic_value_type& value) const;

    // The Content-Transfer-Encoding value in lower case without surrounding spaces; empty when
    // there is no such field.
    std::string transfer_encoding() const;

    const std::string& media_type() const noexcept { return media_type_; }
    void set_media_type(std::string media_type) { media_type_ = std::move(media_type); }
    const std::string& charset() const noexcept { return charset_; }
    // Only names the body's charset; set it before set_text, which converts into it.
    void set_charset(std::string charset) { charset_ = std::move(charset); }
    const std::string& boundary() const noexcept { return boundary_; }
    void set_boundary(std::string boundary) { boundary_ = std::move(boundary); }

    const std::wstring& text() const noexcept { return text_; }
    const std::string& body() const noexcept { return body_; }
    // Stores the text and its conversion into the charset's code page as the body bytes.
    // Throws unicode::unmappable_character for a character the code page cannot hold (and the
    // other conversion errors); text and body are then unchanged.
    void set_text(const std::wstring& text);
    // The same for text in the system's ANSI code page.
    void set_text(const std::string& ansi_text);
    // Stores raw body bytes (an image, say); the text is cleared.
    void set_body(std::string bytes);

    const std::vector<std::unique_ptr<entity>>& children() const noexcept { return children_; }
    // Appends a child (a part of a multipart entity, or an embedded message) and returns it.
    entity& add_child(std::unique_ptr<entity> child);
    entity& add_child();

    // Replaces the content of `lines` with the entity's lines: header fields, an empty line, the
    // body in its transfer encoding (base64, quoted-printable, or as it stands), then the
    // children: under a multipart/ media type each one after a "--boundary" line and a closing
    // "--boundary--"; otherwise only the first child. The entity itself is not changed.
    // Throws the conversion errors of quill::unicode.
    void write_lines(line_list& lines) const;

  private:
    void append_lines(line_list& lines) const;
    void append_header_lines(line_list& lines) const;
    std::string regenerated_content_type(const std::string& stored) const;
    void append_body_lines(line_list& lines) const;
    void append_children_lines(line_list& lines) const;

    header_list headers_;
    std::string media_type_ = "text/plain";
    std::string charset_ = "iso-8859-1";
    std::wstring text_;
    std::string body_;
    std::string boundary_;
    std::vector<std::unique_ptr<entity>> children_;
};

}  // namespace quill::internet::message2
