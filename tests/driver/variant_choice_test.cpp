#include <gtest/gtest.h>

#include <string>

#include "channels/program_channels.h"
#include "driver/installer_step.h"
#include "installer/variant_switches.h"
#include "installer/wow64_registry_functions.h"
#include "tests/support/captured_lines.h"

namespace {

// The test prefix is a 64-bit Windows: the x86 build runs there under WOW64, the x64 never.
constexpr bool kRunsUnderWow64 = sizeof(void*) == 4;

// The entry's own choice, in a process of its own so that the switches start unset and the
// WOW64 table is still loaded: the WOW64 variant exactly when the process runs under WOW64.
TEST(VariantChoiceTest, EntryRunsTheWow64VariantExactlyUnderWow64) {
    korve::test::captured_lines main(MainChannel());
    CleanInstallerDatabaseStep();
    EXPECT_EQ(kRunsUnderWow64, Wow64Switch());
    EXPECT_EQ(!kRunsUnderWow64, NativeSwitch());
    EXPECT_EQ(!kRunsUnderWow64, ProgramWow64RegistryFunctions().complete())
        << "only the WOW64 variant releases the table";
    ASSERT_GE(main.lines().size(), 4u);
    EXPECT_EQ("Locating Windows Installer Root Stores", main.lines()[2]);
    EXPECT_TRUE(Wow64InstallerChannel().empty());
    EXPECT_TRUE(InstallerChannel().empty());
}

}  // namespace
