#pragma once

#include <windows.h>

#include <string>

namespace korve::test {

// A registry symbolic link at root\path (made with REG_OPTION_CREATE_LINK and a REG_LINK
// "SymbolicLinkValue") to target_root\target_path; HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE
// are the roots it knows. At the end the link itself is deleted if it is still there, never
// its target; keep it alive shorter than a scratch key holding it (RegDeleteTree follows links).
class registry_link {
  public:
    registry_link(HKEY root, std::wstring path, HKEY target_root, const std::wstring& target_path);
    ~registry_link();
    registry_link(const registry_link&) = delete;
    registry_link& operator=(const registry_link&) = delete;

    // The link itself, opened with REG_OPTION_OPEN_LINK.
    bool exists() const;

  private:
    HKEY root_;
    std::wstring path_;
};

}  // namespace korve::test
