#pragma once

// The installer database cleaning as the entry runs it: the variant that fits the process,
// its switch set, its channel forwarded to the main channel for the duration of the step,
// and a working record owned here and destroyed right after the call. Errors of the native
// variant propagate (the channel is closed on the way out).
void CleanInstallerDatabaseStep();

// The same with the variant chosen by the caller: WOW64 when `under_wow64`, else native.
void CleanInstallerDatabaseStep(bool under_wow64);

// True when kernel32 has "IsWow64Process" and it reports the current process as running
// under WOW64; the call's own result is not examined. Always false in a 64-bit build.
bool RunsUnderWow64();
