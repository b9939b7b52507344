#include "quill/internet/transport/tcp/raw.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "quill/internet/address/ip4.h"
#include "quill/internet/environment/guard.h"
#include "tests/support/scripted_server.h"

namespace {

using namespace quill::internet;
using korve::test::hang_up;
using korve::test::hear;
using korve::test::pause;
using korve::test::say;
using korve::test::script_step;
using korve::test::scripted_server;
using tcp = transport::tcp::base;

class RawTransportTest : public ::testing::Test {
  protected:
    // Connected to `server`, every receive limited to one second.
    void connect_to(const scripted_server& server) {
        transport_.open_socket(server.address());
        transport_.connect(server.address());
        const DWORD milliseconds = 1000;
        ASSERT_EQ(0,
                  ::setsockopt(transport_.handle(), SOL_SOCKET, SO_RCVTIMEO,
                               reinterpret_cast<const char*>(&milliseconds), sizeof(milliseconds)));
    }

    // The next line ends in the receive time-out, and the caller's line stays as it was.
    void expect_read_line_to_time_out() {
        std::string line = "untouched";
        try {
            transport_.read_line(line);
            FAIL() << "read " << line;
        } catch (const tcp::connection_timed_out& error) {
            EXPECT_STREQ("internet.transport.connection_failed.connection_timed_out[recv() failed]",
                         error.what());
        }
        EXPECT_EQ("untouched", line) << "the lost line must not reach the caller";
    }

    environment::guard sockets_;
    transport::tcp::raw transport_;
};

struct line_case {
    const char* name;
    std::vector<std::string> segments;  // sent 100 ms apart
    std::vector<std::string> lines;
};

const line_case kLineCases[] = {
    {"line split over two segments", {"220 rea", "dy\r\n"}, {"220 ready"}},
    {"CR and LF in different segments", {"one\r", "\ntwo\r\n"}, {"one", "two"}},
    {"LF CR ends one line", {"one\n\rtwo\r\n"}, {"one", "two"}},
    {"CR CR leaves an empty line", {"one\r\rtwo\r\n"}, {"one", "", "two"}},
    {"LF LF leaves an empty line", {"one\n\ntwo\r\n"}, {"one", "", "two"}},
    {"bare LF lines followed by more", {"a\nb\nc\n", "d\r\n"}, {"a", "b", "c", "d"}},
    {"many lines in one segment", {"1\r\n2\r\n3\r\n"}, {"1", "2", "3"}},
    {"empty line", {"\r\nafter\r\n"}, {"", "after"}},
};

TEST_F(RawTransportTest, ReadLineSplitsTheStreamAtEachTerminator) {
    for (const line_case& row : kLineCases) {
        std::vector<script_step> script;
        for (const std::string& segment : row.segments) {
            script.push_back(say(segment));
            script.push_back(pause(100));
        }
        scripted_server server(script);
        transport::tcp::raw transport;
        transport.open_socket(server.address());
        transport.connect(server.address());
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = 0; i < row.lines.size(); ++i) {
            transport.read_line(line);
            lines.push_back(line);
        }
        EXPECT_EQ(row.lines, lines) << row.name;
        transport.close();
        EXPECT_EQ("", server.transcript()) << row.name;
    }
}

TEST_F(RawTransportTest, LoneTerminatorAsLastByteWaitsForMoreData) {
    scripted_server server({say("first\n"), pause(500), say("second\r\n")});
    connect_to(server);
    std::string line;
    const auto start = std::chrono::steady_clock::now();
    transport_.read_line(line);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ("first", line);
    EXPECT_GE(waited, std::chrono::milliseconds(400)) << "returned before more data arrived";
    transport_.read_line(line);
    EXPECT_EQ("second", line);
    transport_.close();
}

TEST_F(RawTransportTest, LoneTerminatorWithoutMoreDataEndsInTheReceiveTimeOut) {
    scripted_server server({say("220 ready\n")});
    connect_to(server);
    expect_read_line_to_time_out();
    transport_.close();
}

