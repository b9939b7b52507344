#pragma once

#include "quill/exception.h"

namespace quill::unicode {

QUILL_DECLARE_ERROR(generic, quill::exception, "unicode");
QUILL_DECLARE_ERROR(out_of_memory, generic, "out_of_memory");
QUILL_DECLARE_ERROR(invalid_codepage, generic, "invalid_codepage");
QUILL_DECLARE_ERROR(unmappable_character, generic, "unmappable_character");

}  // namespace quill::unicode
