#pragma once

#include "quill/exception.h"

namespace quill::internet::transport {

QUILL_DECLARE_ERROR(generic, quill::exception, "internet.transport");
QUILL_DECLARE_ERROR(operation_interrupted, generic, "operation_interrupted");
QUILL_DECLARE_ERROR(not_a_socket, generic, "not_a_socket");
QUILL_DECLARE_ERROR(address_in_use, generic, "address_in_use");
QUILL_DECLARE_ERROR(address_not_valid, generic, "address_not_valid");
// A received line beyond the reader's limit: the peer is broken or hostile.
QUILL_DECLARE_ERROR(line_too_long, generic, "line_too_long");

}  // namespace quill::internet::transport
