#pragma once

#include "quill/exception.h"

namespace quill::coding::translate {

QUILL_DECLARE_ERROR(generic, quill::exception, "translate");
QUILL_DECLARE_ERROR(invalid_codeword, generic, "invalid_codeword");

}  // namespace quill::coding::translate
