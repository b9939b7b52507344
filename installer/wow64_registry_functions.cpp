#include "installer/wow64_registry_functions.h"

namespace {

template <typename Function>
void LookUp(HMODULE module, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

Wow64RegistryFunctions::Wow64RegistryFunctions(const char* module_name)
    : module_(::LoadLibraryA(module_name)) {
    if (!module_) return;
    LookUp(module_.get(), "RegOpenKeyExW", open_key);
    LookUp(module_.get(), "RegDeleteKeyExW", delete_key);
    LookUp(module_.get(), "RegDeleteValueW", delete_value);
    LookUp(module_.get(), "RegEnumKeyExW", enum_key);
    LookUp(module_.get(), "RegEnumValueW", enum_value);
    LookUp(module_.get(), "RegCloseKey", close_key);
}

bool Wow64RegistryFunctions::complete() const noexcept {
    return open_key != nullptr && delete_key != nullptr && delete_value != nullptr &&
           enum_key != nullptr && enum_value != nullptr && close_key != nullptr;
}

void Wow64RegistryFunctions::release() noexcept {
    open_key = nullptr;
    delete_key = nullptr;
    delete_value = nullptr;
    enum_key = nullptr;
    enum_value = nullptr;
    close_key = nullptr;
    module_.reset();
}

Wow64RegistryFunctions& ProgramWow64RegistryFunctions() {
    static Wow64RegistryFunctions table;
    return table;
}

namespace {

// Looks the functions up during static initialisation, before the entry runs.
struct TableAtStartUp {
    TableAtStartUp() { ProgramWow64RegistryFunctions(); }
} const table_at_start_up;

}  // namespace
