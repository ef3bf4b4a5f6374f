#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

namespace lumadesk::cli {

int RunScan(const Invocation& invocation) {
    LinkSession session;
    int code = EXIT_DONE;
    const StudioData* studio = OpenAndScan(session, invocation, code);
    if (studio == nullptr)
        return code;
    PrintStudio(*studio, invocation.json);
    if (studio->nChItemCnt > 0)
        return EXIT_DONE;
    return NoHeadAnswered(*studio, invocation);
}

} // namespace lumadesk::cli
