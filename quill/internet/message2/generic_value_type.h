#pragma once

#include <string>

namespace quill::internet::message2::header_type {

// A header value that converts between its own form and header text. The charset names the
// character set of the encoded words that encode() writes and of the plain words decode() reads.
class generic_value_type {
  public:
    virtual ~generic_value_type() = default;

    // Header text of the value. Throws the conversion errors of quill::unicode.
    virtual std::string encode() const = 0;
    // Replaces the value by what the header text holds. Throws the conversion errors of
    // quill::unicode; the value is then unspecified.
    virtual void decode(const std::string& text) = 0;

    const std::string& charset() const noexcept { return charset_; }
    void set_charset(std::string charset) { charset_ = std::move(charset); }

  protected:
    generic_value_type() = default;
    generic_value_type(const generic_value_type&) = default;
    generic_value_type& operator=(const generic_value_type&) = default;

  private:
    std::string charset_ = "iso-8859-1";
};

}  // namespace quill::internet::message2::header_type
