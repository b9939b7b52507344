#pragma once

#include <string>

namespace korve::test {

// Makes the existing file `path` as long as its file system allows but `room` bytes (a sparse
// file of about 16 TiB on ext4), so that a write at its end stops short and the next one fails,
// as on a full disk. False when the file system shows no such limit (the test cannot be made).
bool fill_to_the_limit(const std::string& path, unsigned room);

// The size of the file `path`; 0 when it is missing.
unsigned long long file_size(const std::string& path);

}  // namespace korve::test
