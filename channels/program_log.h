#pragma once

#include <memory>
#include <string>

#include "quill/log/file.h"

// The run's log file, "KORVERemover.log.txt" in the current directory: every listener that
// writes it and the mail step that reads it back name it through these.

// A listener that appends to the log file, without a size limit and without kept copies.
// Throws what quill::log::file throws when the file cannot be opened.
std::unique_ptr<quill::log::file> NewLogFileListener();

// The log file's name, relative to the current directory.
std::string LogFileName();

// The text of the box shown when the log file cannot be created.
extern const char* const kNoLogFileText;
