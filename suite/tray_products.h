#pragma once

#include <string>

namespace korve::suite {

// The number of suite products that still use the shared tray, from the names of the ".xml"
// files in its configuration folder (given without a final separator). The tray's own
// "pmtray.xml" does not count, and "corvo.xml" with "tallo.xml" count as one product; names
// are compared without regard to case, folders are ignored, contents are never read.
// A missing or empty folder gives 0. Never throws.
int CountTrayProducts(const std::wstring& configuration_folder) noexcept;

}  // namespace korve::suite
