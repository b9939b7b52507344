#include "installer/variant_policy.h"

#include "channels/program_channels.h"

namespace korve::installer {

using quill::registry2::access;
using quill::registry2::view;

const quill::registry2::functions& VariantPolicy::functions() const {
    if (looked_up != nullptr) return *looked_up;
    return quill::registry2::system_functions();
}

VariantPolicy NativePolicy(Deletions deletions) {
    VariantPolicy policy{};
    policy.channel = &InstallerChannel();
    policy.view = view::process;
    policy.looked_up = nullptr;
    policy.locating_access = access::read_write_or_read;
    policy.cleaning_access = access::read_write_or_read;
    policy.name_order = NameOrder::sorted;
    policy.name_chars = quill::registry2::default_name_chars;
    policy.max_sub_path_chars = SIZE_MAX;
    policy.hive_failures = HiveFailures::propagate;
    policy.upgrade_codes_spelling = UpgradeCodesSpelling::exact;
    policy.key_paths = KeyPathReading::typed_expanded;
    policy.failed_removals = FailedRemovals::unlogged;
    policy.component_errors = ComponentErrors::abandon_location;
    policy.code_keys = CodeKeyDeletion::whole_tree;
    policy.links = LinksInTrees::delete_as_link;
    policy.shared_dlls_views = {view::process};
    policy.deletions = deletions;
    return policy;
}

VariantPolicy Wow64Policy(Deletions deletions, quill::registry2::looked_up_functions& functions) {
    VariantPolicy policy{};
    policy.channel = &Wow64InstallerChannel();
    policy.view = view::bit64;
    policy.looked_up = &functions;
    policy.locating_access = access::read;
    policy.cleaning_access = access::read_write;
    policy.name_order = NameOrder::registry;
    // Names, data and sub-key paths go through buffers of 300 characters.
    policy.name_chars = 300;
    policy.max_sub_path_chars = 299;
    policy.hive_failures = HiveFailures::logged;
    policy.upgrade_codes_spelling = UpgradeCodesSpelling::any_case;
    policy.key_paths = KeyPathReading::raw_text;
    policy.failed_removals = FailedRemovals::logged;
    policy.component_errors = ComponentErrors::skip_component;
    policy.code_keys = CodeKeyDeletion::key_alone;
    // The six looked-up functions hold no call that deletes a link itself.
    policy.links = LinksInTrees::leave_in_place;
    // A 32-bit install keeps its installer data in the 64-bit view but counts its key files
    // in the 32-bit view's SharedDLLs, so both views lose the counter of a removed key file.
    policy.shared_dlls_views = {view::bit64, view::bit32};
    policy.deletions = deletions;
    return policy;
}

}  // namespace korve::installer
