#include "suite/tray_products.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

struct counting_case {
    const char* title;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    int expected;
};

const counting_case kCountingCases[] = {
    {"no configuration file", {}, {}, 0},
    {"only the tray's own file", {"pmtray.xml"}, {}, 0},
    {"one other product", {"corvo.xml"}, {}, 1},
    {"the tray's own file and one product", {"pmtray.xml", "lumo.xml"}, {}, 1},
    {"corvo and tallo are one product", {"corvo.xml", "tallo.xml"}, {}, 1},
    {"corvo, tallo and one more", {"corvo.xml", "tallo.xml", "lumo.xml"}, {}, 2},
    {"all of them", {"pmtray.xml", "corvo.xml", "tallo.xml", "lumo.xml", "velo.xml"}, {}, 3},
    {"capital letters", {"PMTRAY.XML", "CORVO.XML", "Tallo.Xml"}, {}, 1},
    {"other extensions", {"readme.txt", "corvo.xml.bak", "lumo.xm"}, {}, 0},
    {"folders named like .xml files", {"lumo.xml"}, {"aaa.xml", "zzz.xml", "pmtray.xml"}, 1},
    {"a folder named like the second half of a pair", {"corvo.xml"}, {"tallo.xml"}, 1},
};

TEST(CountTrayProductsTest, CountsTheOtherProductsByTheirConfigurationFileNames) {
    for (const counting_case& test : kCountingCases) {
        SCOPED_TRACE(test.title);
        korve::test::scratch_folder folder("suite-count");
        for (const std::string& name : test.files) korve::test::write_file(folder / name, "<x/>");
        for (const std::string& name : test.folders) korve::test::make_folder(folder / name);
        const std::wstring path = korve::test::wide_path(folder.path());
        const korve::suite::TrayProducts products = korve::suite::CountTrayProducts(path);
        EXPECT_EQ(test.expected, products.count);
        EXPECT_EQ(0u, products.listing_error);
    }
}

TEST(CountTrayProductsTest, MissingFolderCountsNothing) {
    korve::test::scratch_folder folder("suite-count-missing");
    const std::wstring missing = korve::test::wide_path(folder / "Configurations");
    for (const std::wstring& path : {missing, std::wstring()}) {
        const korve::suite::TrayProducts products = korve::suite::CountTrayProducts(path);
        EXPECT_EQ(0, products.count);
        EXPECT_EQ(0u, products.listing_error) << "nothing to list is no failure";
    }
}

}  // namespace
