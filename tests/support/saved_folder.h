#pragma once

#include <string>

namespace korve::test {

// Keeps a file or folder of fixed name (a product's folder the code under test works on) out of
// a test's way: an existing one is moved aside to "<path>.korve-saved" and moved back at the
// end, after whatever the test left at the path has been removed.
class saved_folder {
  public:
    explicit saved_folder(std::string path);
    ~saved_folder();
    saved_folder(const saved_folder&) = delete;
    saved_folder& operator=(const saved_folder&) = delete;

    const std::string& path() const noexcept { return path_; }

  private:
    std::string path_;
    bool moved_aside_ = false;
};

}  // namespace korve::test
