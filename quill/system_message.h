#pragma once

#include <string>

namespace quill {

// The system's text for an error code in the default language, without its final line
// break; empty when the system has none.
std::string system_message(unsigned long error);

}  // namespace quill
