#pragma once

#include "quill/exception.h"

namespace quill::internet::environment {

QUILL_DECLARE_ERROR(generic, quill::exception, "internet.environment");
QUILL_DECLARE_ERROR(subsystem_not_ready, generic, "subsystem_not_ready");
QUILL_DECLARE_ERROR(subsystem_failed, generic, "subsystem_failed");
QUILL_DECLARE_ERROR(version_not_supported, generic, "version_not_supported");

}  // namespace quill::internet::environment
