#pragma once

#include "remote/RemoteMessages.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace lumadesk {

class OperatorActions;
class RadioLink;
struct StudioModel;

// What the phone's requests mean and what the phones are shown, without a socket: a request's
// text in, the operator actions carried out, the answer out; and the state, sent again when the
// model's news says something it shows moved. The socket hub carries both to the phones; other
// faces that speak the same requests can sit on it too. GUI thread only.
class RemoteController : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxMessageBytes = 4096;
    // A burst of news goes out as one state this long after the first of it.
    static constexpr int kPushDelayMs = 4;

    RemoteController(StudioModel& model, RadioLink& link, OperatorActions& actions,
                     QObject* parent = nullptr);

    // The answer to one message: read strictly, let through admit when given (a text it returns
    // refuses the request in those words, and nothing is done), then carried out.
    QByteArray answer(QByteArrayView message, const std::function<QString()>& admit = {});
    // A request already read: why it was not carried out, empty when it was.
    QString carryOut(const RemoteRequest& request);

    // Whether anyone is shown the state. Only then is the news followed and the set-up folder
    // read.
    void setWatched(bool watched);
    bool isWatched() const { return m_watched; }

    // A phone comes: the set-ups are listed again, what is due goes out to those watching
    // already, and the whole state (with the list) is returned for the newcomer.
    QByteArray welcome();
    // The state now, with the set-up list as last read: for a phone that missed some.
    QByteArray wholeState() const { return state(true); }
    QStringList setups() const { return m_setups; }

public slots:
    // The radio link went up or down: the phones show it.
    void linkChanged();

signals:
    // The state moved: the message for everyone watching, at most one a turn. It carries the
    // set-up list only when the list changed since the last one.
    void stateChanged(const QByteArray& message);

private:
    void noteNews();
    void relistSetups();
    void publish();
    QByteArray state(bool withSetups) const;

    StudioModel& m_model;
    RadioLink& m_link;
    OperatorActions& m_actions;
    QTimer m_push;
    bool m_watched = false;
    QStringList m_setups;
    bool m_setupsMoved = false;
    QByteArray m_lastSent; // without the list
};

} // namespace lumadesk
