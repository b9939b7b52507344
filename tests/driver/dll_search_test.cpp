#include "driver/dll_search.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/installer_step.h"
#include "quill/internet/address/ip4.h"
#include "quill/internet/address/resolver.h"
#include "quill/internet/environment/guard.h"
#include "quill/registry2/functions.h"
#include "tests/support/child_process.h"

namespace {

using korve::driver::RunsUnderWow64;

// A library beside the test program under a name of its own: a copy of a system DLL, found
// only through the application folder of the DLL search.
class planted_dll {
  public:
    explicit planted_dll(const std::string& file_name)
        : name_(file_name), path_(korve::test::beside_test_executable(file_name)) {
        char system[MAX_PATH] = {};
        ::GetSystemDirectoryA(system, MAX_PATH);
        EXPECT_TRUE(
            ::CopyFileA((std::string(system) + "\\version.dll").c_str(), path_.c_str(), FALSE))
            << path_;
    }
    ~planted_dll() { ::DeleteFileA(path_.c_str()); }
    planted_dll(const planted_dll&) = delete;
    planted_dll& operator=(const planted_dll&) = delete;

    // Loads it by its bare name; true when that worked (the module is freed again).
    bool loads() const {
        const HMODULE module = ::LoadLibraryA(name_.c_str());
        if (module == nullptr) return false;
        ::FreeLibrary(module);
        return true;
    }

  private:
    std::string name_;
    std::string path_;
};

// The restriction holds for the whole process, so this is the only test of its program.
TEST(DllSearchTest, PlantedLibraryIsNotLoadedAndTheRunTimeLookupsStillWork) {
    const planted_dll before("korve_planted_before.dll");
    const planted_dll after("korve_planted_after.dll");
    ASSERT_TRUE(before.loads()) << "the application folder is searched by default";

    korve::driver::RestrictDllSearchToSystemFolder();
    EXPECT_FALSE(after.loads()) << "a library beside the program";
    EXPECT_NE(nullptr, ::LoadLibraryA("version.dll")) << "the system folder is still searched";

    const quill::registry2::looked_up_functions table;
    EXPECT_TRUE(table.complete()) << "the WOW64 table looks its functions up by name";

    BOOL under_wow64 = FALSE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &under_wow64));
    EXPECT_EQ(under_wow64 != FALSE, RunsUnderWow64()) << "IsWow64Process is looked up";

    quill::internet::address::resolver resolver;
    EXPECT_TRUE(quill::internet::address::load_resolver(L"ws2_32.dll", resolver))
        << "the resolver finds getaddrinfo in the system folder's library";
    const quill::internet::environment::guard sockets;
    const quill::internet::address::ip4 address("127.0.0.1", 25);
    EXPECT_EQ("127.0.0.1", address.host_text(NI_NUMERICHOST));
}

}  // namespace
