#pragma once

namespace korve::driver {

// The whole run: logging, the administrator check, the removal steps in their fixed order,
// closing the log and the final offer to mail it. Always returns 0; outcomes are shown on
// the console, in the log file and in message boxes.
int RunKORVERemover();

}  // namespace korve::driver
