#include "installer/wow64_phases.h"

#include <optional>
#include <vector>

#include "channels/program_channels.h"
#include "installer/cleaning_log.h"
#include "installer/packed_guid.h"
#include "installer/variant_switches.h"
#include "installer/wow64_key.h"

namespace wow64 {
namespace {

// A handle that keeps failing (anything but the end of the list) would never end a
// value enumeration that only the end of the list stops.
constexpr int kMaxFailuresInARow = 1024;
// The registry allows 512 levels; links are not followed, so only a corrupt hive goes deeper.
constexpr int kMaxDepth = 512;

Wow64Key OpenStoreKey(const Wow64RegistryFunctions& api, const std::wstring& store_path,
                      const std::wstring& suffix, REGSAM access = kWow64ReadWriteAccess) {
    const StorePathParts parts = SplitStorePath(store_path);
    return Wow64Key::Open(api, HiveFromName(parts.short_name), parts.sub_path + suffix, access);
}

void LogLine(std::uint32_t number, const std::wstring& text) {
    WriteStoreLine(Wow64InstallerChannel(), number, text);
}

LONG DeleteKey(const Wow64RegistryFunctions& api, HKEY parent, const std::wstring& name) {
    if (!Wow64Switch()) return ERROR_SUCCESS;
    return api.delete_key(parent, name.c_str(), KEY_WOW64_64KEY, 0);
}

// The key path in a client value's data: the text up to its first zero. Data that fills the
// whole buffer without a zero may be cut short, so it gives no path at all.
std::optional<std::wstring> KeyPathFromData(const wchar_t* data, DWORD data_bytes) {
    const DWORD chars = data_bytes / sizeof(wchar_t);
    for (DWORD i = 0; i < chars; ++i) {
        if (data[i] == L'\0') return std::wstring(data, i);
    }
    if (chars >= kWow64BufferChars) return std::nullopt;
    return std::wstring(data, chars);
}

void CollectProductCodes(const std::vector<std::wstring>& names, const InstallerStore& root,
                         InstallerCleanup& record) {
    for (const std::wstring& name : names) {
        // Only a packed GUID names a product: any other name (the empty default value above
        // all) would make the product phase delete outside the product's keys.
        if (IsPackedGuid(name)) {
            AddProductCode(record, name, root.owner);
        } else {
            Wow64InstallerChannel().write(quill::log::level_note,
                                          L"%i  Not a product code: \"%ls\"",
                                          static_cast<int>(root.number), name.c_str());
        }
    }
}

}  // namespace

void RemoveUpgradeCodes(const Wow64RegistryFunctions& api, const InstallerStore& root,
                        InstallerCleanup& record) {
    const Wow64Key upgrade_codes = OpenStoreKey(api, root.path, L"\\Installer\\UpgradeCodes");
    if (!upgrade_codes.valid()) return;
    for (const std::wstring& upgrade_code : record.upgrade_codes) {
        Wow64Key products_of_code =
            Wow64Key::Open(api, upgrade_codes.get(), upgrade_code, kWow64ReadWriteAccess);
        if (!products_of_code.valid()) continue;
        const BoundedNames listed =
            Wow64ValueNames(api, products_of_code.get(), kMaxNamesPerUpgradeCode);
        products_of_code.Close();
        CollectProductCodes(listed.names, root, record);
        if (listed.cut) {
            WriteNamesCutLine(Wow64InstallerChannel(), root.number, kMaxNamesPerUpgradeCode);
        }
        const LONG result = DeleteKey(api, upgrade_codes.get(), upgrade_code);
        if (result != ERROR_SUCCESS) {
            Wow64InstallerChannel().write(quill::log::level_note, "Error %i",
                                          static_cast<int>(result));
        }
        LogLine(root.number, UnpackGuid(upgrade_code));
    }
}

void RemoveProducts(const Wow64RegistryFunctions& api, const InstallerStore& location,
                    InstallerCleanup& record) {
    const Wow64Key products = OpenStoreKey(api, location.path, L"\\Products");
    if (!products.valid()) return;
    for (const std::wstring& product_code : record.product_codes) {
        if (!ProductCodeApplies(record, product_code, location.owner)) continue;
        if (!Wow64Key::Open(api, products.get(), product_code, kWow64ReadWriteAccess).valid()) {
            continue;
        }
        DeleteTreeWow64(api, products.get(), product_code);
        LogLine(location.number, UnpackGuid(product_code));
    }
}

void RemoveComponents(const Wow64RegistryFunctions& api, const InstallerStore& location,
                      InstallerCleanup& record) {
    const Wow64Key components = OpenStoreKey(api, location.path, L"\\Components");
    if (!components.valid()) return;
    // Listed before any deletion, so that removing one does not shift the next out of reach.
    for (const std::wstring& component_code : Wow64SubKeyNames(api, components.get())) {
        Wow64Key component =
            Wow64Key::Open(api, components.get(), component_code, kWow64ReadWriteAccess);
        if (!component.valid()) continue;
        if (!CheckComponent(api, record, component.get(), location)) continue;
        LogLine(location.number, UnpackGuid(component_code));
        component.Close();
        DeleteKey(api, components.get(), component_code);
    }
}

bool CheckComponent(const Wow64RegistryFunctions& api, InstallerCleanup& record, HKEY component,
                    const InstallerStore& location) {
    std::size_t values = 0;
    std::set<std::wstring> key_paths;
    std::vector<std::wstring> client_values;
    int failures_in_a_row = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kWow64BufferChars];
        wchar_t data[kWow64BufferChars] = {};
        DWORD name_length = kWow64BufferChars;
        DWORD data_bytes = sizeof(data);
        const LONG result = api.enum_value(component, index, name, &name_length, nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(data), &data_bytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA) {
            // A value too long for the buffers is still a value of the component: counting
            // it keeps a component that another client may use.
            ++values;
            failures_in_a_row = 0;
            continue;
        }
        if (result != ERROR_SUCCESS) {
            if (++failures_in_a_row > kMaxFailuresInARow) break;
            continue;
        }
        failures_in_a_row = 0;
        ++values;
        const std::wstring value_name(name, name_length < kWow64BufferChars ? name_length : 0);
        if (!ProductCodeApplies(record, value_name, location.owner)) continue;
        std::optional<std::wstring> key_path = KeyPathFromData(data, data_bytes);
        if (!key_path) continue;
        // The installer writes "C?\..." for some key paths; SharedDLLs names them "C:\...".
        if (key_path->size() > 1 && (*key_path)[1] == L'?') (*key_path)[1] = L':';
        if (!key_path->empty()) key_paths.insert(*key_path);
        client_values.push_back(value_name);
    }
    // Deleting during the enumeration would shift the indexes of the values not yet read.
    if (Wow64Switch()) {
        for (const std::wstring& value : client_values) api.delete_value(component, value.c_str());
    }
    if (client_values.empty() || client_values.size() != values) return false;
    AddKeyFiles(record, key_paths, location, client_values);
    return true;
}

