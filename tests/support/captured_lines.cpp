#include "tests/support/captured_lines.h"

#include <algorithm>

namespace korve::test {

std::vector<std::string> lines_between(const std::vector<std::string>& lines,
                                       const std::string& first, const std::string& end) {
    auto begin = std::find(lines.begin(), lines.end(), first);
    auto stop = end.empty() ? lines.end() : std::find(begin, lines.end(), end);
    return std::vector<std::string>(begin, stop);
}

}  // namespace korve::test
