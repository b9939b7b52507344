#pragma once

#include <string>

#include "quill/fs/protected_folders.h"

namespace korve::cleanup {

// Judges the installed application path read from the registry (ANSI, as the Program Files
// step would delete it): may it be deleted as the product's folder? The path is judged in its
// normal form (quill::fs::normal_path) and, where it exists, as the folder it really leads to
// (through links). Refused (false):
// - anything but a drive path ("X:\..."): relative paths ("", ".", "Velocore", "C:Velocore",
//   "\Velocore"), the "\\?\", "\\.\" and "\??\" forms, UNC paths; and what has no normal form
//   (device names, stream names, wildcards);
// - anything not on a local fixed drive, and a drive root in any spelling;
// - whatever the system's protected folders refuse (quill::fs::protected_folders);
// - the suite's brand folder "Kestrana" below each program folder (Program Files, Program
//   Files (x86), the Common Files folders, ProgramData), and every folder that holds one.
// A folder below all of these (the product's own) is accepted.
class installed_path_guard {
  public:
    // Builds on `system` and adds the brand folders as the system names their parents now.
    // Never throws: a guard whose folders are incomplete accepts nothing.
    explicit installed_path_guard(const quill::fs::protected_folders& system =
                                      quill::fs::protected_folders::of_this_run()) noexcept;

    // True when `folder` may be deleted as the product's folder. Never throws.
    bool accepts(const std::string& folder) const noexcept;

  private:
    quill::fs::protected_folders protected_;
    bool complete_ = false;
};

}  // namespace korve::cleanup
