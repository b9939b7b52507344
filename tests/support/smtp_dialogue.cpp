#include "tests/support/smtp_dialogue.h"

namespace korve::test {
namespace {

struct polite_turn {
    smtp_turn turn;
    const char* answer;
};

const polite_turn kPoliteTurns[] = {
    {smtp_turn::greeting, "220 ready\r\n"},       {smtp_turn::ehlo, "250 hello\r\n"},
    {smtp_turn::rset, "250 reset\r\n"},           {smtp_turn::mail_from, "250 sender ok\r\n"},
    {smtp_turn::rcpt_to, "250 recipient ok\r\n"}, {smtp_turn::data, "354 go ahead\r\n"},
    {smtp_turn::message, "250 queued\r\n"},       {smtp_turn::quit, "221 bye\r\n"},
};

}  // namespace

std::vector<script_step> smtp_dialogue(const smtp_answers& answers, smtp_turn last) {
    std::vector<script_step> script;
    for (const polite_turn& polite : kPoliteTurns) {
        if (polite.turn == smtp_turn::message) {
            script.push_back(hear_data());
        } else if (polite.turn != smtp_turn::greeting) {
            script.push_back(hear());
        }
        const auto answer = answers.find(polite.turn);
        if (answer == answers.end()) {
            script.push_back(say(polite.answer));
        } else {
            script.insert(script.end(), answer->second.begin(), answer->second.end());
        }
        if (polite.turn == last) break;
    }
    return script;
}

}  // namespace korve::test
