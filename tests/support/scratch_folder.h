#pragma once

#include <string>

namespace korve::test {

// Whether a scratch folder is also the current directory while it lives (so that a log file
// "KORVERemover.log.txt" written by code under test lands there); the previous one comes back.
enum class folder_use { scratch, current_directory };

// A fresh folder C:\korve-tests\<name> on the prefix's C: drive, removed with its content at
// the end (links inside are removed as links). A leftover of a crashed run is removed first.
class scratch_folder {
  public:
    explicit scratch_folder(const std::string& name, folder_use use = folder_use::scratch);
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::string& path() const noexcept { return path_; }  // without a final backslash
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

  private:
    std::string path_;
    std::string previous_directory_;  // empty unless the folder is the current directory
};

// Test-side file helpers (read_file is in text_file.h); they fail the test on error. Narrow paths
// are ANSI; the wide forms reach names the ANSI code page cannot spell.
void make_folder(const std::string& path);  // with missing parents
void make_folder(const std::wstring& path);
void write_file(const std::string& path, const std::string& bytes);
void write_file(const std::wstring& path, const std::string& bytes);
bool path_exists(const std::string& path);
bool path_exists(const std::wstring& path);
void remove_recursively(const std::string& path);
void remove_recursively(const std::wstring& path);

// A product folder as an installation leaves it: nested folders (one dot-named), plain files,
// a hidden one, and one read-only file, "Help\Manual.lnk", that only a deletion clearing
// attributes removes.
void fill_product_folder(const std::string& product);

// The wide form of an ANSI path and back (throwing for a character the code page lacks), and a
// UTF-8 form of a wide one for test messages.
std::wstring wide_path(const std::string& ansi_path);
std::string ansi_path(const std::wstring& path);
std::string printable(const std::wstring& path);

}  // namespace korve::test
