#pragma once

#include "quill/exception.h"

namespace quill::variant {

// Raised by the variant value type when its content cannot be read as an integer
// ("as_integer() failed"). The program itself holds no variants.
QUILL_DECLARE_ERROR(generic, quill::exception, "variant");

}  // namespace quill::variant
