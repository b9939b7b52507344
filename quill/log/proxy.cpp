#include "quill/log/proxy.h"

#include "quill/log/channel.h"
#include "quill/unicode/conversion.h"

namespace quill::log {

void proxy::write(int level, const std::string& /*prefix*/, const std::string& text) {
    target_->write(level, unicode::to_wide(prefix_ + text, unicode::utf8_codepage));
}

}  // namespace quill::log
