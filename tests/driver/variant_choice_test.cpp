#include <gtest/gtest.h>

#include <string>

#include "channels/program_channels.h"
#include "driver/installer_step.h"
#include "installer/variant_policy.h"
#include "quill/registry2/functions.h"
#include "tests/support/captured_lines.h"

namespace {

using korve::driver::CleanInstallerDatabaseStep;
using korve::driver::EntryVariantPolicy;

// The test prefix is a 64-bit Windows: the x86 build runs there under WOW64, the x64 never.
constexpr bool kRunsUnderWow64 = sizeof(void*) == 4;

// The entry's own choice, in a process of its own so that the WOW64 table is still loaded:
// the WOW64 variant exactly when the process runs under WOW64, with deletions enabled.
TEST(VariantChoiceTest, EntryRunsTheWow64VariantExactlyUnderWow64) {
    const korve::installer::VariantPolicy chosen = EntryVariantPolicy();
    EXPECT_EQ(kRunsUnderWow64 ? &Wow64InstallerChannel() : &InstallerChannel(), chosen.channel);
    EXPECT_EQ(kRunsUnderWow64, chosen.looked_up != nullptr);
    EXPECT_TRUE(chosen.deletions == korve::installer::Deletions::enabled);
    korve::test::captured_lines main(MainChannel());
    CleanInstallerDatabaseStep();
    EXPECT_EQ(!kRunsUnderWow64, quill::registry2::program_looked_up_functions().complete())
        << "only the WOW64 variant releases the table";
    ASSERT_GE(main.lines().size(), 4u);
    EXPECT_EQ("Locating Windows Installer Root Stores", main.lines()[2]);
    EXPECT_TRUE(Wow64InstallerChannel().empty());
    EXPECT_TRUE(InstallerChannel().empty());
}

}  // namespace
