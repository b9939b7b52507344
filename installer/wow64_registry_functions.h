#pragma once

#include <windows.h>

#include "quill/handle.h"

// The six registry functions that the WOW64 cleaning variant calls, looked up by name so that
// the variant can name the 64-bit view on any system that has them.
class Wow64RegistryFunctions {
  public:
    // Loads the module with LoadLibraryA and looks up the six functions; a missing module or
    // function leaves its entry null (see complete()). Throws nothing.
    explicit Wow64RegistryFunctions(const char* module_name = "ADVAPI32.DLL");
    Wow64RegistryFunctions(const Wow64RegistryFunctions&) = delete;
    Wow64RegistryFunctions& operator=(const Wow64RegistryFunctions&) = delete;

    // True when all six functions were found and the table has not been released.
    bool complete() const noexcept;
    // Frees the module and clears every entry; later use finds the table incomplete.
    void release() noexcept;

    decltype(&::RegOpenKeyExW) open_key = nullptr;
    decltype(&::RegDeleteKeyExW) delete_key = nullptr;
    decltype(&::RegDeleteValueW) delete_value = nullptr;
    decltype(&::RegEnumKeyExW) enum_key = nullptr;
    decltype(&::RegEnumValueW) enum_value = nullptr;
    decltype(&::RegCloseKey) close_key = nullptr;

  private:
    quill::unique_module module_;
};

// The program-wide table, built before the entry runs and released by the WOW64 variant.
Wow64RegistryFunctions& ProgramWow64RegistryFunctions();