void RemoveKeyFiles(const Wow64RegistryFunctions& api, const InstallerStore& shared_dlls,
                    InstallerCleanup& record) {
    // A 32-bit install keeps its installer data in the 64-bit view but counts its key files
    // in the 32-bit view's SharedDLLs, so both views lose the counter of a removed key file.
    for (const std::wstring& key_file : record.key_files) {
        if (!KeyFileApplies(record, key_file, shared_dlls.owner)) continue;
        for (const REGSAM access : {kWow64ReadWriteAccess, kWow64ReadWriteAccess32}) {
            const Wow64Key counters = OpenStoreKey(api, shared_dlls.path, L"", access);
            if (counters.valid() && Wow64Switch()) {
                api.delete_value(counters.get(), key_file.c_str());
            }
        }
        LogLine(shared_dlls.number, key_file);
    }
}

void DeleteTreeWow64(const Wow64RegistryFunctions& api, HKEY parent, const std::wstring& name) {
    DeleteTreeWow64(api, parent, name, 0);
}

void DeleteTreeWow64(const Wow64RegistryFunctions& api, HKEY parent, const std::wstring& name,
                     int depth) {
    // A link does not open (Wow64Key::Open), so it is left as it is: RegDeleteKeyExW would
    // delete its target, and the table holds no call that deletes a link itself.
    Wow64Key tree = Wow64Key::Open(api, parent, name, kWow64ReadWriteAccess);
    if (!tree.valid() || depth >= kMaxDepth) return;
    LONG result = ERROR_SUCCESS;
    std::wstring previous;
    for (bool first = true;; first = false) {
        std::wstring child;
        result = Wow64SubKeyName(api, tree.get(), 0, child);
        if (result != ERROR_SUCCESS) break;
        if (!first && child == previous) break;  // that child could not be removed
        DeleteTreeWow64(api, tree.get(), child, depth + 1);
        previous = child;
    }
    tree.Close();
    if (result == ERROR_NO_MORE_ITEMS) DeleteKey(api, parent, name);
}

}  // namespace wow64
