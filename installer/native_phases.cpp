#include "installer/native_phases.h"

#include <optional>

#include "channels/program_channels.h"
#include "installer/bounded_names.h"
#include "installer/cleaning_log.h"
#include "installer/packed_guid.h"
#include "installer/variant_switches.h"

namespace native {
namespace {

using quill::registry2::key;

// The key at a store path plus `suffix` (which starts with a backslash, or is empty). No
// component is followed as a registry link: a user's link would lead a user's codes into
// the machine's tables.
key OpenStoreKey(const std::wstring& store_path, const std::wstring& suffix) {
    const StorePathParts parts = SplitStorePath(store_path);
    const key hive = key::open_handle(HiveFromName(parts.short_name));
    return key::open_path_as_is(hive, parts.sub_path + suffix);
}

std::optional<key> TryOpenStoreKey(const std::wstring& store_path, const std::wstring& suffix) {
    try {
        return OpenStoreKey(store_path, suffix);
    } catch (const quill::registry2::generic&) {
        return std::nullopt;
    }
}

void LogLine(std::uint32_t number, const std::wstring& text) {
    WriteStoreLine(InstallerChannel(), number, text);
}

}  // namespace

void RemoveUpgradeCodes(const InstallerStore& root, InstallerCleanup& record) {
    std::optional<key> upgrade_codes = TryOpenStoreKey(root.path, L"\\Installer\\UpgradeCodes");
    if (!upgrade_codes) return;
    for (const std::wstring& upgrade_code : record.upgrade_codes) {
        try {
            key products_of_code = key::open_as_is(*upgrade_codes, upgrade_code);
            // A link would name another key's products and have that key deleted.
            if (products_of_code.is_link()) continue;
            const SortedBoundedNames listed = ValueNames(products_of_code, kMaxNamesPerUpgradeCode);
            products_of_code.close();
            for (const std::wstring& name : listed.names) {
                // Only a packed GUID names a product: any other name (the empty default value
                // above all) would make the product phase delete outside the product's keys.
                if (IsPackedGuid(name)) {
                    AddProductCode(record, name, root.owner);
                } else {
                    InstallerChannel().write(quill::log::level_note,
                                             L"%i  Not a product code: \"%ls\"",
                                             static_cast<int>(root.number), name.c_str());
                }
            }
            if (listed.cut)
                WriteNamesCutLine(InstallerChannel(), root.number, kMaxNamesPerUpgradeCode);
            if (NativeSwitch()) upgrade_codes->delete_key(upgrade_code, true);
            LogLine(root.number, UnpackGuid(upgrade_code));
        } catch (const quill::registry2::generic&) {
            // This store does not hold the code (or it cannot be removed): next code.
        }
    }
}

void RemoveProducts(const InstallerStore& location, InstallerCleanup& record) {
    std::optional<key> products = TryOpenStoreKey(location.path, L"\\Products");
    if (!products) return;
    for (const std::wstring& product_code : record.product_codes) {
        if (!ProductCodeApplies(record, product_code, location.owner)) continue;
        try {
            if (NativeSwitch()) products->delete_key(product_code, true);
            LogLine(location.number, UnpackGuid(product_code));
        } catch (const quill::registry2::generic&) {
            // Not registered in this location.
        }
    }
}

void RemoveComponents(const InstallerStore& location, InstallerCleanup& record) {
    try {
        key components = OpenStoreKey(location.path, L"\\Components");
        for (const std::wstring& component_code : components.sub_keys()) {
            // Opened as it is: through a link its client values would be another key's.
            key component = key::open_as_is(components, component_code);
            if (component.is_link()) continue;
            if (!CheckComponent(record, std::move(component), location)) continue;
            LogLine(location.number, UnpackGuid(component_code));
            if (NativeSwitch()) components.delete_key(component_code, true);
        }
    } catch (const quill::registry2::generic&) {
        // The rest of this location's components stays unexamined.
    }
}

bool CheckComponent(InstallerCleanup& record, key component, const InstallerStore& location) {
    const quill::registry2::name_set names = component.value_names();
    std::vector<std::wstring> client_values;
    std::set<std::wstring> key_paths;
    for (const std::wstring& name : names) {
        if (!ProductCodeApplies(record, name, location.owner)) continue;
        std::wstring key_path = component.get_string(name);
        // The installer writes "C?\..." for some key paths; SharedDLLs names them "C:\...".
        if (key_path.size() > 1 && key_path[1] == L'?') key_path[1] = L':';
        if (!key_path.empty()) key_paths.insert(key_path);
        if (NativeSwitch()) component.delete_value(name);
        client_values.push_back(name);
    }
    if (client_values.empty() || client_values.size() != names.size()) return false;
    AddKeyFiles(record, key_paths, location, client_values);
    return true;
}

void RemoveKeyFiles(const InstallerStore& shared_dlls, InstallerCleanup& record) {
    for (const std::wstring& key_file : record.key_files) {
        if (!KeyFileApplies(record, key_file, shared_dlls.owner)) continue;
        try {
            key counters = OpenStoreKey(shared_dlls.path, L"");
            if (NativeSwitch()) counters.delete_value(key_file);
            LogLine(shared_dlls.number, key_file);
        } catch (const quill::registry2::generic&) {
            // No SharedDLLs key below this store, or no counter for this file.
        }
    }
}

}  // namespace native
