#pragma once

namespace korve::driver {

// Restricts the search for DLLs that the process loads by name to the system folder, so that
// a DLL placed beside the program or in the current folder (the user's Downloads folder, say)
// is never loaded into the elevated run. Libraries loaded by full path, or already loaded,
// are not affected. Called first thing in the program; reports nothing.
void RestrictDllSearchToSystemFolder() noexcept;

}  // namespace korve::driver
