// vemcad --serve started from a terminal: the address printed, the session served until
// QUIT in the page; Ctrl-C in the terminal cancels the command running and offers, in
// the terminal, to save unsaved changes before vemcad ends (Cancel goes on serving).
// Without a terminal to ask in, the first interrupt says that changes are unsaved and
// a second one ends vemcad without them.
#pragma once

#include "console_io.h"
#include "session.h"

namespace vemweb {

// The exit status: 0 when the session ended, 1 when it could not be served.
int serveFromTerminal(vemcad::Session& session, vemcad::ConsoleInput& console, int port);

}  // namespace vemweb
