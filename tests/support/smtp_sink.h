#pragma once

#include <string>

namespace korve::test {

// Debian's aiosmtpd as a real SMTP peer on 127.0.0.1 (tests/support/smtp_sink.py under
// /usr/bin/python3, started from Wine as a host process). It keeps each message it receives
// in a folder of the build tree and ends by itself after `count` messages or `limit_seconds`.
// Uses only Win32 and the standard library, so benchmarks can use it without GoogleTest.
class smtp_sink {
  public:
    // `script` and `folder` are host (Unix) paths; the folder is emptied first. Waits up to
    // 20 s for the server to listen; started() tells whether it did.
    smtp_sink(const std::string& script, const std::string& folder, int count, int limit_seconds);

    bool started() const noexcept { return port_ != 0; }
    unsigned short port() const noexcept { return port_; }

    // Message `n` (from 1) as the server stored it, waiting up to `wait_ms` for it to
    // appear. Returns false if it did not.
    bool message(int n, std::string& content, unsigned long wait_ms) const;
    // The envelope of message `n`: the sender, a line feed, each recipient and a line feed.
    std::string envelope(int n) const;

  private:
    std::string folder_;  // Windows form
    unsigned short port_ = 0;
};

// The Windows path under which Wine shows a host path (Z: drive).
std::string wine_path(const std::string& unix_path);

// Starts a host program (Unix path) with arguments; Wine gives no handle for it.
bool start_host_program(const std::string& unix_program, const std::string& arguments);

}  // namespace korve::test
