#pragma once

#include <string>

#include "quill/internet/message2/generic_value_type.h"
#include "quill/unicode/conversion.h"

namespace quill::internet::message2::header_type {

// Free text (Subject, From, To, Content-Transfer-Encoding ...): one wide value, written as is
// when it is ASCII and as one encoded word in the charset otherwise.
class unstructured_value_type : public generic_value_type {
  public:
    unstructured_value_type() = default;
    explicit unstructured_value_type(std::wstring value) : value_(std::move(value)) {}

    std::string encode() const override;
    void decode(const std::string& text) override;

    virtual const std::wstring& value() const noexcept { return value_; }
    // The value in a code page; throws unicode::unmappable_character for a character the code
    // page cannot hold (and the other conversion errors).
    virtual std::string value_as(quill::unicode::codepage page) const;
    virtual void set_value(const std::wstring& value) { value_ = value; }
    // Throws the conversion errors of quill::unicode; the value is then unchanged.
    virtual void set_value_as(const std::string& value, quill::unicode::codepage page);

  private:
    std::wstring value_;
};

}  // namespace quill::internet::message2::header_type
