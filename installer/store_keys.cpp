#include "installer/store_keys.h"

#include <algorithm>

#include "installer/installer_stores.h"

namespace korve::installer {
namespace {

using quill::registry2::key;

// ERROR_REPARSE_POINT_ENCOUNTERED, which not every SDK's headers define.
constexpr LONG kReparsePointEncountered = 4395;

}  // namespace

LONG OpenStoreKey(const VariantPolicy& policy, const std::wstring& store_path,
                  const std::wstring& suffix, quill::registry2::access rights,
                  quill::registry2::view in, key& opened) {
    const StorePathParts parts = SplitStorePath(store_path);
    const std::wstring sub_path = parts.sub_path + suffix;
    if (sub_path.size() > policy.max_sub_path_chars) return ERROR_FILE_NOT_FOUND;
    key hive;
    const LONG result =
        key::try_open_handle(HiveFromName(parts.short_name), hive, rights, in, policy.functions());
    if (result != ERROR_SUCCESS) return result;
    return key::try_open_path_as_is(hive, sub_path, opened, rights);
}

LONG OpenChild(const key& parent, const std::wstring& name, quill::registry2::access rights,
               key& opened) {
    key child;
    const LONG result =
        key::try_open(parent, name, child, rights, quill::registry2::links::open_as_is);
    if (result != ERROR_SUCCESS) return result;
    if (child.is_link()) return kReparsePointEncountered;
    opened = std::move(child);
    return ERROR_SUCCESS;
}

quill::registry2::name_list ListNames(const VariantPolicy& policy, const key& parent, NameKind kind,
                                      std::size_t limit) {
    const quill::registry2::list_bounds bounds{limit, policy.name_chars};
    quill::registry2::name_list listed =
        kind == NameKind::sub_keys ? parent.list_sub_keys(bounds) : parent.list_value_names(bounds);
    if (policy.name_order == NameOrder::registry) return listed;
    if (ListingFailed(listed.code)) {
        listed.names.clear();
    } else {
        std::sort(listed.names.begin(), listed.names.end());
    }
    return listed;
}

bool ListingFailed(LONG code) {
    return code != ERROR_NO_MORE_ITEMS && code != ERROR_SUCCESS;
}

}  // namespace korve::installer
