#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "link/MemoryApply.h"
#include "model/BusinessMemory.h"
#include "platform/Messages.h"

#include <QStringList>

namespace lumadesk::cli {

namespace {

constexpr std::chrono::milliseconds kAnswerWait{1000};

bool refreshed(const LinkSession& session, const StrobeData* unit) {
    for (const LinkSession::UnitMessage& message : session.Messages()) {
        if (message.number == Msg::FrameUnitStatus && message.unit == unit)
            return true;
    }
    return false;
}

} // namespace

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

    session.ClearMessages();
    ApplyMemoryStudio(&session.Model(), &session.Protocol());
    // Each head answers its settings with a status report; the printout shows what they took.
    auto allAnswered = [&] {
        for (int i = 0; i < kChannelCount; ++i) {
            if (const StrobeData* unit = studio->UnitOn(i); unit && !refreshed(session, unit))
                return false;
        }
        return true;
    };
    const LinkSession::WaitEnd end = session.WaitUntil(allAnswered, kAnswerWait);
    if (end != LinkSession::WaitEnd::Done && end != LinkSession::WaitEnd::TimedOut)
        return WaitFailure(end, session, {});
    PrintStudio(*studio, invocation.json);
    if (end == LinkSession::WaitEnd::Done)
        return EXIT_DONE;
    QStringList silent;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio->UnitOn(i); unit && !refreshed(session, unit))
            silent.append(unit->sChName);
    }
    PrintError(
        QStringLiteral("no answer from %1 of %2 within %3")
            .arg(silent.join(QStringLiteral(", ")), studio->sStudioName, SecondsText(kAnswerWait)));
    return EXIT_NO_ANSWER;
}

} // namespace lumadesk::cli
