#include "quill/log/channel.h"

#include <windows.h>

#include <comdef.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "quill/log/console.h"
#include "quill/log/proxy.h"
#include "quill/registry2/errors.h"

namespace {

struct received {
    std::string listener;
    int level;
    std::string prefix;
    std::string text;
};

// Records every line it receives, in order, into a list shared by several listeners.
class recorder : public quill::log::listener {
  public:
    recorder(std::string name, std::vector<received>& lines)
        : name_(std::move(name)), lines_(&lines) {}
    void write(int level, const std::string& prefix, const std::string& text) override {
        lines_->push_back({name_, level, prefix, text});
    }

  private:
    std::string name_;
    std::vector<received>* lines_;
};

class failing_listener : public quill::log::listener {
  public:
    void write(int, const std::string&, const std::string&) override {
        throw quill::exception(std::string("listener failed"));
    }
};

// Refuses its first `refusals` lines, then records like a recorder.
class reluctant_listener : public quill::log::listener {
  public:
    reluctant_listener(int refusals, std::vector<std::string>& texts)
        : refusals_(refusals), texts_(&texts) {}
    void write(int, const std::string&, const std::string& text) override {
        if (refusals_-- > 0) throw quill::exception(std::string("not now"));
        texts_->push_back(text);
    }

  private:
    int refusals_;
    std::vector<std::string>* texts_;
};

TEST(ChannelTest, NarrowLineRetriesAsUtf8AndThenWritesTheFixedLine) {
    // "\xC3\xA9" read as ANSI is "Ã©"; read as UTF-8 it is "é".
    std::vector<std::string> texts;
    quill::log::channel once_refused;
    once_refused.attach(0, std::make_unique<reluctant_listener>(1, texts));
    once_refused.write(1, std::string("caf\xC3\xA9"));
    quill::log::channel twice_refused;
    twice_refused.attach(0, std::make_unique<reluctant_listener>(2, texts));
    twice_refused.write(1, std::string("caf\xC3\xA9"));
    EXPECT_EQ(
        (std::vector<std::string>{"caf\xC3\xA9", "quill::log: unable to convert input to unicode"}),
        texts);
}

TEST(ChannelTest, ControlCharactersAreHandedOnEscaped) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("r", lines));
    channel.write(1, std::wstring(L"a\r\nb\tc\x01\x1b\x1f\x7f d\0e \x80\u00e9", 17));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("a\\r\\nb\\tc\\x01\\x1b\\x1f\\x7f d\\x00e \xC2\x80\xC3\xA9", lines[0].text);
}

TEST(ChannelTest, ChannelWithoutListenersAcceptsLines) {
    quill::log::channel channel;
    EXPECT_NO_THROW(channel.write(1, "nobody listens %d", 1));
}

TEST(ChannelTest, MostRecentlyAttachedListenerReceivesEachLineFirst) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("console", lines));
    channel.attach(0, std::make_unique<recorder>("file", lines));
    channel.write(1, "line %s", "one");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("file", lines[0].listener);
    EXPECT_EQ("console", lines[1].listener);
    EXPECT_EQ("line one", lines[0].text);
    EXPECT_EQ(lines[0].prefix, lines[1].prefix) << "one stamp per line";
}

TEST(ChannelTest, CloseDetachesEveryListenerAndAttachWorksAgain) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("first", lines));
    channel.close();
    channel.write(1, "lost");
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(channel.empty());
    channel.attach(0, std::make_unique<recorder>("second", lines));
    channel.write(1, "kept");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("second", lines[0].listener);
}

TEST(ChannelTest, PrefixIsDateTimeLevelLetterAndTwoBlanks) {
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 3;
    t.wDay = 5;
    t.wHour = 14;
    t.wMinute = 7;
    t.wSecond = 9;
    const char* letters = "# +!>@";
    for (int level = 0; level <= 5; ++level) {
        EXPECT_EQ(std::string("2024/03/05 14:07:09 ") + letters[level] + "  ",
                  quill::log::channel::make_prefix(level, t));
    }
}

TEST(ChannelTest, LinesArriveAsUtf8WhateverTheirForm) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("r", lines));
    channel.write(1, "ANSI \xC4");                  // 1252 A-umlaut
    channel.write(1, L"wide \u0416");               // Cyrillic
    channel.write(1, L"%ls and %d", L"\u20AC", 5);  // wide format
    channel.write(1, "%ls in narrow", L"\u00E9");   // wide argument, ANSI format
    channel.write(1, std::string("\x81 C1"));       // 1252 maps 0x81 to U+0081
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("ANSI \xC3\x84", lines[0].text);
    EXPECT_EQ("wide \xD0\x96", lines[1].text);
    EXPECT_EQ("\xE2\x82\xAC and 5", lines[2].text);
    EXPECT_EQ("\xC3\xA9 in narrow", lines[3].text);
    EXPECT_EQ("\xC2\x81 C1", lines[4].text);
}

