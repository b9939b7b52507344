#pragma once

#include <windows.h>

#include "quill/handle.h"

namespace quill::registry2 {

// The system calls a key makes, replaceable as a whole: the program's WOW64 cleaning calls
// functions looked up by name, and tests put a failing or recording call in one entry.
struct functions {
    using nt_delete_key_function = LONG(NTAPI*)(HANDLE);
    using nt_status_to_error_function = ULONG(NTAPI*)(LONG);

    decltype(&::RegOpenKeyExW) open_key = nullptr;
    decltype(&::RegCreateKeyExW) create_key = nullptr;
    decltype(&::RegCloseKey) close_key = nullptr;
    decltype(&::RegEnumKeyExW) enum_key = nullptr;
    decltype(&::RegEnumValueW) enum_value = nullptr;
    decltype(&::RegQueryValueExW) query_value = nullptr;
    decltype(&::RegSetValueExW) set_value = nullptr;
    decltype(&::RegDeleteValueW) delete_value = nullptr;
    decltype(&::RegDeleteKeyExW) delete_key = nullptr;
    // ntdll's: the only call that deletes a registry link itself (on a handle opened with
    // REG_OPTION_OPEN_LINK), and the translation of its status. Null when ntdll lacks them.
    nt_delete_key_function nt_delete_key = nullptr;
    nt_status_to_error_function nt_status_to_error = nullptr;
};

// The functions the program is linked with; the ntdll ones looked up once, on first use.
const functions& system_functions() noexcept;

// The system functions, with the six the WOW64 cleaning names (RegOpenKeyExW, RegDeleteKeyExW,
// RegDeleteValueW, RegEnumKeyExW, RegEnumValueW, RegCloseKey) looked up by name in a module
// loaded with LoadLibraryA, so that it can name the 64-bit view on any system that has them.
class looked_up_functions : public functions {
  public:
    // A missing module or function leaves its entry null (see complete()). Throws nothing.
    explicit looked_up_functions(const char* module_name = "ADVAPI32.DLL");
    looked_up_functions(const looked_up_functions&) = delete;
    looked_up_functions& operator=(const looked_up_functions&) = delete;

    // True when all six were found and the table has not been released.
    bool complete() const noexcept;
    // Frees the module and clears the six entries; later use finds the table incomplete.
    void release() noexcept;

  private:
    unique_module module_;
};

// The program-wide table of looked-up functions, built before the entry runs (during static
// initialisation) and released by the WOW64 cleaning when it ends.
looked_up_functions& program_looked_up_functions();

}  // namespace quill::registry2
