#pragma once

#include <windows.h>

#include <string>

#include "quill/handle.h"

namespace korve::test {

// A fresh registry key HKCU\Software\KORVETests\<name> (or below another root), deleted with
// its whole tree at the end. A leftover of a crashed run is deleted first.
class scratch_key {
  public:
    explicit scratch_key(const std::wstring& name, HKEY root = HKEY_CURRENT_USER);
    ~scratch_key();
    scratch_key(const scratch_key&) = delete;
    scratch_key& operator=(const scratch_key&) = delete;

    HKEY get() const noexcept { return handle_.get(); }
    const std::wstring& path() const noexcept { return path_; }  // below the root
    HKEY root() const noexcept { return root_; }

    // Helpers for arranging data; they fail the test on error.
    void create(const std::wstring& sub_path);
    void set_string(const std::wstring& sub_path, const std::wstring& name,
                    const std::wstring& value, DWORD type = REG_SZ);
    void set_raw(const std::wstring& sub_path, const std::wstring& name, DWORD type,
                 const void* data, DWORD size);
    void set_dword(const std::wstring& sub_path, const std::wstring& name, DWORD value);
    bool exists(const std::wstring& sub_path) const;
    bool value_exists(const std::wstring& sub_path, const std::wstring& name) const;

  private:
    HKEY root_;
    std::wstring path_;
    quill::unique_hkey handle_;
};

// Deletes a key tree below root if present; returns the RegDeleteTree result.
LONG delete_tree_if_present(HKEY root, const std::wstring& path, REGSAM view = 0);

}  // namespace korve::test
