#include "driver/installer_step.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "driver/removal_step.h"
#include "installer/variant_policy.h"
#include "quill/registry2/errors.h"
#include "quill/registry2/functions.h"
#include "quill/unicode/errors.h"
#include "tests/support/captured_lines.h"

namespace {

using korve::driver::CleanInstallerDatabaseStep;
using korve::driver::RunsUnderWow64;

using korve::driver::RunRemovalStep;
using korve::test::captured_lines;

// Each variant's lines reach the main channel through the proxy, and the variant's channel
// has no listener left afterwards. The WOW64 run releases the program-wide table, so it
// comes last.
TEST(InstallerStepTest, EachVariantIsForwardedToTheMainChannelOnlyForItsStep) {
    // The test prefix is a 64-bit Windows: the x86 build runs there under WOW64.
    EXPECT_EQ(sizeof(void*) == 4, RunsUnderWow64()) << "only the x86 build runs under WOW64";

    using korve::installer::Deletions;
    const korve::installer::VariantPolicy variants[] = {
        korve::installer::NativePolicy(Deletions::enabled),
        korve::installer::Wow64Policy(Deletions::enabled),
    };
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.looked_up != nullptr ? "WOW64" : "native");
        captured_lines main(MainChannel());
        CleanInstallerDatabaseStep(variant);
        EXPECT_TRUE(variant.channel->empty());
        const std::vector<std::string>& lines = main.lines();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ("**** Cleaning Installation Database ****", lines.front());
        EXPECT_EQ("Locating Windows Installer Root Stores", lines[2]);
        EXPECT_EQ(std::string(49, '='), lines.back());
    }
    EXPECT_FALSE(quill::registry2::program_looked_up_functions().complete())
        << "released by the WOW64 variant";
}

// Memory running out in a step (here in every line it writes) ends that step alone, its
// channel closed; any other error still leaves it for the entry's handler.
TEST(InstallerStepTest, RunningOutOfMemoryEndsOnlyTheStep) {
    struct starved : quill::log::listener {
        void write(int, const std::string&, const std::string&) override { throw std::bad_alloc(); }
    };
    MainChannel().attach(0, std::make_unique<starved>());
    RunRemovalStep([] { CleanInstallerDatabaseStep(); });
    MainChannel().close();
    EXPECT_TRUE(InstallerChannel().empty());
    RunRemovalStep([] { throw quill::unicode::out_of_memory("text"); });
    EXPECT_THROW(RunRemovalStep([] { throw quill::registry2::key_error("key"); }),
                 quill::registry2::key_error);
}

}  // namespace
