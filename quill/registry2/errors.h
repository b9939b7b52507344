#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "quill/exception.h"

namespace quill::registry2 {

// Every registry error carries, beside its message, the system's code (ERROR_FILE_NOT_FOUND for
// a missing key or value, ERROR_ACCESS_DENIED for a refused one ...), so that callers tell the
// causes apart without reading messages. An error made without a code reports ERROR_SUCCESS.
class generic : public quill::exception {
  public:
    explicit generic(std::string message, LONG code = ERROR_SUCCESS)
        : quill::exception(std::move(message)), code_(code) {
        append_name("registry2");
    }
    ~generic() override = default;

    LONG code() const noexcept { return code_; }

  private:
    LONG code_;
};

#define QUILL_DECLARE_REGISTRY_ERROR(class_name, component)                 \
    class class_name : public generic {                                     \
      public:                                                               \
        explicit class_name(std::string message, LONG code = ERROR_SUCCESS) \
            : generic(std::move(message), code) {                           \
            append_name(component);                                         \
        }                                                                   \
        ~class_name() override = default;                                   \
    }

QUILL_DECLARE_REGISTRY_ERROR(key_error, "key_error");
// "Not found" reports ERROR_FILE_NOT_FOUND.
QUILL_DECLARE_REGISTRY_ERROR(value_error, "value_error");
// Reports ERROR_UNSUPPORTED_TYPE.
QUILL_DECLARE_REGISTRY_ERROR(type_mismatch, "type_mismatch");
// Reports ERROR_INVALID_DATA.
QUILL_DECLARE_REGISTRY_ERROR(size_mismatch, "size_mismatch");

#undef QUILL_DECLARE_REGISTRY_ERROR

}  // namespace quill::registry2
