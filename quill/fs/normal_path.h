#pragma once

#include <optional>
#include <string>

namespace quill::fs {

// The one spelling of a place that the program compares paths in: absolute ("." and ".."
// resolved against the current folder), backslashes only, every component without the trailing
// dots and blanks the file system drops, generated short (8.3) names made long as far as the
// path exists, no final separator except a drive root's ("C:\"). Drive paths ("C:\...") and UNC
// paths ("\\server\share\...", the share being its root) only; the "\\?\" forms of both are read
// as the plain forms. Empty for anything else: a device path or name (CON, NUL.txt ...), a
// stream name or wildcard, a component of dots and blanks only, a text longer than the system's
// longest path. Letters keep their case (compare with same_path). Never throws.
// Cost: linear in the length of the path; the file system is asked only for a path with a
// short name in it, at most a few times, and never through a UNC path.
std::wstring normal_path(const std::wstring& path) noexcept;

// True for a normal path that is a drive root ("C:\") or a share root ("\\server\share").
bool is_root(const std::wstring& normal) noexcept;

// Windows' rule for file names: equal under the system's ordinal case folding.
bool same_path(const std::wstring& a, const std::wstring& b) noexcept;

// True when the normal path `outer` is `inner` or holds it (`inner` normal too).
bool is_or_holds(const std::wstring& outer, const std::wstring& inner) noexcept;

// True for a local fixed drive's normal path (not removable, network or substituted media).
bool on_fixed_drive(const std::wstring& normal) noexcept;

// Where a normal path on a fixed drive really leads (links followed), as a normal path; the
// path itself when nothing is there yet. Nothing when it exists but cannot be traced (it is no
// folder, or cannot be opened), when it is not on a fixed drive, or when it leads off the local
// drives. Opens it as open_root does, for traversal only.
std::optional<std::wstring> real_path(const std::wstring& normal) noexcept;

}  // namespace quill::fs
