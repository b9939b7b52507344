#pragma once

#include "quill/exception.h"

namespace quill::fs {

QUILL_DECLARE_ERROR(generic, quill::exception, "fs");

}  // namespace quill::fs
