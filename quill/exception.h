#pragma once

#include <exception>
#include <string>
#include <utility>

#include "quill/format.h"

namespace quill {

// Root of every error the library throws. Besides its message an error carries a dotted
// name, one component per class level (registry2.key_error); what() is name[message].
class exception : public std::exception {
  public:
    explicit exception(std::string message) : message_(std::move(message)) {}

    // The message is quill::format of the format and the arguments (at least one).
    template <typename First, typename... Rest>
    exception(const char* fmt, First first, Rest... rest)
        : exception(quill::format(fmt, first, rest...)) {}

    ~exception() override = default;

    // Rebuilt on every call; valid until the next call or the object's end.
    const char* what() const noexcept override;
    virtual const char* message() const noexcept;
    virtual const char* name() const noexcept;

  protected:
    // Called by each derived constructor after its base's: "." (unless empty) + component.
    void append_name(const char* component);

    mutable std::string full_text_;
    mutable std::string message_;
    mutable std::string name_;
};

// Wide-text variant. The narrow operations convert the wide texts to the ANSI code page
// once (non-strict: unmappable characters become the code page's default character).
class exception_w : public exception {
  public:
    exception_w(std::wstring name, std::wstring message);
    ~exception_w() override = default;

    const char* what() const noexcept override;
    const char* message() const noexcept override;
    const char* name() const noexcept override;
    virtual const wchar_t* what_w() const noexcept;
    virtual const wchar_t* message_w() const noexcept;
    virtual const wchar_t* name_w() const noexcept;

  private:
    void make_narrow_copies() const noexcept;

    mutable std::wstring full_text_w_;
    std::wstring message_w_;
    std::wstring name_w_;
    mutable bool narrow_copies_made_ = false;
};

}  // namespace quill

// Declares an error class that adds one component to its base's name.
#define QUILL_DECLARE_ERROR(class_name, base_class, component)                      \
    class class_name : public base_class {                                          \
      public:                                                                       \
        explicit class_name(std::string message) : base_class(std::move(message)) { \
            append_name(component);                                                 \
        }                                                                           \
        ~class_name() override = default;                                           \
    }
