#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "link/PendingValues.h"
#include "platform/ChangeCode.h"
#include "platform/Messages.h"

namespace lumadesk::cli {

namespace {

// The head's echo of our command among the handler's messages: the change code of the setting,
// or, for a level, -1 when the head echoed a level the handler refused to store.
const LinkSession::UnitMessage* findEcho(const LinkSession& session, const StrobeData* unit,
                                         const UnitSetting& setting) {
    for (const LinkSession::UnitMessage& message : session.Messages()) {
        if (message.number != Msg::FrameUnitSetting || message.unit != unit)
            continue;
        if (message.wParam == setting.changeCode ||
            (setting.kind == SettingKind::Level && message.wParam == CHANGE_NONE))
            return &message;
    }
    return nullptr;
}

} // namespace

int RunSet(const Invocation& invocation) {
    const UnitSetting& setting = *invocation.setting;
    LinkSession session;
    if (const int code = OpenLink(session, invocation); code != EXIT_DONE)
        return code;

    StudioData* studio = session.StartScan(invocation.studio);
    const int channel = invocation.channel;
    const QString head = QStringLiteral("%1 of %2").arg(ChannelLabel(channel), studio->sStudioName);
    LinkSession::WaitEnd end =
        session.WaitUntil([&] { return studio->UnitOn(channel) != nullptr; }, invocation.wait);
    if (end != LinkSession::WaitEnd::Done)
        return WaitFailure(end, session,
                           QStringLiteral("no head on %1 answered within %2")
                               .arg(head, SecondsText(invocation.wait)));

    // As the panel does: the value goes into the record first and is sent from it. The echo
    // writes back what the head took.
    StrobeData* unit = studio->UnitOn(channel);
    const int reported = setting.member != nullptr ? unit->*setting.member : 0;
    if (setting.member != nullptr)
        unit->*setting.member = invocation.value;
    session.ClearMessages();
    session.Protocol().SendUnitCommand(0, unit, setting.commandType);
    // The console's book decides: pending until a report carries the value, unconfirmed when
    // its time-out passes first. The limit here only guards the wait.
    const PendingValues& book = session.Pending();
    auto state = [&] { return book.stateOf(studio->nStudioNum, channel, setting); };
    end = session.WaitUntil([&] { return state() != Confirmation::Pending; }, 2 * book.timeout());
    if (end != LinkSession::WaitEnd::Done && end != LinkSession::WaitEnd::TimedOut)
        return WaitFailure(end, session, {});

    int code = EXIT_DONE;
    if (state() == Confirmation::NotSent) {
        // The frame never left: the link went away (or would take nothing) before it.
        if (setting.member != nullptr)
            unit->*setting.member = reported;
        PrintError(book.noteOf(*unit, setting));
        return EXIT_PORT;
    }
    if (state() != Confirmation::Confirmed) {
        code = EXIT_NO_ANSWER;
        // The echo only words the complaint.
        const LinkSession::UnitMessage* echo = findEcho(session, unit, setting);
        if (echo == nullptr ||
            (echo->wParam == CHANGE_NONE && setting.kind == SettingKind::Level)) {
            // Unconfirmed: the record shows what the head last told us, not our wish.
            if (setting.member != nullptr)
                unit->*setting.member = reported;
            PrintError(echo == nullptr ? QStringLiteral("no echo from %1 within %2")
                                             .arg(head, SecondsText(book.timeout()))
                                       : QStringLiteral("%1 echoed a %2 level out of range")
                                             .arg(head, QLatin1String(setting.name)));
        } else {
            PrintError(QStringLiteral("%1 took %2 %3, not %4")
                           .arg(head, QLatin1String(setting.name),
                                lumadesk::SettingValueText(setting, unit->*setting.member),
                                lumadesk::SettingValueText(setting, invocation.value)));
        }
    }
    if (invocation.json)
        PrintOutBytes(JsonObject({{"studio", JsonString(studio->sStudioName)},
                                  {"units", JsonArray({UnitJson(*unit)})}}) +
                      '\n');
    else
        PrintOut(UnitLine(*unit));
    return code;
}

} // namespace lumadesk::cli
