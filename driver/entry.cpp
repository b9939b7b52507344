#include "driver/entry.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "cleanup/clean_software_registry.h"
#include "cleanup/close_running_application.h"
#include "cleanup/folder_steps.h"
#include "driver/administrator_check.h"
#include "driver/install_view_check.h"
#include "driver/installer_step.h"
#include "channels/program_channels.h"
#include "mail/submit_log_by_mail.h"
#include "quill/log/console.h"
#include "quill/log/file.h"
#include "suite/shared_tray_remover.h"

namespace {

const char* const kCaption = "KORVERemover.exe";
const char* const kLogBaseName = "KORVERemover";
const char* const kNoLogFile =
    "Unable to create log file. If you need log file make sure that you have permission to "
    "write to directory where remove.exe is located";

// Attaches the console and the log file to the main channel. Returns which file the log is
// written to; nothing when there is no log file.
std::optional<quill::fs::file_identity> AttachListeners() {
    MainChannel().attach(0, std::make_unique<quill::log::console>());
    try {
        auto file = std::make_unique<quill::log::file>(kLogBaseName, 0xFFFFFFFFu, 0);
        const quill::fs::file_identity written = file->identity();
        MainChannel().attach(0, std::move(file));
        return written;
    } catch (...) {
        ::MessageBoxA(nullptr, kNoLogFile, kCaption, MB_OK);
        return std::nullopt;
    }
}

void WriteBanner() {
    quill::log::channel& log = MainChannel();
    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, "KORVERemover.exe version 1.1.54.0");
    log.write(quill::log::level_note, "");
}

void CloseMainChannel() {
    try {
        MainChannel().close();
    } catch (...) {
        // The log is finished either way; nothing is left to report it to.
    }
}

void RunRemovalSequence() {
    quill::log::channel& log = MainChannel();

    RunRemovalStep(CloseRunningApplication);
    RunRemovalStep(CleanSoftwareRegistry);
    RunRemovalStep(CleanInstallerDatabaseStep);
    RunRemovalStep(RemoveShortcuts);
    RunRemovalStep(RemoveProgramFilesFolder);
    RunRemovalStep(CleanApplicationDataFolder);

    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, "**** Remove KestranaTray ****");
    log.write(quill::log::level_note, "");

    // Withdraw the product from the suite's shared tray.
    RunRemovalStep([] {
        korve::suite::SharedTrayRemover tray(L"Kestrana", L"Tray", L"KORVE", L"KestranaTray.exe");
        tray.RemoveSharedTray();
    });

    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, "");
}

void OfferLogOrPause(const std::optional<quill::fs::file_identity>& log_file) {
    if (!log_file) {
        ::Sleep(3000);
        return;
    }
    if (SubmitLogByMail(*log_file) == 0) {
        ::MessageBoxA(nullptr, "Log file not submitted", "Log file not submitted", MB_OK);
    }
}

int RunSteps() {
    const std::optional<quill::fs::file_identity> log_file = AttachListeners();
    WriteBanner();

    const int administrator = IsRunAsAdministrator();
    if (administrator == 0) {
        ::MessageBoxA(nullptr, "Error", kCaption, MB_OK);
        CloseMainChannel();
        return 0;
    }
    if (administrator != 1) {
        CloseMainChannel();
        return 0;
    }

    if (!StopsForOtherArchitectureInstall()) RunRemovalSequence();
    CloseMainChannel();
    OfferLogOrPause(log_file);
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
