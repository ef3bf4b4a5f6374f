#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

int RunScan(const Invocation& invocation) {
    LinkSession session;
    if (const int code = OpenLink(session, invocation); code != EXIT_DONE)
        return code;
    int code = EXIT_DONE;
    const StudioData* studio = ScanStudio(session, invocation, code);
    if (studio == nullptr)
        return code;
    PrintStudio(*studio, invocation.json);
    if (studio->nChItemCnt > 0)
        return EXIT_DONE;
    PrintError(QStringLiteral("no head of %1 answered within %2")
                   .arg(studio->sStudioName, SecondsText(invocation.wait)));
    return EXIT_NO_ANSWER;
}