// The deadline's turn bounds the whole line: a peer that sends a byte now and then, each well
// within the turn, cannot keep the reader waiting longer than it.
TEST_F(RawTransportTest, LineDrippingSlowerThanTheDeadlinesTurnEndsInConnectionTimedOut) {
    std::vector<script_step> drip;
    for (const char c : std::string("220 slow\r\n")) {
        drip.push_back(say(std::string(1, c)));
        drip.push_back(pause(300));
    }
    scripted_server server(drip);
    connect_to(server);
    const auto start = std::chrono::steady_clock::now();
    transport_.set_deadline(transport::deadline(std::chrono::seconds(1), std::chrono::seconds(30)));
    expect_read_line_to_time_out();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(1900)) << "the time-out must bound the line";
    transport_.close();
}

// A peer that stops reading: once the socket buffers are full, the send time-out ends the
// write.
TEST_F(RawTransportTest, PeerThatStopsReadingEndsTheWriteInTheSendTimeOut) {
    scripted_server server({pause(4000)});
    connect_to(server);
    const DWORD milliseconds = 1000;
    ASSERT_EQ(0, ::setsockopt(transport_.handle(), SOL_SOCKET, SO_SNDTIMEO,
                              reinterpret_cast<const char*>(&milliseconds), sizeof(milliseconds)));
    const std::string block(1024 * 1024, 'x');
    const auto start = std::chrono::steady_clock::now();
    try {
        for (int i = 0; i < 64; ++i) transport_.write_raw(block);
        FAIL() << "64 MiB sent to a peer that reads nothing";
    } catch (const tcp::connection_timed_out& error) {
        EXPECT_STREQ("internet.transport.connection_failed.connection_timed_out[send() failed]",
                     error.what());
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    std::printf("sent %u bytes before the send time-out\n",
                static_cast<unsigned>(transport_.bytes_sent()));
    EXPECT_LT(waited, std::chrono::milliseconds(3500));
    transport_.close();
}

TEST_F(RawTransportTest, PeerClosingEndsTheReadWithConnectionClosed) {
    scripted_server server({say("half a li"), hang_up()});
    connect_to(server);
    std::string line;
    try {
        transport_.read_line(line);
        FAIL() << "read " << line;
    } catch (const tcp::connection_closed& error) {
        EXPECT_STREQ("internet.transport.connection_failed.connection_closed[recv() failed]",
                     error.what());
    }
    EXPECT_EQ(9u, transport_.bytes_received());
}

TEST_F(RawTransportTest, LineAtTheLengthLimitIsReadWhole) {
    const std::string longest(tcp::max_line_length, 'a');
    scripted_server server({say(longest + "\r\n250 next\r\n")});
    connect_to(server);
    std::string line;
    transport_.read_line(line);
    EXPECT_EQ(longest.size(), line.size());
    transport_.read_line(line);
    EXPECT_EQ("250 next", line);
    transport_.close();
}

// A broken or hostile peer: the line is refused once it is known to be too long, and the
// transport stops receiving at the limit and one fill, however much the peer still sends.
TEST_F(RawTransportTest, LineBeyondTheLengthLimitIsRefusedWithBoundedReceiving) {
    struct case_row {
        const char* name;
        std::string stream;
    };
    const case_row rows[] = {
        {"one byte over, then its terminator",
         std::string(tcp::max_line_length + 1, 'a') + "\r\n250 ok\r\n"},
        {"8 MiB without a line end", std::string(8 * 1024 * 1024, 'x')},
        {"a terminator only after 4 MiB", std::string(4 * 1024 * 1024, 'x') + "\r\n"},
    };
    for (const case_row& row : rows) {
        scripted_server server({say(row.stream)});
        transport::tcp::raw transport;
        transport.open_socket(server.address());
        transport.connect(server.address());
        std::string line = "untouched";
        try {
            transport.read_line(line);
            FAIL() << row.name << ": read " << line.size() << " bytes";
        } catch (const transport::line_too_long& error) {
            EXPECT_STREQ(
                "internet.transport.line_too_long[read_line() failed: line longer than 65536 "
                "bytes]",
                error.what())
                << row.name;
        }
        EXPECT_EQ("untouched", line) << row.name;
        EXPECT_LE(transport.bytes_received(), tcp::max_line_length + 8192) << row.name;
        transport.close();
    }
}

TEST_F(RawTransportTest, WritesLeaveAsQueuedAndAreCounted) {
    scripted_server server({hear(), hear(), say("250 ok\r\n")});
    connect_to(server);
    transport_.write_line("HELO host");
    transport_.write_raw(".");
    transport_.write_line(".");
    std::string reply;
    transport_.read_line(reply);
    EXPECT_EQ("250 ok", reply);
    EXPECT_EQ(15u, transport_.bytes_sent());
    EXPECT_EQ(8u, transport_.bytes_received());
    transport_.close();
    EXPECT_EQ("HELO host\r\n..\r\n", server.transcript());
}

TEST_F(RawTransportTest, LargeBlockIsSentCompletely) {
    const std::string block(3 * 1024 * 1024, 'x');
    scripted_server server({hear()});
    connect_to(server);
    transport_.write_line(block);
    transport_.close();
    EXPECT_EQ(block + "\r\n", server.transcript());
    EXPECT_EQ(block.size() + 2, transport_.bytes_sent());
}

TEST_F(RawTransportTest, RefusedConnectionThrowsConnectionRefused) {
    const address::ip4 nobody("127.0.0.1", korve::test::unused_port());
    transport_.open_socket(nobody);
    try {
        transport_.connect(nobody);
        FAIL() << "connected to a port without a listener";
    } catch (const tcp::connection_refused& error) {
        EXPECT_STREQ("internet.transport.connection_failed.connection_refused[connect() failed]",
                     error.what());
    }
}

// A listener whose backlog is full: the system drops the attempt and would retry for minutes.
TEST_F(RawTransportTest, ConnectionAttemptEndsWithTheDeadlinesTurn) {
    quill::unique_socket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int size = sizeof(loopback);
    ASSERT_EQ(0, ::bind(listener.get(), reinterpret_cast<sockaddr*>(&loopback), size));
    ASSERT_EQ(0, ::listen(listener.get(), 0));
    ASSERT_EQ(0, ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&loopback), &size));
    const address::ip4 full("127.0.0.1", ::ntohs(loopback.sin_port));
    transport::tcp::raw queued[4];
    for (transport::tcp::raw& waiting : queued) {
        waiting.open_socket(full);
        waiting.set_deadline(
            transport::deadline(std::chrono::milliseconds(300), std::chrono::seconds(1)));
        try {
            waiting.connect(full);
        } catch (const tcp::host_unreachable&) {
            break;  // the backlog is full
        }
    }
    transport_.open_socket(full);
    transport_.set_deadline(transport::deadline(std::chrono::seconds(1), std::chrono::seconds(30)));
    const auto start = std::chrono::steady_clock::now();
    try {
        transport_.connect(full);
        FAIL() << "connected to a full backlog";
    } catch (const tcp::host_unreachable& error) {
        EXPECT_STREQ("internet.transport.connection_failed.host_unreachable[connect() failed]",
                     error.what());
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(1900));
}

