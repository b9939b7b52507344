#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace korve::test {

// Keeps a registry key tree of fixed name (a product's key the code under test works on) out
// of a test's way: the tree as it was is copied into memory and, unless `keep` is set, deleted;
// at the end whatever the test left there is deleted and the copy put back. A key that did not
// exist is simply deleted at the end.
class saved_key {
  public:
    enum mode { clear, keep };
    saved_key(HKEY root, std::wstring path, mode how = clear);
    ~saved_key();
    saved_key(const saved_key&) = delete;
    saved_key& operator=(const saved_key&) = delete;

    struct tree;

  private:
    HKEY root_;
    std::wstring path_;
    std::unique_ptr<tree> saved_;
};

// Test-side registry helpers on absolute paths; they fail the test on error.
void make_key(HKEY root, const std::wstring& path);
void set_string_value(HKEY root, const std::wstring& path, const std::wstring& name,
                      const std::wstring& value);
bool key_exists(HKEY root, const std::wstring& path);

}  // namespace korve::test
