#pragma once

namespace korve::cleanup {

// Removal step: terminates the product's executables ("Velocore.exe", "Velocore64.exe"), except
// a parent of the remover, and logs the step to the main channel whatever happened. Never
// throws for a process that cannot be stopped; it is left running.
void CloseRunningApplication();

}  // namespace korve::cleanup