TEST_F(RawTransportTest, CallsWithoutASocketThrowNotASocket) {
    const address::ip4 loopback("127.0.0.1", 25);
    try {
        transport_.connect(loopback);
        FAIL() << "connected without a socket";
    } catch (const transport::not_a_socket& error) {
        EXPECT_STREQ("internet.transport.not_a_socket[connect() failed]", error.what());
    }
    try {
        transport_.write_line("x");
        FAIL() << "sent without a socket";
    } catch (const transport::not_a_socket& error) {
        EXPECT_STREQ("internet.transport.not_a_socket[send() failed]", error.what());
    }
    try {
        transport_.fill();
        FAIL() << "received without a socket";
    } catch (const transport::not_a_socket& error) {
        EXPECT_STREQ("internet.transport.not_a_socket[recv() failed]", error.what());
    }
}

TEST_F(RawTransportTest, ClosingIsSafeInEveryState) {
    { transport::tcp::raw never_opened; }
    transport_.close();
    transport_.open_socket(address::ip4("127.0.0.1", 25));
    EXPECT_NE(INVALID_SOCKET, transport_.handle());
    transport_.close();
    EXPECT_EQ(INVALID_SOCKET, transport_.handle());
    EXPECT_NO_THROW(transport_.close());
}

}  // namespace
