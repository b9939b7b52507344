#pragma once

#include "quill/exception.h"

namespace korve::cleanup {

QUILL_DECLARE_ERROR(generic, quill::exception, "cleanup");
// A folder path that exceeds the limits the removal steps accept.
QUILL_DECLARE_ERROR(path_too_long, generic, "path_too_long");

}  // namespace korve::cleanup
