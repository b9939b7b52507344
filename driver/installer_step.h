#pragma once

#include "installer/variant_policy.h"

namespace korve::driver {

// The installer database cleaning as the entry runs it: the variant that fits the process,
// deletions enabled, its channel forwarded to the main channel for the duration of the step,
// and a working record owned here and destroyed right after the call. Errors of the cleaning
// propagate (the channel is closed on the way out).
void CleanInstallerDatabaseStep();

// The same with the variant the caller names.
void CleanInstallerDatabaseStep(const korve::installer::VariantPolicy& policy);

// The variant the entry runs: the WOW64 one, deletions enabled, when the process runs under
// WOW64 (RunsUnderWow64), else the native one.
korve::installer::VariantPolicy EntryVariantPolicy();

// True when kernel32 has "IsWow64Process" and it reports the current process as running
// under WOW64; the call's own result is not examined. Always false in a 64-bit build.
bool RunsUnderWow64();

}  // namespace korve::driver
