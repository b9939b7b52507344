#pragma once

#include "quill/exception.h"

namespace quill::registry2 {

QUILL_DECLARE_ERROR(generic, quill::exception, "registry2");
QUILL_DECLARE_ERROR(key_error, generic, "key_error");
QUILL_DECLARE_ERROR(value_error, generic, "value_error");
QUILL_DECLARE_ERROR(type_mismatch, generic, "type_mismatch");
QUILL_DECLARE_ERROR(size_mismatch, generic, "size_mismatch");

}  // namespace quill::registry2
