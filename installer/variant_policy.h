#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "quill/log/channel.h"
#include "quill/registry2/functions.h"
#include "quill/registry2/key.h"

namespace korve::installer {

// How a variant lists the names of a key. sorted: all names sorted by UTF-16 code unit, and a
// listing that fails gives none (the item it served fails as a whole); registry: the
// registry's own order, up to the first failure.
enum class NameOrder { sorted, registry };

// Whether the child of an Installer key that makes a root store must be spelled UpgradeCodes
// exactly, or is looked up by the registry in any letter case.
enum class UpgradeCodesSpelling { exact, any_case };

// What a hive that cannot be opened or listed does: leaves the cleaning as a registry error
// (for the entry's handler), or, for HKCR and HKLM, writes "RegOpenKeyEx HKEY_... failed".
enum class HiveFailures { propagate, logged };

// How a component's client value gives its key path: as REG_SZ or REG_EXPAND_SZ text,
// expanded (any other type is an error); or the raw data as text up to its first zero, at
// most kRawKeyPathChars characters (a value that does not fit is left alone).
enum class KeyPathReading { typed_expanded, raw_text };

// Whether a removal that fails still writes its line: unlogged, only removals that succeeded
// have one; logged, every removal has its line, a failed upgrade code's after "Error %i".
enum class FailedRemovals { unlogged, logged };

// What an error while examining a location's components ends: the rest of the location, or
// the one component (or value) alone.
enum class ComponentErrors { abandon_location, skip_component };

// How an upgrade code's or a component's key is deleted: with its whole tree, or the key alone
// (which fails for a key with sub-keys).
enum class CodeKeyDeletion { whole_tree, key_alone };

// What a product tree's deletion does with a registry link in it: deletes the link itself (its
// target untouched), or leaves it, and so the keys above it, in place.
enum class LinksInTrees { delete_as_link, leave_in_place };

// Whether the walk deletes anything, or only reads and writes its lines.
enum class Deletions { enabled, disabled };

// Characters of client value data that the raw_text reading takes.
constexpr DWORD kRawKeyPathChars = 300;

// Everything in which the native and the WOW64 variant of the cleaning differ; the walk over
// the stores is one and reads its choices here. Made by NativePolicy or Wow64Policy.
struct VariantPolicy {
    // Where the lines go.
    quill::log::channel* channel = nullptr;
    // The registry view of every key, and the functions that open and change them: the linked
    // ones, or a table looked up by name, which must be complete (else the cleaning ends with
    // its error lines) and which the cleaning releases when it ends.
    quill::registry2::view view;
    quill::registry2::looked_up_functions* looked_up = nullptr;
    // Rights of the keys opened while locating the stores, and while cleaning them.
    quill::registry2::access locating_access;
    quill::registry2::access cleaning_access;
    NameOrder name_order;
    // Size of the buffer a name is listed into; a name of this many characters or more is not.
    DWORD name_chars;
    // Sub-key paths below a hive longer than this are taken as not found.
    std::size_t max_sub_path_chars;
    HiveFailures hive_failures;
    UpgradeCodesSpelling upgrade_codes_spelling;
    KeyPathReading key_paths;
    FailedRemovals failed_removals;
    ComponentErrors component_errors;
    CodeKeyDeletion code_keys;
    LinksInTrees links;
    // The views whose SharedDLLs a removed key file is deleted from.
    std::vector<quill::registry2::view> shared_dlls_views;
    Deletions deletions = Deletions::disabled;

    const quill::registry2::functions& functions() const;
};

// The native variant: the linked registry functions in the process's own view, sorted names,
// expanded key paths, a line only for what was removed; lines to the installer channel.
VariantPolicy NativePolicy(Deletions deletions);

// The WOW64 variant: the looked-up functions (the program-wide table unless a test names
// another) naming the 64-bit view, registry order and 300-character buffers, raw key paths,
// every removal logged, the counters of both views; lines to the WOW64 installer channel.
VariantPolicy Wow64Policy(Deletions deletions, quill::registry2::looked_up_functions& functions =
                                                   quill::registry2::program_looked_up_functions());

}  // namespace korve::installer
