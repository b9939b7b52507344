#pragma once

#include <string>

#include "quill/log/channel.h"

namespace korve::cleanup {

// Terminates every running instance of an executable (retrying with the debug privilege) and
// logs to `log`: "Dealing with '<name>' process ....", then whether it was running. The
// outcome lines name the process as matched, which Windows 2000 shortens.
void close_by_name(quill::log::channel& log, const std::string& executable_name);

}  // namespace korve::cleanup
