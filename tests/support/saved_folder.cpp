#include "tests/support/saved_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"

namespace korve::test {

saved_folder::saved_folder(std::string path) : path_(std::move(path)) {
    const std::string aside = path_ + ".korve-saved";
    if (path_exists(aside)) {
        // A crashed run left the original aside; what is at the path now is the test's.
        remove_recursively(path_);
        moved_aside_ = true;
        return;
    }
    if (!path_exists(path_)) return;
    moved_aside_ = ::MoveFileA(path_.c_str(), aside.c_str()) != FALSE;
    if (!moved_aside_) ADD_FAILURE() << "cannot move " << path_ << " aside: " << ::GetLastError();
}

saved_folder::~saved_folder() {
    remove_recursively(path_);
    if (moved_aside_) ::MoveFileA((path_ + ".korve-saved").c_str(), path_.c_str());
}

}  // namespace korve::test
