#include "driver/entry.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "channels/program_channels.h"
#include "channels/program_log.h"
#include "cleanup/clean_software_registry.h"
#include "cleanup/close_running_application.h"
#include "cleanup/folder_steps.h"
#include "driver/administrator_check.h"
#include "driver/install_view_check.h"
#include "driver/installer_step.h"
#include "driver/removal_step.h"
#include "mail/submit_log_by_mail.h"
#include "program_version.h"
#include "quill/log/console.h"
#include "suite/shared_tray_remover.h"

namespace korve::driver {
namespace {

const char* const kCaption = "KORVERemover.exe";

// What one run carries from step to step.
struct Run {
    quill::log::channel& log;  // the main channel
    // The file that the main channel's file listener writes; none without a log file.
    std::optional<quill::fs::file_identity> log_file;
    // What the registry cleaning read before deleting it; later steps need it.
    cleanup::ProductFacts product;
};

// Attaches the console and the log file to the main channel. Returns which file the log is
// written to; nothing when there is no log file.
std::optional<quill::fs::file_identity> AttachListeners(quill::log::channel& log) {
    log.attach(0, std::make_unique<quill::log::console>());
    try {
        auto file = NewLogFileListener();
        const quill::fs::file_identity written = file->identity();
        log.attach(0, std::move(file));
        return written;
    } catch (...) {
        ::MessageBoxA(nullptr, kNoLogFileText, kCaption, MB_OK);
        return std::nullopt;
    }
}

void WriteBanner(quill::log::channel& log) {
    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, "KORVERemover.exe version " KORVE_VERSION_TEXT);
    log.write(quill::log::level_note, "");
}

void CloseChannel(quill::log::channel& log) {
    try {
        log.close();
    } catch (...) {
        // The log is finished either way; nothing is left to report it to.
    }
}

void RunRemovalSequence(Run& run) {
    RunRemovalStep(cleanup::CloseRunningApplication);
    RunRemovalStep([&run] { run.product = cleanup::CleanSoftwareRegistry(); });
    RunRemovalStep([] { CleanInstallerDatabaseStep(); });
    RunRemovalStep(cleanup::RemoveShortcuts);
    RunRemovalStep(
        [&run] { cleanup::RemoveProgramFilesFolder(run.product.installed_application_path); });
    RunRemovalStep(cleanup::CleanApplicationDataFolder);

    run.log.write(quill::log::level_note, "");
    run.log.write(quill::log::level_note, "**** Remove KestranaTray ****");
    run.log.write(quill::log::level_note, "");

    // Withdraw the product from the suite's shared tray.
    RunRemovalStep([] {
        suite::SharedTrayRemover tray(L"Kestrana", L"Tray", L"KORVE", L"KestranaTray.exe");
        tray.RemoveSharedTray();
    });

    run.log.write(quill::log::level_note, "");
    run.log.write(quill::log::level_note, "");
    run.log.write(quill::log::level_note, "");
}

void OfferLogOrPause(const Run& run) {
    if (!run.log_file) {
        ::Sleep(3000);
        return;
    }
    if (mail::SubmitLogByMail(*run.log_file, run.product.installed_version) == 0) {
        ::MessageBoxA(nullptr, "Log file not submitted", "Log file not submitted", MB_OK);
    }
}

int RunSteps() {
    Run run{MainChannel(), std::nullopt, {}};
    run.log_file = AttachListeners(run.log);
    WriteBanner(run.log);

    const int administrator = IsRunAsAdministrator();
    if (administrator == 0) {
        ::MessageBoxA(nullptr, "Error", kCaption, MB_OK);
        CloseChannel(run.log);
        return 0;
    }
    if (administrator != 1) {
        CloseChannel(run.log);
        return 0;
    }

    if (!StopsForOtherArchitectureInstall()) RunRemovalSequence(run);
    CloseChannel(run.log);
    OfferLogOrPause(run);
    return 0;
}

}  // namespace

int RunKORVERemover() {
    try {
        return RunSteps();
    } catch (...) {
        ::MessageBoxA(nullptr, "Error", "Internal error!", MB_ICONEXCLAMATION);
        return 0;
    }
}

}  // namespace korve::driver
