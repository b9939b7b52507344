#pragma once

#include <string>
#include <vector>

namespace korve::cleanup {

// Judges the installed application path read from the registry (ANSI, as the Program Files
// step would delete it): may it be deleted as the product's folder? The path is judged in its
// normal form: made full, "." and ".." resolved, short names made long where they exist,
// trailing separators, dots and blanks of every component dropped; where it exists, the folder
// it really leads to (through links) is judged as well. Refused (false):
// - relative paths ("", ".", "Velocore", "C:Velocore", "\Velocore"), the "\\?\", "\\.\" and
//   "\??\" forms, UNC paths, device names (CON, NUL, COM1 ...), stream names and wildcards;
// - anything not on a local fixed drive, and a drive root in any spelling;
// - a system or known folder (Windows, the system folders, Program Files and its 32-bit twin,
//   Common Files, ProgramData, every profile listed under ProfileList, the shell folders of
//   the machine and of the user) and every folder that holds one;
// - the suite's brand folder "Kestrana" below Program Files, Program Files (x86), the Common
//   Files folders and ProgramData, and every folder that holds one.
// A folder below all of these (the product's own) is accepted.
class installed_path_guard {
  public:
    // Collects the protected folders as the system names them now (registry, environment,
    // shell). Never throws: a guard that could not collect them accepts nothing.
    installed_path_guard() noexcept;

    // True when `folder` may be deleted as the product's folder. Never throws.
    bool accepts(const std::string& folder) const noexcept;

  private:
    std::vector<std::wstring> protected_;  // upper-case normal forms
    bool complete_ = false;
};

}  // namespace korve::cleanup
