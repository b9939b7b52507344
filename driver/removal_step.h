#pragma once

#include <functional>

namespace korve::driver {

// Runs one removal step. Memory running out in it (what a user's hive or folders feed a step
// is theirs to make large) ends that step only, as the errors the step catches itself do, so
// the remaining steps and the mail offer still run. Every other error propagates.
void RunRemovalStep(const std::function<void()>& step);

}  // namespace korve::driver
