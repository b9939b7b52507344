#include "suite/tray_paths.h"

#include <gtest/gtest.h>

#include "quill/unicode/errors.h"

namespace {

using namespace korve::suite;

const TrayNames kNames{L"Kestrana", L"Tray", L"KORVE", L"KestranaTray.exe"};

// Wine's ANSI code page is 1252: 0xE9 is U+00E9, which widening the byte as a signed char
// would have made U+FFE9.
TEST(TrayPathsTest, AnsiFoldersWidenAndNarrowThroughTheCodePage) {
    const std::string ansi = "C:\\users\\Jos\xE9\\AppData\\Roaming\\";
    const std::wstring wide = WidenPath(ansi);
    EXPECT_EQ(L"C:\\users\\Jos\u00E9\\AppData\\Roaming\\", wide);
    EXPECT_EQ(ansi, NarrowPath(wide));
    EXPECT_EQ("C:\\users\\Jos\xE9\\AppData\\Roaming\\Kestrana\\Tray",
              NarrowPath(TrayDataFolder(wide, kNames)));
    EXPECT_EQ(L"C:\\Program Files (x86)\\", WidenPath("C:\\Program Files (x86)\\"));
}

TEST(TrayPathsTest, CharacterOutsideTheCodePageIsNotNarrowedToAnotherPath) {
    // Keeping the low byte of U+0416 would have named the folder "\x16".
    EXPECT_THROW(NarrowPath(L"C:\\users\\\u0416\\"), quill::unicode::unmappable_character);
}

TEST(TrayPathsTest, PathsOfTheTrayInstallation) {
    const std::wstring common = L"C:\\ProgramData\\";
    const std::wstring programs = L"C:\\Program Files (x86)\\";
    const std::wstring configurations = ConfigurationFolder(common, kNames);
    const std::wstring folder = TrayProgramFolder(programs, kNames);
    const struct {
        std::wstring actual;
        std::wstring expected;
    } cases[] = {
        {configurations, L"C:\\ProgramData\\\\Kestrana\\Tray\\Configurations"},
        {OwnConfigurationFile(configurations, kNames),
         L"C:\\ProgramData\\\\Kestrana\\Tray\\Configurations\\KORVE.xml"},
        {folder, L"C:\\Program Files (x86)\\Kestrana\\Tray\\"},
        {UpdateIcon(folder, kNames),
         L"C:\\Program Files (x86)\\Kestrana\\Tray\\HTML\\gfx\\Icon_PMTRAY-UPD-KORVE.png"},
        {TrayProgram(folder, kNames), L"C:\\Program Files (x86)\\Kestrana\\Tray\\KestranaTray.exe"},
        {HtmlLibrary(folder), L"C:\\Program Files (x86)\\Kestrana\\Tray\\qvhtml.dll"},
        {TrayDataFolder(common, kNames), L"C:\\ProgramData\\Kestrana\\Tray"},
        {TrayMarker(kNames), L"Kestrana\\Tray"},
    };
    for (const auto& path : cases) EXPECT_EQ(path.expected, path.actual);
}

}  // namespace