// A line is written whatever the characters of its arguments.
TEST(ChannelTest, CharactersBeyondTheAnsiCodePageNeverStopALine) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("r", lines));
    const wchar_t lone_surrogate[] = {L'a', 0xDC00, L'b', 0};
    channel.write(1, "Uninstall\\%ls", L"Velocore \u041A\u0438\u0440");
    channel.write(1, L"Uninstall\\%ls", L"Velocore \u041A\u0438\u0440");
    channel.write(1, L"%ls", lone_surrogate);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("Uninstall\\Velocore ???", lines[0].text) << "narrow: rendered in ANSI";
    EXPECT_EQ("Uninstall\\Velocore \xD0\x9A\xD0\xB8\xD1\x80", lines[1].text) << "wide: exact";
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b",
        lines[2].text);
}

TEST(ChannelTest, ExceptionLevelAppendsTheExceptionBeingHandled) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("r", lines));
    try {
        throw quill::registry2::key_error("gone");
    } catch (...) {
        channel.write(5, "step failed");
    }
    try {
        throw quill::exception_w(L"wide", L"\u0416");
    } catch (...) {
        channel.write(5, "step failed");
    }
    try {
        throw 42;
    } catch (...) {
        channel.write(5, "step failed");
    }
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("step failed exception: registry2.key_error[gone]", lines[0].text);
    EXPECT_EQ("step failed Exception: wide[\xD0\x96]", lines[1].text);
    EXPECT_EQ("step failed unknown exception caught", lines[2].text);
    EXPECT_EQ('@', lines[0].prefix[20]);
}

TEST(ChannelTest, ExceptionLevelNamesComErrorsByTheirCode) {
    std::vector<received> lines;
    quill::log::channel channel;
    channel.attach(0, std::make_unique<recorder>("r", lines));
    for (const HRESULT code :
         {static_cast<HRESULT>(0x80040201), static_cast<HRESULT>(0x8FFF1234), E_OUTOFMEMORY}) {
        try {
            throw _com_error(code);
        } catch (...) {
            channel.write(5, "call failed");
        }
    }
    ASSERT_EQ(3u, lines.size());
    // Codes the system has no message for get the names COM gives them.
    EXPECT_EQ("call failed _com_error: IDispatch error #1", lines[0].text);
    EXPECT_EQ("call failed _com_error: Unknown error 0x8FFF1234", lines[1].text);
    const std::string known = lines[2].text;
    ASSERT_EQ(0u, known.rfind("call failed _com_error: ", 0)) << known;
    EXPECT_GT(known.size(), std::string("call failed _com_error: ").size()) << known;
    EXPECT_NE('\n', known.back()) << "the system's final line break is dropped";
    EXPECT_NE('\r', known.back());
}

TEST(ChannelTest, ListenerFailureReachesTheWriterAndReleasesTheLock) {
    quill::log::channel channel;
    channel.attach(0, std::make_unique<failing_listener>());
    // The narrow write retries through UTF-8 and then writes the fixed line, which fails too.
    EXPECT_THROW(channel.write(1, L"x"), quill::exception);
    EXPECT_THROW(channel.write(1, "x"), quill::exception);
    channel.close();  // would deadlock if the lock had been kept
    EXPECT_TRUE(channel.empty());
}

TEST(ProxyTest, ForwardsEachLineOnceIntoTheTargetChannelWithItsOwnStamp) {
    std::vector<received> lines;
    quill::log::channel main_channel;
    quill::log::channel installer_channel;
    main_channel.attach(0, std::make_unique<recorder>("main", lines));
    installer_channel.attach(0, std::make_unique<quill::log::proxy>(main_channel, ""));
    installer_channel.write(1, "Upgrade code %s", "\xE9");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Upgrade code \xC3\xA9", lines[0].text);
    EXPECT_EQ(' ', lines[0].prefix[20]);
    installer_channel.close();
    EXPECT_TRUE(installer_channel.empty());
}

TEST(ProxyTest, PutsItsOwnTextBeforeEachLine) {
    std::vector<received> lines;
    quill::log::channel target;
    quill::log::channel source;
    target.attach(0, std::make_unique<recorder>("t", lines));
    source.attach(0, std::make_unique<quill::log::proxy>(target, "[msi] "));
    source.write(1, "x");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("[msi] x", lines[0].text);
}

TEST(ConsoleTest, ShowsCharactersTheOemCodePageLacksAsQuestionMarks) {
    // OEM 437 has A-umlaut (0x8E) but neither the Cyrillic Zhe nor the snowman.
    EXPECT_EQ("\x8E?x?", quill::log::console::to_console_text("\xC3\x84\xD0\x96x\xE2\x98\x83"));
    EXPECT_EQ("plain", quill::log::console::to_console_text("plain"));
    EXPECT_EQ("", quill::log::console::to_console_text(""));
}

}  // namespace
