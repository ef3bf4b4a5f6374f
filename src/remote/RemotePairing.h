#pragma once

#include "remote/RemoteServer.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

namespace lumadesk {

// Pairing a phone: the six-digit code the console shows, the lock-out of an address that
// guesses, and the tokens of paired phones. Only SHA-256 hashes of the tokens are kept, in the
// console's settings (group "remote"), so a copy of the settings cannot drive the lights.
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
    Result pair(const QHostAddress& from, QByteArrayView typed, QByteArrayView userAgent);

    // Whether the cookie's token belongs to a paired phone.
    bool isPaired(QByteArrayView token) const;

    QList<PairedPhone> phones() const;
    void forgetAll();

    // "Android phone (Chrome)", "iPhone (Safari)"; "Browser" when nothing is recognised.
    static QString labelOf(QByteArrayView userAgent);

private:
    struct Tries {
        int wrong = 0;
        qint64 last = 0;
        qint64 lockedUntil = 0;
    };

    void load();
    static QString keyOf(const QHostAddress& address);

    Clock m_clock;
    QString m_code;
    QList<QByteArray> m_hashes; // as stored, raw 32 bytes each
    QHash<QString, Tries> m_tries;
    Tries m_everywhere;
};

// Equal without an early exit, so the time taken tells nothing of where they differ.
bool ConstantTimeEqual(QByteArrayView a, QByteArrayView b);

} // namespace lumadesk
