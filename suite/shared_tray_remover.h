#pragma once

#include <string>

#include "quill/log/channel.h"
#include "suite/tray_paths.h"

namespace korve::suite {

// Withdraws one product from the suite's shared tray program and removes the tray (its
// program folder, data folders, registry key and start-up value) when no other product of the
// suite still uses it. Logs to a channel of its own, on the console and in the program's log
// file (LogFileName()) in the current directory, beside the main channel's lines.
class SharedTrayRemover {
  public:
    // When the log file cannot be opened, shows the "Remove.exe" box and logs to the console
    // only.
    SharedTrayRemover(std::wstring brand, std::wstring tray, std::wstring product_code,
                      std::wstring program);
    SharedTrayRemover(const SharedTrayRemover&) = delete;
    SharedTrayRemover& operator=(const SharedTrayRemover&) = delete;

    // Deletes the product's configuration file and update icon, then, if no other product is
    // left, asks the tray to quit (or terminates it), waits up to 15 seconds for it to end and
    // removes its folders and registry entries; in every case it repairs the tray files'
    // SharedDLLs counters, unless the configuration folder could not be listed: then the tray
    // and its counters stay, with one line for the error. Registry errors end the registry
    // part silently. Throws what the known-folder getter throws ("Error in
    // ::SHGetFolderPath( 0, CSIDL=%d ....") and quill::fs::generic when the tray's HTML
    // library cannot be looked for (a link on the way).
    void RemoveSharedTray();

    // Sets every SharedDLLs counter (32-bit view) whose value name contains brand + "\" + tray
    // to `count`, or deletes it when `count` is 0, logging each counter first. The first error
    // ends the repair without a log line; what was done stays done. Never throws.
    void FixSharedDllCounters(int count) noexcept;

  private:
    // Deletes the file at `path`, built from the system folder `known_folder`, by handle:
    // never through a link below that folder.
    void RemoveFile(const std::wstring& known_folder, const std::wstring& path);
    void StopTray(const std::wstring& program_folder);
    void WaitForTrayToEnd();
    bool HtmlLibraryExists(const std::wstring& program_folder) const;
    void RemoveTrayFolders(const std::wstring& program_folder);
    void RemoveTrayRegistry();

    TrayNames names_;
    quill::log::channel log_;
};

}  // namespace korve::suite
