#pragma once

#include <string>

namespace korve::suite {

// What the configuration folder says about the tray's other users.
struct TrayProducts {
    int count = 0;
    // The system error that stopped the folder's listing part-way or at its start; 0 when the
    // folder was listed to its end, or is missing. With an error, `count` means nothing: the
    // files not seen may be another product's.
    unsigned long listing_error = 0;
};

// The number of suite products that still use the shared tray, from the names of the ".xml"
// files in its configuration folder (given without a final separator). The tray's own
// "pmtray.xml" does not count, and "corvo.xml" with "tallo.xml" count as one product; names
// are compared without regard to case, folders are ignored, contents are never read.
// A missing folder or one without ".xml" files gives 0. Never throws.
TrayProducts CountTrayProducts(const std::wstring& ConfigurationFolder) noexcept;

}  // namespace korve::suite
