#include "quill/exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quill/coding/errors.h"
#include "quill/log/errors.h"
#include "quill/registry2/errors.h"
#include "quill/unicode/errors.h"
#include "quill/variant/errors.h"

namespace {

struct named_error {
    std::function<void()> raise;
    const char* name;
};

// Every error class of the library with its full dotted name.
std::vector<named_error> library_errors() {
    return {
        {[] { throw quill::registry2::key_error("m"); }, "registry2.key_error"},
        {[] { throw quill::registry2::value_error("m"); }, "registry2.value_error"},
        {[] { throw quill::registry2::type_mismatch("m"); }, "registry2.type_mismatch"},
        {[] { throw quill::registry2::size_mismatch("m"); }, "registry2.size_mismatch"},
        {[] { throw quill::unicode::generic("m"); }, "unicode"},
        {[] { throw quill::unicode::out_of_memory("m"); }, "unicode.out_of_memory"},
        {[] { throw quill::unicode::invalid_codepage("m"); }, "unicode.invalid_codepage"},
        {[] { throw quill::unicode::unmappable_character("m"); }, "unicode.unmappable_character"},
        {[] { throw quill::log::generic("m"); }, "log"},
        {[] { throw quill::variant::generic("m"); }, "variant"},
        {[] { throw quill::coding::translate::generic("m"); }, "translate"},
        {[] { throw quill::coding::translate::invalid_codeword("m"); },
         "translate.invalid_codeword"},
    };
}

TEST(ExceptionTest, PlainExceptionHasEmptyNameAndBracketedMessage) {
    const quill::exception error(std::string("x"));
    EXPECT_STREQ("[x]", error.what());
    EXPECT_STREQ("", error.name());
    EXPECT_STREQ("x", error.message());
}

TEST(ExceptionTest, FormattingConstructorFormatsTheMessage) {
    const quill::exception error("OpenMutex returned 0x%08x", 5u);
    EXPECT_STREQ("[OpenMutex returned 0x00000005]", error.what());
}

TEST(ExceptionTest, WhatIsNamePlusBracketedMessageForEveryClass) {
    for (const named_error& entry : library_errors()) {
        try {
            entry.raise();
            ADD_FAILURE() << entry.name << " was not thrown";
        } catch (const quill::exception& error) {
            EXPECT_STREQ(entry.name, error.name());
            const std::string first = error.what();
            EXPECT_EQ(std::string(entry.name) + "[m]", first);
            EXPECT_EQ(first, error.what()) << "what() must give the same text every time";
        }
    }
}

TEST(ExceptionTest, RegistryGenericCatchesAllFourRegistryErrors) {
    int caught = 0;
    for (const named_error& entry : library_errors()) {
        try {
            entry.raise();
        } catch (const quill::registry2::generic&) {
            ++caught;
        } catch (const quill::exception&) {
        }
    }
    EXPECT_EQ(4, caught);
}

TEST(ExceptionTest, CopiesCarryAllTexts) {
    const quill::registry2::key_error original("RegOpenKeyEx() failed");
    const quill::registry2::key_error copy = original;  // NOLINT: the copy is the point
    EXPECT_STREQ("registry2.key_error", copy.name());
    EXPECT_STREQ("RegOpenKeyEx() failed", copy.message());
    EXPECT_STREQ("registry2.key_error[RegOpenKeyEx() failed]", copy.what());
}

TEST(ExceptionWTest, NarrowTextsAreConvertedOnceFromTheWideOnes) {
    const quill::exception_w error(L"wide.name", L"caf\u00E9 \u0416");
    EXPECT_STREQ(L"wide.name[caf\u00E9 \u0416]", error.what_w());
    // Non-strict ANSI (1252): the Cyrillic letter becomes the default character.
    EXPECT_STREQ("caf\xE9 ?", error.message());
    EXPECT_STREQ("wide.name", error.name());
    EXPECT_STREQ("wide.name[caf\xE9 ?]", error.what());
}

}  // namespace
