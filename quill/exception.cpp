#include "quill/exception.h"

#include "quill/unicode/conversion.h"

namespace quill {

const char* exception::what() const noexcept {
    try {
        full_text_ = name_ + "[" + message_ + "]";
        return full_text_.c_str();
    } catch (...) {
        // Out of memory while building the text: the message alone is still worth showing.
        return message_.c_str();
    }
}

const char* exception::message() const noexcept {
    return message_.c_str();
}

const char* exception::name() const noexcept {
    return name_.c_str();
}

void exception::append_name(const char* component) {
    if (!name_.empty()) name_ += '.';
    name_ += component;
}

exception_w::exception_w(std::wstring name, std::wstring message)
    : exception(std::string()), message_w_(std::move(message)), name_w_(std::move(name)) {}

void exception_w::make_narrow_copies() const noexcept {
    if (narrow_copies_made_) return;
    try {
        name_ = unicode::to_narrow(name_w_, 0, false);
        message_ = unicode::to_narrow(message_w_, 0, false);
    } catch (...) {
        // Leave whatever was converted; an error object must not throw while reporting.
    }
    narrow_copies_made_ = true;
}

const char* exception_w::what() const noexcept {
    make_narrow_copies();
    return exception::what();
}

const char* exception_w::message() const noexcept {
    make_narrow_copies();
    return exception::message();
}

const char* exception_w::name() const noexcept {
    make_narrow_copies();
    return exception::name();
}

const wchar_t* exception_w::what_w() const noexcept {
    try {
        full_text_w_ = name_w_ + L"[" + message_w_ + L"]";
        return full_text_w_.c_str();
    } catch (...) {
        return message_w_.c_str();
    }
}

const wchar_t* exception_w::message_w() const noexcept {
    return message_w_.c_str();
}

const wchar_t* exception_w::name_w() const noexcept {
    return name_w_.c_str();
}

}  // namespace quill
