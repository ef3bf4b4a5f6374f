#include "remote/RemoteController.h"

#include "actions/OperatorActions.h"
#include "link/FrameTypes.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"

namespace lumadesk {

namespace {

// What the state shows of a head; other values (cell, sound, modes, charge, heat) move
// nothing on the phone.
constexpr ValueMask kShownMask = MaskOf(CHANGE_FLASH_LEVEL) | MaskOf(CHANGE_FLASH_POWER) |
                                 MaskOf(CHANGE_MODEL_LEVEL) | MaskOf(CHANGE_MODEL_POWER) |
                                 kNamesMask | kCueMask;

} // namespace

RemoteController::RemoteController(StudioModel& model, RadioLink& link, OperatorActions& actions,
                                   QObject* parent)
    : QObject(parent), m_model(model), m_link(link), m_actions(actions) {
    m_push.setSingleShot(true);
    m_push.setTimerType(Qt::PreciseTimer);
    m_push.setInterval(kPushDelayMs);
    m_push.callOnTimeout(this, &RemoteController::publish);

    ModelNews& news = model.news;
    const auto any = [this] { noteNews(); };
    connect(&news, &ModelNews::headChanged, this, [this](int studio, int, quint32 mask) {
        if ((mask & kShownMask) != 0 && studio == shownStudioNumber(m_model, m_model.pScanStudio))
            noteNews();
    });
    connect(&news, &ModelNews::headAdded, this, any);
    connect(&news, &ModelNews::headRemoved, this, any);
    // The scan that empties a studio makes it the scanned one only after: not filtered.
    connect(&news, &ModelNews::studioEmptied, this, any);
    connect(&news, &ModelNews::studioRenamed, this, any);
    connect(&news, &ModelNews::ticksChanged, this, any);
    connect(&news, &ModelNews::currentChanged, this, any);
    connect(&news, &ModelNews::setupsChanged, this, [this] {
        if (!m_watched)
            return;
        relistSetups();
        noteNews();
    });
}

void RemoteController::linkChanged() {
    noteNews();
}

void RemoteController::noteNews() {
    if (m_watched && !m_push.isActive())
        m_push.start();
}

void RemoteController::setWatched(bool watched) {
    if (watched == m_watched)
        return;
    m_watched = watched;
    if (!watched) {
        m_push.stop();
        m_lastSent.clear();
        m_setups.clear();
        m_setupsMoved = false;
    }
}

void RemoteController::relistSetups() {
    QStringList now = StoredSetupNames();
    if (now != m_setups) {
        m_setups = std::move(now);
        m_setupsMoved = true;
    }
}

QByteArray RemoteController::state(bool withSetups) const {
    RemoteStateInputs in;
    in.model = &m_model;
    in.book = &m_link.pending();
    in.answering = [this](int studio, int channel) { return m_link.isAnswering(studio, channel); };
    in.connected = m_link.isConnected();
    in.setups = m_setups;
    in.withSetups = withSetups;
    return RemoteStateJson(in);
}

void RemoteController::publish() {
    m_push.stop();
    if (!m_watched)
        return;
    QByteArray now = state(false);
    if (m_setupsMoved) {
        m_setupsMoved = false;
        m_lastSent = std::move(now);
        emit stateChanged(state(true));
    } else if (now != m_lastSent) {
        m_lastSent = now;
        emit stateChanged(now);
    }
}

QByteArray RemoteController::welcome() {
    setWatched(true);
    relistSetups();
    publish();
    return state(true);
}

QByteArray RemoteController::answer(QByteArrayView message, const std::function<QString()>& admit) {
    const RemoteParse parsed = ParseRemoteRequest(message, kMaxMessageBytes);
    if (!parsed.request)
        return RemoteErrorJson(parsed.id, parsed.error);
    if (admit) {
        if (const QString refusal = admit(); !refusal.isEmpty())
            return RemoteErrorJson(parsed.id, refusal);
    }
    const QString problem = carryOut(*parsed.request);
    return problem.isEmpty() ? RemoteOkJson(parsed.request->id)
                             : RemoteErrorJson(parsed.id, problem);
}

QString RemoteController::carryOut(const RemoteRequest& request) {
    StudioData* studio = m_model.pScanStudio;
    if (studio == nullptr)
        return QStringLiteral("no studio scanned");
    StrobeData* unit = studio->UnitOn(request.channel);
    const bool needsUnit = request.op == RemoteOp::Step || request.op == RemoteOp::Switch ||
                           request.op == RemoteOp::Test;
    if (needsUnit && unit == nullptr)
        return QStringLiteral("no head on %1").arg(ChannelLabel(request.channel));
    if (!m_actions.mayChange())
        return m_actions.refusal();
    const QString value = request.flash ? QStringLiteral("flash") : QStringLiteral("model");
    switch (request.op) {
    case RemoteOp::Step:
        if (!m_actions.stepLevel(*unit, request.flash, request.by))
            return QStringLiteral("%1 %2 is at its end").arg(unit->sChName, value);
        return {};
    case RemoteOp::Switch:
        if (!m_actions.setSwitch(*unit, request.commandType, request.on ? 1 : 0))
            return QStringLiteral("%1 is %2 already")
                .arg(unit->sChName, request.on ? QStringLiteral("on") : QStringLiteral("off"));
        return {};
    case RemoteOp::Test:
        m_actions.testFlash(*unit);
        return {};
    case RemoteOp::Offset:
        if (!m_actions.offsetTicked(*studio, request.flash, request.by))
            return QStringLiteral("no head ticked");
        return {};
    case RemoteOp::Load: {
        QString problem;
        const bool loaded = m_actions.loadSetup(*studio, request.name, &problem);
        // A set-up that could not be read may be gone from the folder: the list is read again.
        m_model.news.tellSetupsChanged();
        if (!loaded)
            return problem.isEmpty() ? QStringLiteral("Fail to open file") : problem;
        return {};
    }
    case RemoteOp::SendAgain:
        if (!m_link.isConnected())
            return QStringLiteral("the link is down");
        if (m_actions.sendAgain() == 0)
            return QStringLiteral("nothing to send again");
        return {};
    }
    return QStringLiteral("unknown request");
}

} // namespace lumadesk
