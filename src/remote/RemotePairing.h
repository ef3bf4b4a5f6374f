#pragma once

#include "remote/RemoteServer.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

namespace lumadesk {

// Pairing a phone: the six-digit code the console shows, the lock-out of an address that
// guesses, and the tokens of paired phones. Only SHA-256 hashes of the tokens are kept, in the
// console's settings (group "remote"), so a copy of the settings cannot drive the lights. A
// browser that sends its own id when it pairs replaces the token it had, so it is listed once.
class RemotePairing {
public:
    using Clock = std::function<qint64()>; // milliseconds, only forward

    enum class Outcome { Paired, WrongCode, Locked };
    struct Result {
        Outcome outcome = Outcome::WrongCode;
        QByteArray token;          // Paired: 32 hex digits, for the cookie
        int retryAfterSeconds = 0; // Locked
    };

    static constexpr int kMaxWrongCodesEverywhere = 30;

    explicit RemotePairing(Clock clock = {});

    void setClock(Clock clock);
    // A new code from the system's random source; every earlier code is void.
    QString newCode();
    QString code() const { return m_code; }
    void clearCode() { m_code.clear(); }

    // The code a phone typed, from its address. Wrong codes count per address; the fifth locks
    // the address out for kLockoutSeconds, during which even the right code is refused. After
    // kMaxWrongCodesEverywhere wrong codes from any addresses together, every address that
    // guessed wrong is locked out the same way and each other address has one try until the
    // lock ends, so spreading guesses over the network gains little, and a phone that has not
    // guessed wrong still pairs with the right code.
    // phone: the browser's own id (32 hex digits, as isPhoneId), or empty for one without.
    Result pair(const QHostAddress& from, QByteArrayView typed, QByteArrayView userAgent,
                QByteArrayView phone = {});

    // Whether the cookie's token belongs to a paired phone.
    bool isPaired(QByteArrayView token) const;
    // The phone with this token was heard from; true when its "last seen" moved, which is kept
    // to the minute so a busy phone does not write the settings at every request.
    bool seen(QByteArrayView token);

    QList<PairedPhone> phones() const;
    void forgetAll();

    // "Android phone (Chrome)", "iPhone (Safari)"; "Browser" when nothing is recognised.
    static QString labelOf(QByteArrayView userAgent);
    static bool isPhoneId(QByteArrayView id);

private:
    struct Tries {
        int wrong = 0;
        qint64 last = 0;
        qint64 lockedUntil = 0;
    };

    struct Phone {
        QByteArray hash; // raw 32 bytes; anything else never matches
        QByteArray id;   // the browser's own; empty for a phone paired without one
        QString label;
        QDateTime pairedAt;
        QDateTime lastSeen;
    };

    void load();
    void save() const;
    QByteArray remember(QByteArrayView userAgent, QByteArrayView phone);
    qsizetype indexOf(QByteArrayView token) const;
    static QString keyOf(const QHostAddress& address);

    Clock m_clock;
    QString m_code;
    QList<Phone> m_phones; // as stored
    QHash<QString, Tries> m_tries;
    Tries m_everywhere;
};

// Equal without an early exit, so the time taken tells nothing of where they differ.
bool ConstantTimeEqual(QByteArrayView a, QByteArrayView b);

} // namespace lumadesk
