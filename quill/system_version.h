#pragma once

namespace quill {

struct system_version {
    unsigned long major = 0;
    unsigned long minor = 0;
    unsigned long platform = 0;  // 2 for the NT platform
};

// The version the system really runs (not the compatibility-shimmed one); zeros if unknown.
system_version current_system_version() noexcept;

// Windows 2000: version 5.0 on the NT platform.
bool is_windows_2000(const system_version& version) noexcept;

}  // namespace quill
