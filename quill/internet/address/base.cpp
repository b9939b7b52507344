#include "quill/internet/address/base.h"

#include <cstring>

namespace quill::internet::address {

int base::compare(const base& other) const noexcept {
    if (size() != other.size()) return size() < other.size() ? -1 : 1;
    return std::memcmp(data(), other.data(), static_cast<size_t>(size()));
}

bool base::equals(const base& other) const noexcept {
    return compare(other) == 0;
}

bool base::differs(const base& other) const noexcept {
    return compare(other) != 0;
}

bool base::less(const base& other) const noexcept {
    return compare(other) < 0;
}

}  // namespace quill::internet::address
