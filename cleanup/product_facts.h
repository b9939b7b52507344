#pragma once

#include <string>

// Facts of the installed product, read by the registry cleaning step and used by the steps
// after it. Both are empty until that step has read them (and stay empty when it could not).

// The product's installation folder ("AppPath"); the Program Files step removes it.
std::wstring& InstalledApplicationPath();

// The product's version ("InstalledVersion"); the log mail names it.
std::wstring& InstalledVersion();
