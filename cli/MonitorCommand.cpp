#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

#include <cstdio>

namespace lumadesk::cli {

int RunMonitor(const Invocation& invocation) {
    LinkSession session;
    const bool json = invocation.json;
    session.SetEventListener([json, &session](const RadioEvent& event) {
        if (json)
            PrintOutBytes(EventJson(event) + '\n');
        else
            PrintOut(EventLine(event));
        if (OutputClosed())
            session.Stop(); // nobody reads any more: the end of a pipeline, not a failure
    });
    if (const int code = OpenLink(session, invocation); code != EXIT_DONE)
        return code;
    // Sends nothing: it listens to whatever the dongle's selected group says. Scripts wait for
    // this line before they make the heads talk.
    std::fprintf(stderr, "lumadesk-cli: monitoring %s\n", qPrintable(session.PortPath()));
    std::fflush(stderr);

    switch (session.WaitUntil(nullptr, invocation.duration)) {
    case LinkSession::WaitEnd::LinkLost:
        return WaitFailure(LinkSession::WaitEnd::LinkLost, session, {});
    default:
        return EXIT_DONE; // the duration ended, SIGINT, or the reader left: all normal ends
    }
}

} // namespace lumadesk::cli
