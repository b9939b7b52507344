#pragma once

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace korve::test {

// A scratch folder made the current directory for the test's duration, so the program's log
// file "KORVERemover.log.txt" is created there; the previous directory is restored at the end.
class working_folder {
  public:
    explicit working_folder(const std::string& name);
    ~working_folder();
    working_folder(const working_folder&) = delete;
    working_folder& operator=(const working_folder&) = delete;

    const scratch_folder& folder() const noexcept { return folder_; }

    // The log file's lines without their time-stamp prefixes (the byte-order mark dropped).
    std::vector<std::string> log_texts() const;

  private:
    std::string previous_;
    scratch_folder folder_;
};

}  // namespace korve::test
