#include "quill/log/real_mutex.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <utility>

#include "quill/exception.h"
#include "quill/handle.h"
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

// Any user could otherwise take the log's lock at will.
TEST(RealMutexTest, OnlySystemAndAdministratorsAreGrantedAccess) {
    const quill::real_mutex lock("korve-test-access");
    quill::unique_handle opened(::OpenMutexA(READ_CONTROL, FALSE, lock.system_name().c_str()));
    ASSERT_TRUE(opened.valid()) << ::GetLastError();
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::GetSecurityInfo(opened.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor));
    LPWSTR text = nullptr;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring sddl(text);
    ::LocalFree(text);
    ::LocalFree(descriptor);
    ASSERT_NE(nullptr, dacl) << "a null access list admits everybody";
    ASSERT_EQ(2u, dacl->AceCount) << std::string(sddl.begin(), sddl.end());
    for (const wchar_t* trustee : {L";;;SY)", L";;;BA)"}) {
        EXPECT_NE(std::wstring::npos, sddl.find(trustee)) << std::string(sddl.begin(), sddl.end());
    }
}

// An ordinary user's mutex of the name could be held to make every line wait; one whose owner
// the system does not name (made without security attributes, under Wine) is taken.
TEST(RealMutexTest, MutexThatExistsAlreadyMustBelongToSystemOrAdministrators) {
    const std::pair<std::string, bool> cases[] = {
        {"O:SY", true}, {"O:BA", true}, {"", true}, {"O:S-1-5-21-1-2-3-1001", false}};
    for (const auto& [owner, accepted] : cases) {
        SCOPED_TRACE(owner);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(owner.empty() ||
                    ::ConvertStringSecurityDescriptorToSecurityDescriptorA(
                        (owner + "D:(A;;GA;;;WD)").c_str(), 1, &descriptor, nullptr));
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        const quill::unique_handle planted(::CreateMutexA(owner.empty() ? nullptr : &attributes,
                                                          FALSE, "Global\\korve-test-owner"));
        ::LocalFree(descriptor);
        ASSERT_TRUE(planted.valid()) << ::GetLastError();
        bool taken = true;
        try {
            quill::real_mutex lock("korve-test-owner");
        } catch (const quill::exception&) {
            taken = false;
        }
        EXPECT_EQ(accepted, taken);
    }
}

struct holder_events {
    quill::unique_handle taken{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    quill::unique_handle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// A named function: a lambda does not convert to the thread routine's calling convention on x86.
DWORD WINAPI hold_lock_until_done(LPVOID context) {
    auto& e = *static_cast<holder_events*>(context);
    quill::real_mutex other("korve-test-held");
    other.acquire();
    ::SetEvent(e.taken.get());
    ::WaitForSingleObject(e.done.get(), 10000);
    other.release();
    return 0;
}

// Held by another thread (a Win32 mutex is recursive within one thread).
TEST(RealMutexTest, WaitForALockHeldElsewhereEndsAtItsLimit) {
    holder_events shared;
    const quill::unique_handle holder(
        ::CreateThread(nullptr, 0, &hold_lock_until_done, &shared, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    quill::real_mutex lock("korve-test-held");
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(shared.taken.get(), 10000));
    EXPECT_FALSE(lock.try_acquire(100));
    ::SetEvent(shared.done.get());
    ::WaitForSingleObject(holder.get(), 10000);
    EXPECT_TRUE(lock.try_acquire(0)) << "a released lock is taken";
    lock.release();
}

}  // namespace
