#include "cleanup/close_running_application.h"

#include "cleanup/process.h"
#include "channels/program_channels.h"

namespace korve::cleanup {
namespace {

const char* const kProductName = "Velocore";

// The product's executables, shortened on Windows 2000 by this step's own rule.
class ProductProcess : public process {
  public:
    explicit ProductProcess(const std::string& executable_name)
        : process(shorten_product_name_for_system(executable_name, quill::current_system_version()),
                  name_as_given{}) {}
};

}  // namespace

void CloseRunningApplication() {
    quill::log::channel& log = MainChannel();
    log.write(quill::log::level_note, "**** Close running application ****");
    log.write(quill::log::level_note, "");

    const std::string product = kProductName;
    for (const std::string& executable : {product + ".exe", product + "64.exe"}) {
        const ProductProcess instances(executable);
        if (instances.is_running()) instances.terminate_all(false);
    }

    log.write(quill::log::level_note, "%s stopped.", kProductName);
    log.write(quill::log::level_note, kSeparatorLine);
    log.write(quill::log::level_note, "");
}

}  // namespace korve::cleanup
