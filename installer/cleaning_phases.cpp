#include "installer/cleaning_phases.h"

#include <cstdint>
#include <set>
#include <vector>

#include "channels/program_channels.h"
#include "installer/cleaning_log.h"
#include "installer/packed_guid.h"
#include "installer/store_keys.h"

namespace korve::installer {
namespace {

using quill::registry2::key;

bool OpenForCleaning(const std::wstring& store_path, const wchar_t* suffix, key& opened,
                     const VariantPolicy& policy) {
    return OpenStoreKey(policy, store_path, suffix, policy.cleaning_access, policy.view, opened) ==
           ERROR_SUCCESS;
}

bool Enabled(const VariantPolicy& policy) {
    return policy.deletions == Deletions::enabled;
}

// The code of a registry error thrown by a call that has no try_ form.
template <typename Call>
LONG CodeOf(Call call) {
    try {
        call();
        return ERROR_SUCCESS;
    } catch (const quill::registry2::generic& error) {
        return error.code() != ERROR_SUCCESS ? error.code() : ERROR_INVALID_DATA;
    }
}

LONG DeleteValue(key& parent, const std::wstring& name, const VariantPolicy& policy) {
    return Enabled(policy) ? parent.try_delete_value(name) : ERROR_SUCCESS;
}

// RegDeleteKeyExW of a key as it is would delete a link's target: only a key that OpenChild
// has just seen as no link reaches it.
LONG DeleteKeyAlone(key& parent, const std::wstring& name, const VariantPolicy& policy) {
    return Enabled(policy) ? parent.try_delete_key(name) : ERROR_SUCCESS;
}

LONG DeleteCodeKey(key& parent, const std::wstring& name, const VariantPolicy& policy) {
    if (policy.code_keys == CodeKeyDeletion::key_alone) return DeleteKeyAlone(parent, name, policy);
    return DeleteTree(parent, name, policy);
}

// Children are listed once, before any is deleted; a link ends the deletion of the keys above
// it, which hold it.
LONG DeleteTreeLeavingLinks(key& parent, const std::wstring& name, int depth,
                            const VariantPolicy& policy) {
    if (depth >= quill::registry2::max_depth) return ERROR_STACK_OVERFLOW;
    key tree;
    LONG result = OpenChild(parent, name, policy.cleaning_access, tree);
    if (result != ERROR_SUCCESS) return result;
    const quill::registry2::name_list children = ListNames(policy, tree, NameKind::sub_keys);
    for (const std::wstring& child : children.names) {
        result = DeleteTreeLeavingLinks(tree, child, depth + 1, policy);
        if (result != ERROR_SUCCESS) return result;
    }
    if (ListingFailed(children.code)) return children.code;
    tree.close();
    return DeleteKeyAlone(parent, name, policy);
}

// "%i  %ls": a store's number and an unpacked GUID or a file path.
void WriteStoreLine(std::uint32_t number, const std::wstring& text, const VariantPolicy& policy) {
    policy.channel->write(quill::log::level_note, L"%i  %ls", static_cast<int>(number),
                          text.c_str());
}

void WriteRemovalLine(std::uint32_t number, const std::wstring& text, LONG result,
                      const VariantPolicy& policy) {
    if (result != ERROR_SUCCESS && policy.failed_removals == FailedRemovals::unlogged) return;
    WriteStoreLine(number, text, policy);
}

void CollectProductCodes(const std::vector<std::wstring>& names, const InstallerStore& root,
                         InstallerCleanup& record, const VariantPolicy& policy) {
    for (const std::wstring& name : names) {
        // Only a packed GUID names a product: any other name (the empty default value above
        // all) would make the product phase delete outside the product's keys.
        if (IsPackedGuid(name)) {
            AddProductCode(record, name, root.owner);
        } else {
            policy.channel->write(quill::log::level_note, L"%i  Not a product code: \"%ls\"",
                                  static_cast<int>(root.number), name.c_str());
        }
    }
}

// The key path a client value holds, as the policy reads it. ERROR_MORE_DATA for raw data
// that fills the buffer without a zero: it may be cut short.
LONG ReadKeyPath(const key& component, const std::wstring& name, std::wstring& path,
                 const VariantPolicy& policy) {
    if (policy.key_paths == KeyPathReading::typed_expanded)
        return CodeOf([&] { path = component.get_string(name); });
    std::vector<wchar_t> data(kRawKeyPathChars, L'\0');
    DWORD type = 0;
    DWORD size = kRawKeyPathChars * sizeof(wchar_t);
    const LONG result = component.try_query(name, type, data.data(), size);
    if (result != ERROR_SUCCESS) return result;
    const std::size_t chars = size / sizeof(wchar_t);
    for (std::size_t i = 0; i < chars; ++i) {
        if (data[i] == L'\0') {
            path.assign(data.data(), i);
            return ERROR_SUCCESS;
        }
    }
    if (chars >= kRawKeyPathChars) return ERROR_MORE_DATA;
    path.assign(data.data(), chars);
    return ERROR_SUCCESS;
}

// Deletes the product's client values of one component of `location` (codes that do not
// apply there are left alone); `sole_client` tells whether they were all of its values, and
// then the key paths join record.key_files (AddKeyFiles). Returns the failure that, by the
// policy, abandons the location.
LONG CheckComponent(InstallerCleanup& record, key& component, const InstallerStore& location,
                    const VariantPolicy& policy, bool& sole_client) {
    sole_client = false;
    const bool abandons = policy.component_errors == ComponentErrors::abandon_location;
    const quill::registry2::name_list values = ListNames(policy, component, NameKind::values);
    if (ListingFailed(values.code) && abandons) return values.code;
    // Values the listing did not reach are still values of the component: counting them keeps
    // a component that another client may use.
    const std::size_t value_count = values.names.size() + (ListingFailed(values.code) ? 1 : 0);
    std::vector<std::wstring> client_values;
    std::set<std::wstring> key_paths;
    for (const std::wstring& name : values.names) {
        if (!ProductCodeApplies(record, name, location.owner)) continue;
        std::wstring key_path;
        const LONG read = ReadKeyPath(component, name, key_path, policy);
        if (read != ERROR_SUCCESS) {
            if (abandons) return read;
            continue;
        }
        // The installer writes "C?\..." for some key paths; SharedDLLs names them "C:\...".
        if (key_path.size() > 1 && key_path[1] == L'?') key_path[1] = L':';
        if (!key_path.empty()) key_paths.insert(key_path);
        const LONG deleted = DeleteValue(component, name, policy);
        if (deleted != ERROR_SUCCESS && abandons) return deleted;
        client_values.push_back(name);
    }
    if (client_values.empty() || client_values.size() != value_count) return ERROR_SUCCESS;
    AddKeyFiles(record, key_paths, location, client_values);
    sole_client = true;
    return ERROR_SUCCESS;
}

// Opened as it is: through a link its client values would be another key's.
LONG RemoveComponent(key& components, const std::wstring& component_code,
                     const InstallerStore& location, InstallerCleanup& record,
                     const VariantPolicy& policy) {
    key component;
    LONG result = key::try_open(components, component_code, component, policy.cleaning_access,
                                quill::registry2::links::open_as_is);
    if (result != ERROR_SUCCESS) return result;
    if (component.is_link()) return ERROR_SUCCESS;
    bool sole_client = false;
    result = CheckComponent(record, component, location, policy, sole_client);
    if (result != ERROR_SUCCESS || !sole_client) return result;
    component.close();
    WriteStoreLine(location.number, UnpackGuid(component_code), policy);
    return DeleteCodeKey(components, component_code, policy);
}

}  // namespace

LONG DeleteTree(key& parent, const std::wstring& name, const VariantPolicy& policy) {
    if (!Enabled(policy)) return ERROR_SUCCESS;
    if (policy.links == LinksInTrees::leave_in_place)
        return DeleteTreeLeavingLinks(parent, name, 0, policy);
    return CodeOf([&] { parent.delete_key(name, true); });
}

void RemoveUpgradeCodes(const InstallerStore& root, InstallerCleanup& record,
                        const VariantPolicy& policy) {
    key upgrade_codes;
    if (!OpenForCleaning(root.path, L"\\Installer\\UpgradeCodes", upgrade_codes, policy)) return;
    for (const std::wstring& upgrade_code : record.upgrade_codes) {
        key products_of_code;
        // A link would name another key's products and have that key deleted.
        if (OpenChild(upgrade_codes, upgrade_code, policy.cleaning_access, products_of_code) !=
            ERROR_SUCCESS) {
            continue;
        }
        const quill::registry2::name_list listed =
            ListNames(policy, products_of_code, NameKind::values, kMaxNamesPerUpgradeCode);
        products_of_code.close();
        // A sorted listing that failed leaves the code for a run that can read it.
        if (policy.name_order == NameOrder::sorted && ListingFailed(listed.code)) continue;
        CollectProductCodes(listed.names, root, record, policy);
        if (listed.cut) {
            policy.channel->write(
                quill::log::level_note, "%i  More than %i names: the rest not read",
                static_cast<int>(root.number), static_cast<int>(kMaxNamesPerUpgradeCode));
        }
        const LONG deleted = DeleteCodeKey(upgrade_codes, upgrade_code, policy);
        if (deleted != ERROR_SUCCESS && policy.failed_removals == FailedRemovals::logged)
            policy.channel->write(quill::log::level_note, "Error %i", static_cast<int>(deleted));
        WriteRemovalLine(root.number, UnpackGuid(upgrade_code), deleted, policy);
    }
}

void RemoveProducts(const InstallerStore& location, InstallerCleanup& record,
                    const VariantPolicy& policy) {
    key products;
    if (!OpenForCleaning(location.path, L"\\Products", products, policy)) return;
    for (const std::wstring& product_code : record.product_codes) {
        if (!ProductCodeApplies(record, product_code, location.owner)) continue;
        key product;
        if (key::try_open(products, product_code, product, policy.cleaning_access,
                          quill::registry2::links::open_as_is) != ERROR_SUCCESS) {
            continue;  // not registered in this location
        }
        const bool link = product.is_link();
        product.close();
        if (link && policy.links == LinksInTrees::leave_in_place) continue;
        WriteRemovalLine(location.number, UnpackGuid(product_code),
                         DeleteTree(products, product_code, policy), policy);
    }
}

void RemoveComponents(const InstallerStore& location, InstallerCleanup& record,
                      const VariantPolicy& policy) {
    key components;
    if (!OpenForCleaning(location.path, L"\\Components", components, policy)) return;
    // Listed before any deletion, so that removing one does not shift the next out of reach.
    for (const std::wstring& component_code :
         ListNames(policy, components, NameKind::sub_keys).names) {
        const LONG result = RemoveComponent(components, component_code, location, record, policy);
        if (result != ERROR_SUCCESS &&
            policy.component_errors == ComponentErrors::abandon_location) {
            return;
        }
    }
}

void RemoveKeyFiles(const InstallerStore& shared_dlls, InstallerCleanup& record,
                    const VariantPolicy& policy) {
    for (const std::wstring& key_file : record.key_files) {
        if (!KeyFileApplies(record, key_file, shared_dlls.owner)) continue;
        LONG result = ERROR_FILE_NOT_FOUND;
        for (const quill::registry2::view in : policy.shared_dlls_views) {
            key counters;
            LONG deleted =
                OpenStoreKey(policy, shared_dlls.path, L"", policy.cleaning_access, in, counters);
            if (deleted == ERROR_SUCCESS) deleted = DeleteValue(counters, key_file, policy);
            if (deleted == ERROR_SUCCESS) result = ERROR_SUCCESS;
        }
        WriteRemovalLine(shared_dlls.number, key_file, result, policy);
    }
}

void RemoveFromStores(InstallerCleanup& record, const VariantPolicy& policy) {
    quill::log::channel& log = *policy.channel;
    WriteSectionHeading(log, "Upgrade Codes Removed", kSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) RemoveUpgradeCodes(root, record, policy);

    WriteSectionHeading(log, "Product Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveProducts(location, record, policy);
    }

    WriteSectionHeading(log, "Component Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveComponents(location, record, policy);
    }

    WriteSectionHeading(log, "Key Files Removed", kShortSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) {
        RemoveKeyFiles({root.number, root.path + L"\\SharedDLLs", root.owner, root.hive}, record,
                       policy);
    }
}

}  // namespace korve::installer
