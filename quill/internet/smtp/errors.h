#pragma once

#include "quill/exception.h"

namespace quill::internet::smtp {

QUILL_DECLARE_ERROR(generic, quill::exception, "smtp");
QUILL_DECLARE_ERROR(temporary_failure, generic, "temporary_failure");
QUILL_DECLARE_ERROR(permanent_failure, generic, "permanent_failure");
QUILL_DECLARE_ERROR(unreliable_delivery, generic, "unreliable_delivery");

}  // namespace quill::internet::smtp
