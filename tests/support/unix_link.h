#pragma once

#include <string>

namespace korve::test {

// True when the tests run under Wine (ntdll exports wine_get_version).
bool running_under_wine();

// Unix path of a Windows path as Wine maps it; empty outside Wine.
std::string unix_path_of(const std::string& windows_path);

// Makes `link` a Unix symbolic link to `target` with the host's "ln -s" (Wine cannot make
// directory links through Win32; such a link shows as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT). Returns whether the link now exists.
bool make_unix_symlink(const std::string& target, const std::string& link);

// Removes such a link (not its target) with the host's "rm"; Win32 cannot remove it under Wine.
void remove_unix_link(const std::string& link);

// Such a link for a scope: made on construction, removed (the link only) at the end, before the
// folders around it are cleaned up.
class scoped_unix_link {
  public:
    scoped_unix_link(const std::string& target, const std::string& link);
    ~scoped_unix_link();
    scoped_unix_link(const scoped_unix_link&) = delete;
    scoped_unix_link& operator=(const scoped_unix_link&) = delete;

    bool made() const noexcept { return made_; }

  private:
    std::string link_;
    bool made_;
};

}  // namespace korve::test
