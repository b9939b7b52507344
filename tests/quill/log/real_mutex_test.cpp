#include "quill/log/real_mutex.h"

#include <gtest/gtest.h>

#include "quill/log/scope.h"

namespace {

TEST(RealMutexTest, NamesWithoutBackslashGoToTheGlobalNamespace) {
    EXPECT_EQ("Global\\log-KORVERemover",
              quill::real_mutex::system_name_for("log-KORVERemover", 6));
    EXPECT_EQ("Local\\x", quill::real_mutex::system_name_for("Local\\x", 5));
    // Before namespaces existed, only the last component counts.
    EXPECT_EQ("x", quill::real_mutex::system_name_for("Local\\x", 4));
    EXPECT_EQ("plain", quill::real_mutex::system_name_for("plain", 4));
}

TEST(RealMutexTest, TwoObjectsOfOneNameShareTheLock) {
    quill::real_mutex first("korve-test-shared");
    quill::real_mutex second("korve-test-shared");
    EXPECT_EQ("Global\\korve-test-shared", first.system_name());
    {
        quill::scope guard(first);
        // Same thread: a Win32 mutex is recursive, so this shows sharing without deadlock.
        quill::scope inner(second);
    }
    quill::scope again(second);
    again.release();
    again.release();  // an early release is not repeated
}

}  // namespace
