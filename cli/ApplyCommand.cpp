#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "link/MemoryApply.h"
#include "link/PendingValues.h"
#include "link/UnitSettingTable.h"
#include "model/BusinessMemory.h"
#include "platform/Messages.h"

#include <QStringList>

namespace lumadesk::cli {

int RunApply(const Invocation& invocation) {
    LinkSession session;
    XmlFileContext context;
    context.pModel = &session.Model();
    // The preview first: a set-up that cannot be read needs no link.
    if (PreviewMemoryFile(&context, invocation.name).isEmpty())
        return EXIT_FILE; // the core said "Fail to open file"
    int code = EXIT_DONE;
    const StudioData* studio = OpenAndScan(session, invocation, code);
    if (studio == nullptr)
        return code;
    if (studio->nChItemCnt == 0) {
        return NoHeadAnswered(*studio, invocation, QStringLiteral("nothing applied"));
    }

    ApplyMemoryStudio(&session.Model(), &session.Protocol());
    // Each head answers its settings with a status report; the console's book says whether it
    // carried every value, and the printout shows what the heads took.
    const PendingValues& book = session.Pending();
    const LinkSession::WaitEnd end =
        session.WaitUntil([&] { return book.pendingCount() == 0; }, 2 * book.timeout());
    if (end != LinkSession::WaitEnd::Done && end != LinkSession::WaitEnd::TimedOut)
        return WaitFailure(end, session, {});
    PrintStudio(*studio, invocation.json);
    QStringList silent;
    for (int i = 0; i < kChannelCount; ++i) {
        const StrobeData* unit = studio->UnitOn(i);
        const UnitSetting* any = nullptr;
        for (const UnitSetting& setting : UnitSettings()) {
            if (unit != nullptr &&
                book.stateOf(studio->nStudioNum, i, setting) != Confirmation::Confirmed)
                any = &setting;
        }
        if (any != nullptr)
            silent.append(unit->sChName);
    }
    if (silent.isEmpty())
        return EXIT_DONE;
    PrintError(QStringLiteral("no answer from %1 of %2 within %3")
                   .arg(silent.join(QStringLiteral(", ")), studio->sStudioName,
                        SecondsText(book.timeout())));
    return EXIT_NO_ANSWER;
}

} // namespace lumadesk::cli
