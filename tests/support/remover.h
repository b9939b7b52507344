#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/scratch_folder.h"

namespace korve::test {

// The program under test as the build tree holds it, seen from a test executable one folder
// below tests/.
std::string remover_program();

// Runs the program in `folder` (where it writes its log) with `answerer` answering its boxes;
// it is terminated after `time_limit_ms`.
child_result run_remover(const scratch_folder& folder, message_box_answerer& answerer,
                         unsigned long time_limit_ms = 120000);

// The log file "KORVERemover.log.txt" in `folder`: its lines without their time-stamp prefixes,
// the byte-order mark dropped.
std::vector<std::string> log_texts(const scratch_folder& folder);

}  // namespace korve::test
