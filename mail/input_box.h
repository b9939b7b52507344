#pragma once

namespace korve::mail {

// Asks the user for an e-mail address in a small window of its own ("Enter your e-mail": a
// label, a single-line field, Ok and Cancel), centred on the primary screen, and blocks the
// calling thread until the user answers. Serves only the calling thread's windows.
//
// Returns 1 when Ok was pressed: `buffer` (at least 256 bytes) then holds the field's text in
// the ANSI code page, cut to 255 characters and zero-terminated (empty when the field was
// empty). Returns 0 when Cancel was pressed or the window was closed, and when the window
// could not be created; `buffer` is then left as it was. Reports no errors.
int ShowInputBox(char* buffer);

}  // namespace korve::mail
