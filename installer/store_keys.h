#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/variant_policy.h"
#include "quill/registry2/key.h"

// The walk's registry access, as a variant's policy shapes it.
namespace korve::installer {

// Opens the key at a store path (hive short name, backslash, sub-path) plus `suffix` (which
// starts with a backslash, or is empty) with `rights` in the view `in`, through the policy's
// functions. No component is followed as a registry link: a user's link would lead a user's
// codes into the machine's tables. A sub-path longer than the policy allows is not found.
// Returns the system's code; `opened` is set only on success.
LONG OpenStoreKey(const VariantPolicy& policy, const std::wstring& store_path,
                  const std::wstring& suffix, quill::registry2::access rights,
                  quill::registry2::view in, quill::registry2::key& opened);

// Opens the one component `name` below `parent` as it is; a registry link (or a key that
// cannot tell) fails with ERROR_REPARSE_POINT_ENCOUNTERED, so it is never read or entered.
LONG OpenChild(const quill::registry2::key& parent, const std::wstring& name,
               quill::registry2::access rights, quill::registry2::key& opened);

enum class NameKind { sub_keys, values };

// At most `limit` names of one kind below `parent`, in the policy's order: sorted, and none when
// the listing fails; or in registry order up to the first failure. `code` tells what ended the
// listing (see ListingFailed), `cut` whether the limit left names unread.
quill::registry2::name_list ListNames(const VariantPolicy& policy,
                                      const quill::registry2::key& parent, NameKind kind,
                                      std::size_t limit = SIZE_MAX);

// True when the code that ended a listing is a failure, not its end or its limit.
bool ListingFailed(LONG code);

}  // namespace korve::installer
