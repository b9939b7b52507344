#pragma once

#include "quill/log/listener.h"

namespace quill::log {

// Writes lines to standard output in the console's OEM code page; characters the code page
// lacks are shown as "?".
class console : public listener {
  public:
    void write(int level, const std::string& prefix, const std::string& text) override;

    // The OEM form of a UTF-8 text as the console shows it (exposed for tests).
    static std::string to_console_text(const std::string& utf8);
};

}  // namespace quill::log
