#pragma once

#include "quill/exception.h"

namespace quill::internet::address {

QUILL_DECLARE_ERROR(generic, quill::exception, "internet.address");
QUILL_DECLARE_ERROR(invalid_address_format, generic, "invalid_address_format");
QUILL_DECLARE_ERROR(host_not_found, generic, "host_not_found");
QUILL_DECLARE_ERROR(service_not_found, generic, "service_not_found");

}  // namespace quill::internet::address
