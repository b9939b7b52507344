#pragma once

#include <string>
#include <utility>
#include <vector>

#include "quill/internet/message2/unstructured_value_type.h"

namespace quill::internet::message2::header_type {

// A main value with parameters (Content-Type: text/plain; charset="utf-8"). Every parameter
// value is written in double quotes; non-ASCII values become encoded words like the main value.
class parametized_value_type : public unstructured_value_type {
  public:
    using parameter = std::pair<std::string, std::wstring>;
    using parameter_list = std::vector<parameter>;

    parametized_value_type() = default;
    explicit parametized_value_type(std::wstring value)
        : unstructured_value_type(std::move(value)) {}

    std::string encode() const override;
    // Splits at ";" and "," (not inside double quotes) into the main value and name=value
    // parameters; spaces and double quotes around names and values are removed, and pieces
    // without "=" are ignored.
    void decode(const std::string& text) override;

    const parameter_list& parameters() const noexcept { return parameters_; }
    // The value of the first parameter of that name (ignoring case), or nullptr.
    const std::wstring* find_parameter(const std::string& name) const noexcept;
    // Replaces the value of the first parameter of that name (ignoring case) or appends one.
    void set_parameter(const std::string& name, const std::wstring& value);
    // The same from text in a code page; throws the conversion errors of quill::unicode,
    // leaving the parameters unchanged.
    void set_parameter_as(const std::string& name, const std::string& value,
                          quill::unicode::codepage page);
    // Removes the first parameter of that name (ignoring case), if any.
    void remove_parameter(const std::string& name);

  private:
    parameter_list::iterator find(const std::string& name);

    parameter_list parameters_;
};

}  // namespace quill::internet::message2::header_type
