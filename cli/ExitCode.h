#pragma once

namespace lumadesk::cli {

// What the tool's exit status tells a script.
enum ExitCode : int {
    EXIT_DONE = 0,
    EXIT_USAGE = 1,
    EXIT_PORT = 2,          // the port cannot be opened, or the link went away while we waited
    EXIT_NO_ANSWER = 3,     // no head, or no echo in time (or one that did not confirm the value)
    EXIT_FILE = 4,          // a set-up file could not be read or written
    EXIT_INTERRUPTED = 130, // SIGINT, SIGTERM or SIGHUP while a command waited for an answer
};

} // namespace lumadesk::cli
