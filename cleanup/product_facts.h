#pragma once

#include <string>

namespace korve::cleanup {

// Facts of the installed product that the registry cleaning step reads before it deletes their
// key, for the steps after it. Each stays empty when the step could not read it.
struct ProductFacts {
    // The product's installation folder ("AppPath"); the Program Files step removes it.
    std::wstring installed_application_path;
    // The product's version ("InstalledVersion"); the log mail names it.
    std::wstring installed_version;
};

}  // namespace korve::cleanup
