#pragma once

#include "quill/exception.h"

namespace quill::log {

QUILL_DECLARE_ERROR(generic, quill::exception, "log");

}  // namespace quill::log
