#include "tests/support/remover.h"

#include "tests/support/text_file.h"

namespace korve::test {

std::string remover_program() {
    return beside_test_executable("..\\..\\driver\\KORVERemover.exe");
}

child_result run_remover(const scratch_folder& folder, message_box_answerer& answerer,
                         unsigned long time_limit_ms) {
    return run_child("\"" + remover_program() + "\"", folder.path(), time_limit_ms,
                     &message_box_answerer::answer, &answerer);
}

std::vector<std::string> log_texts(const scratch_folder& folder) {
    std::string content = read_file(folder / "KORVERemover.log.txt");
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    return texts_of(content);
}

}  // namespace korve::test
