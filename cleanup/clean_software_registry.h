#pragma once

#include <string>

#include "cleanup/product_facts.h"

namespace korve::cleanup {

// Removal step: deletes the product's registry keys (brand keys in both hives, uninstall
// entries, application path entry, suite registration) and returns the installed application
// path and version that it read first. Each block is guarded on its own; a line is logged only
// for what was deleted. Lets no error out.
ProductFacts CleanSoftwareRegistry();

// Whether an uninstall entry belongs to the product: its name begins with "Velocore" or with
// the installer product code (both case-sensitive). The code is a prefix only when it is a
// braced GUID ("{8-4-4-4-12}" of hex digits); any other value, the empty one included,
// matches nothing, or other programs' entries would go.
bool IsProductUninstallEntry(const std::wstring& entry_name, const std::wstring& product_code);

}  // namespace korve::cleanup
