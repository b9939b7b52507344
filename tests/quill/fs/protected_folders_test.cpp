#include "quill/fs/protected_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tests/support/unix_link.h"

namespace quill::fs {
namespace {

using korve::test::wide_path;

TEST(ProtectedFoldersTest, AFolderKeepsItsAncestorsATreeAlsoWhatItHolds) {
    const korve::test::scratch_folder scratch("protected-folders");
    korve::test::make_folder(scratch / "Elsewhere");
    protected_folders folders;
    folders.add(wide_path(scratch / "Kept"), protected_folders::reach::folder);
    folders.add(wide_path(scratch / "System"), protected_folders::reach::tree);
    folders.add(L"Relative", protected_folders::reach::tree);
    const bool linked = korve::test::make_unix_symlink(scratch / "Elsewhere", scratch / "Link");
    if (linked) folders.add(wide_path(scratch / "Link"), protected_folders::reach::folder);

    struct row {
        std::string path;
        bool refused;
    };
    const row rows[] = {
        {scratch / "Kept", true},
        {scratch / "KEPT\\.\\", true},
        {scratch.path(), true},
        {"C:\\", true},
        {"C:", true},
        {"C:korve-tests", true},
        {"", true},
        {"\\\\server\\share\\", true},
        {scratch / "Kept\\Velocore", false},
        {scratch / "System\\sub\\deeper", true},
        {scratch / "Systems", false},
        {scratch / "Relative", false},
        {scratch / "Kept:stream", true},
        {"\\\\server\\share\\Velocore", false},
        // Where a protected link really leads is protected too.
        {scratch / "Elsewhere", linked},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.refused, folders.protects(wide_path(r.path))) << r.path;
    }
    if (linked) korve::test::remove_unix_link(scratch / "Link");
}

}  // namespace
}  // namespace quill::fs
