#include "cli/Commands.h"

#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "model/OptionFile.h"
#include "platform/PortFailure.h"
#include "platform/PortNames.h"

namespace lumadesk::cli {

ComSettings LinkSettings(const Invocation& invocation) {
    ComSettings settings;
    if (!invocation.portName || !invocation.baudRate)
        ReadOptionFile(nullptr, settings);
    if (invocation.portName)
        settings.portName = *invocation.portName;
    if (invocation.baudRate)
        settings.baudRate = *invocation.baudRate;
    return settings;
}

int OpenLink(LinkSession& session, const Invocation& invocation) {
    const ComSettings settings = LinkSettings(invocation);
    if (session.Open(settings))
        return EXIT_DONE;
    const QString path = DevicePathFromPortName(settings.portName);
    if (path.isEmpty()) {
        PrintError(QStringLiteral("no port to open: Option.xml names an empty one (use --port)"));
        return EXIT_PORT;
    }
    PrintError(QStringLiteral("cannot open port %1 (%2) at %3 baud: %4")
                   .arg(settings.portName, path)
                   .arg(settings.baudRate)
                   .arg(PortFailureReason(session.OpenError(), path)));
    return EXIT_PORT;
}

int WaitFailure(LinkSession::WaitEnd end, const LinkSession& session, const QString& noAnswer) {
    switch (end) {
    case LinkSession::WaitEnd::Done:
        return EXIT_DONE;
    case LinkSession::WaitEnd::TimedOut:
        PrintError(noAnswer);
        return EXIT_NO_ANSWER;
    case LinkSession::WaitEnd::LinkLost:
        PrintError(QStringLiteral("the link to %1 was lost").arg(session.PortPath()));
        return EXIT_PORT;
    case LinkSession::WaitEnd::Interrupted:
        PrintError(QStringLiteral("interrupted"));
        return EXIT_INTERRUPTED;
    }
    return EXIT_NO_ANSWER;
}

StudioData* OpenAndScan(LinkSession& session, const Invocation& invocation, int& exitCode) {
    exitCode = OpenLink(session, invocation);
    if (exitCode != EXIT_DONE)
        return nullptr;
    StudioData* studio = session.StartScan(invocation.studio);
    // Like the console's scan, the whole time: nobody knows how many heads will answer.
    const LinkSession::WaitEnd end = session.WaitUntil(nullptr, invocation.wait);
    exitCode = end == LinkSession::WaitEnd::TimedOut ? EXIT_DONE : WaitFailure(end, session, {});
    if (exitCode != EXIT_DONE)
        return nullptr;
    return studio;
}

int NoHeadAnswered(const StudioData& studio, const Invocation& invocation,
                   const QString& consequence) {
    PrintError(QStringLiteral("no head of %1 answered within %2%3")
                   .arg(studio.sStudioName, SecondsText(invocation.wait),
                        consequence.isEmpty() ? QString() : QStringLiteral("; ") + consequence));
    return EXIT_NO_ANSWER;
}

QString SecondsText(std::chrono::milliseconds duration) {
    return QStringLiteral("%1 s").arg(double(duration.count()) / 1000.0);
}

} // namespace lumadesk::cli
