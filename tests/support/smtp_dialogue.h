#pragma once

#include <map>
#include <vector>

#include "tests/support/scripted_server.h"

namespace korve::test {

// The points of one delivery at which an SMTP server answers, in the order they come: its
// greeting, then the replies to EHLO, RSET, MAIL FROM, RCPT TO, DATA, the message's final dot
// and QUIT.
enum class smtp_turn { greeting, ehlo, rset, mail_from, rcpt_to, data, message, quit };

// What a server does at a turn once it has heard the command (at the greeting: at once).
using smtp_answers = std::map<smtp_turn, std::vector<script_step>>;

// A polite server's script for one delivery, from the greeting up to and including the turn
// `last`: it hears each command (the message up to its final dot) and answers "220 ready",
// "250 hello", "250 reset", "250 sender ok", "250 recipient ok", "354 go ahead", "250 queued"
// and "221 bye", except at the turns `answers` names, where it takes their steps instead of the
// answer.
std::vector<script_step> smtp_dialogue(const smtp_answers& answers = {},
                                       smtp_turn last = smtp_turn::quit);

}  // namespace korve::test
