#include "quill/internet/message2/body_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quill::internet::message2::split_body_lines;

TEST(BodyLinesTest, SplitsAtEveryKindOfTerminator) {
    const struct {
        std::string body;
        std::vector<std::string> lines;
    } rows[] = {
        {"", {""}},
        {"hi", {"hi"}},
        {"hi\r\n", {"hi", ""}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\r\n\rb", {"a", "", "b"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"\r\n", {"", ""}},
        {"\r", {"", ""}},
        {"\n\n", {"", "", ""}},
        {"\r\n\n\r", {"", "", ""}},
        {"a\r\n\r\n", {"a", "", ""}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> lines;
        for (const auto line : split_body_lines(row.body)) lines.emplace_back(line);
        EXPECT_EQ(row.lines, lines) << "body of " << row.body.size() << " bytes";
    }
}
