#include "driver/administrator_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "quill/handle.h"

namespace {

using korve::driver::HoldsEnabledGroup;
using korve::driver::IsRunAsAdministrator;

quill::unique_sid well_known(BYTE count, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    quill::unique_sid sid;
    EXPECT_TRUE(::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, sid.put()));
    return sid;
}

// A TOKEN_GROUPS list of any length, built in aligned storage.
class group_list {
  public:
    void add(PSID sid, DWORD attributes) { entries_.push_back({sid, attributes}); }
    const TOKEN_GROUPS& get() {
        storage_.assign(sizeof(TOKEN_GROUPS) / sizeof(void*) + 2 * (entries_.size() + 1), nullptr);
        auto* groups = reinterpret_cast<TOKEN_GROUPS*>(storage_.data());
        groups->GroupCount = static_cast<DWORD>(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i) groups->Groups[i] = entries_[i];
        return *groups;
    }

  private:
    std::vector<SID_AND_ATTRIBUTES> entries_;
    std::vector<void*> storage_;
};

TEST(AdministratorCheckTest, OnlyAnEnabledAdministratorsEntryIsMembership) {
    const auto administrators = well_known(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const auto users = well_known(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS);
    const auto probe = well_known(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const DWORD enabled = SE_GROUP_ENABLED | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_MANDATORY;
    struct {
        const char* name;
        DWORD admin_attributes;  // 0xFFFFFFFF: no Administrators entry at all
        bool member;
    } const cases[] = {
        {"enabled", enabled, true},
        {"enabled owner", enabled | SE_GROUP_OWNER, true},
        {"deny-only (filtered token)", SE_GROUP_USE_FOR_DENY_ONLY, false},
        {"deny-only with stale enabled bits", enabled | SE_GROUP_USE_FOR_DENY_ONLY, false},
        {"present but disabled", SE_GROUP_MANDATORY, false},
        {"absent", 0xFFFFFFFF, false},
    };
    for (const auto& c : cases) {
        group_list groups;
        groups.add(users.get(), enabled);
        if (c.admin_attributes != 0xFFFFFFFF) groups.add(administrators.get(), c.admin_attributes);
        EXPECT_EQ(c.member, HoldsEnabledGroup(groups.get(), probe.get())) << c.name;
    }
    group_list empty;
    EXPECT_FALSE(HoldsEnabledGroup(empty.get(), probe.get()));
}

struct received_line {
    std::string text;
};

class line_recorder : public quill::log::listener {
  public:
    explicit line_recorder(std::vector<std::string>& lines) : lines_(&lines) {}
    void write(int, const std::string&, const std::string& text) override {
        lines_->push_back(text);
    }

  private:
    std::vector<std::string>* lines_;
};

TEST(AdministratorCheckTest, WineTokenHoldsEnabledAdministratorsAndTheCheckLogsItsLines) {
    std::vector<std::string> lines;
    MainChannel().attach(0, std::make_unique<line_recorder>(lines));
    const int result = IsRunAsAdministrator();
    MainChannel().close();
    EXPECT_EQ(1, result);
    const std::vector<std::string> expected = {
        "**** Check if KORVERemover.exe runs as Administrator ****", "", std::string(50, '='), ""};
    EXPECT_EQ(expected, lines);
}

}  // namespace

namespace {

using korve::driver::HoldsEnabledGroup;

// The decision on Wine's real tokens: the process token, and the same token filtered the way
// Windows filters a non-elevated administrator (Administrators made deny-only).
TEST(AdministratorCheckTest, FilteredRealTokenIsNotMembership) {
    quill::unique_handle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token.put()));
    const auto administrators = well_known(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    SID_AND_ATTRIBUTES disable{administrators.get(), 0};
    quill::unique_handle filtered;
    ASSERT_TRUE(::CreateRestrictedToken(token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr,
                                        filtered.put()));

    const auto groups_of = [](HANDLE t) {
        DWORD size = 0;
        ::GetTokenInformation(t, TokenGroups, nullptr, 0, &size);
        std::vector<void*> buffer(size / sizeof(void*) + 1);
        EXPECT_TRUE(::GetTokenInformation(t, TokenGroups, buffer.data(), size, &size));
        return buffer;
    };
    const auto full = groups_of(token.get());
    const auto limited = groups_of(filtered.get());
    EXPECT_TRUE(HoldsEnabledGroup(*reinterpret_cast<const TOKEN_GROUPS*>(full.data()),
                                  administrators.get()));
    EXPECT_FALSE(HoldsEnabledGroup(*reinterpret_cast<const TOKEN_GROUPS*>(limited.data()),
                                   administrators.get()));
}

}  // namespace
