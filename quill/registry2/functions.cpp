#include "quill/registry2/functions.h"

namespace quill::registry2 {
namespace {

template <typename Function>
void look_up(HMODULE module, const char* name, Function& entry) {
    entry =
        module == nullptr
            ? nullptr
            : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

functions linked_functions() noexcept {
    functions linked;
    linked.open_key = &::RegOpenKeyExW;
    linked.create_key = &::RegCreateKeyExW;
    linked.close_key = &::RegCloseKey;
    linked.enum_key = &::RegEnumKeyExW;
    linked.enum_value = &::RegEnumValueW;
    linked.query_value = &::RegQueryValueExW;
    linked.set_value = &::RegSetValueExW;
    linked.delete_value = &::RegDeleteValueW;
    linked.delete_key = &::RegDeleteKeyExW;
    // Every process has ntdll loaded; the SDK's import libraries do not cover these calls.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    look_up(ntdll, "NtDeleteKey", linked.nt_delete_key);
    look_up(ntdll, "RtlNtStatusToDosError", linked.nt_status_to_error);
    return linked;
}

}  // namespace

const functions& system_functions() noexcept {
    static const functions linked = linked_functions();
    return linked;
}

looked_up_functions::looked_up_functions(const char* module_name)
    : functions(system_functions()), module_(::LoadLibraryA(module_name)) {
    look_up(module_.get(), "RegOpenKeyExW", open_key);
    look_up(module_.get(), "RegDeleteKeyExW", delete_key);
    look_up(module_.get(), "RegDeleteValueW", delete_value);
    look_up(module_.get(), "RegEnumKeyExW", enum_key);
    look_up(module_.get(), "RegEnumValueW", enum_value);
    look_up(module_.get(), "RegCloseKey", close_key);
}

bool looked_up_functions::complete() const noexcept {
    return open_key != nullptr && delete_key != nullptr && delete_value != nullptr &&
           enum_key != nullptr && enum_value != nullptr && close_key != nullptr;
}

void looked_up_functions::release() noexcept {
    open_key = nullptr;
    delete_key = nullptr;
    delete_value = nullptr;
    enum_key = nullptr;
    enum_value = nullptr;
    close_key = nullptr;
    module_.reset();
}

looked_up_functions& program_looked_up_functions() {
    static looked_up_functions table;
    return table;
}

namespace {

// Looks the functions up during static initialisation, before the entry runs.
struct table_at_start_up {
    table_at_start_up() { program_looked_up_functions(); }
} const looked_up_at_start_up;

}  // namespace

}  // namespace quill::registry2
