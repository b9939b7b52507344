#pragma once

#include <string>

namespace korve::test {

// A fresh folder C:\korve-tests\<name> on the prefix's C: drive, removed with its content at
// the end (links inside are removed as links). A leftover of a crashed run is removed first.
class scratch_folder {
  public:
    explicit scratch_folder(const std::string& name);
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::string& path() const noexcept { return path_; }  // without a final backslash
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

  private:
    std::string path_;
};

// Test-side file helpers; they fail the test on error.
void make_folder(const std::string& path);  // with missing parents
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);  // whole content; empty if missing
bool path_exists(const std::string& path);
void remove_recursively(const std::string& path);

}  // namespace korve::test
