#include "remote/RemotePairing.h"
#include "platform/MonotonicClock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSettings>
#include <algorithm>
#include <array>

namespace lumadesk {

namespace {

const QString kGroup = QStringLiteral("remote");
const QString kPhones = QStringLiteral("phones");
// An address's wrong codes are forgotten this long after its last one (or its lock-out).
constexpr qint64 kForgetTriesMs = qint64(RemoteServer::kLockoutSeconds) * 1000;
// Beyond this many addresses with wrong codes on record, the stalest are dropped.
constexpr int kMaxTrackedAddresses = 4096;

QByteArray hashOf(QByteArrayView token) {
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

bool isHexToken(QByteArrayView token) {
    if (token.size() != 32)
        return false;
    for (char c : token) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// The console's own settings file (~/.config/LumaDesk/LumaDesk.conf), beside the window's.
const QString kSettingsName = QStringLiteral("LumaDesk");

} // namespace

bool ConstantTimeEqual(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    unsigned char differ = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

RemotePairing::RemotePairing(Clock clock) {
    setClock(std::move(clock));
    load();
}

void RemotePairing::setClock(Clock clock) {
    m_clock = clock ? std::move(clock) : Clock(MonotonicMs);
}

QString RemotePairing::newCode() {
    m_code = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10,
                                      QLatin1Char('0'));
    return m_code;
}

QString RemotePairing::keyOf(const QHostAddress& address) {
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : address.toString();
}

RemotePairing::Result RemotePairing::pair(const QHostAddress& from, QByteArrayView typed,
                                          QByteArrayView userAgent) {
    const qint64 now = m_clock();
    for (auto it = m_tries.begin(); it != m_tries.end();) {
        if (now - std::max(it->last, it->lockedUntil) >= kForgetTriesMs)
            it = m_tries.erase(it);
        else
            ++it;
    }
    if (now - std::max(m_everywhere.last, m_everywhere.lockedUntil) >= kForgetTriesMs)
        m_everywhere = {};
    const QString key = keyOf(from);
    auto found = m_tries.find(key);
    // While many guess at once, only an address with no wrong code on record may try: each
    // address gets one guess, and a phone that has not guessed is never kept out.
    const bool guessed = found != m_tries.end();
    const qint64 lockedUntil = std::max(guessed ? m_everywhere.lockedUntil : qint64(0),
                                        guessed ? found->lockedUntil : qint64(0));
    if (lockedUntil > now)
        return {Outcome::Locked, {}, int((lockedUntil - now + 999) / 1000)};

    const QByteArray code = m_code.toLatin1();
    if (code.isEmpty() || !ConstantTimeEqual(typed, code)) {
        if (found == m_tries.end()) {
            if (m_tries.size() >= kMaxTrackedAddresses) {
                auto stalest = m_tries.begin();
                for (auto it = m_tries.begin(); it != m_tries.end(); ++it) {
                    if (it->last < stalest->last)
                        stalest = it;
                }
                m_tries.erase(stalest);
            }
            found = m_tries.insert(key, Tries{});
        }
        const qint64 lockout = now + qint64(RemoteServer::kLockoutSeconds) * 1000;
        found->last = now;
        if (++found->wrong >= RemoteServer::kWrongCodesBeforeLockout) {
            found->wrong = 0;
            found->lockedUntil = lockout;
        }
        m_everywhere.last = now;
        if (++m_everywhere.wrong >= kMaxWrongCodesEverywhere) {
            m_everywhere.wrong = 0;
            m_everywhere.lockedUntil = lockout;
        }
        return {Outcome::WrongCode, {}, 0};
    }
    m_tries.remove(key);

    std::array<quint32, 4> bits;
    QRandomGenerator::system()->fillRange(bits.data(), bits.size());
    const QByteArray token =
        QByteArray(reinterpret_cast<const char*>(bits.data()), sizeof bits).toHex();
    QSettings settings(kSettingsName, kSettingsName);
    settings.beginGroup(kGroup);
    const int n = settings.beginReadArray(kPhones);
    settings.endArray();
    settings.beginWriteArray(kPhones);
    settings.setArrayIndex(n);
    settings.setValue(QStringLiteral("hash"), hashOf(token).toHex());
    settings.setValue(QStringLiteral("label"), labelOf(userAgent));
    settings.setValue(QStringLiteral("pairedAt"), QDateTime::currentDateTimeUtc());
    settings.endArray();
    settings.endGroup();
    settings.sync();
    m_hashes.append(hashOf(token));
    return {Outcome::Paired, token, 0};
}

bool RemotePairing::isPaired(QByteArrayView token) const {
    if (!isHexToken(token))
        return false;
    const QByteArray hash = hashOf(token);
    bool paired = false;
    for (const QByteArray& kept : m_hashes)
        paired = ConstantTimeEqual(hash, kept) || paired;
    return paired;
}

QList<PairedPhone> RemotePairing::phones() const {
    QList<PairedPhone> out;
    QSettings settings(kSettingsName, kSettingsName);
    settings.beginGroup(kGroup);
    const int n = settings.beginReadArray(kPhones);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        out.append({settings.value(QStringLiteral("label")).toString(),
                    settings.value(QStringLiteral("pairedAt")).toDateTime()});
    }
    settings.endArray();
    return out;
}

void RemotePairing::forgetAll() {
    QSettings settings(kSettingsName, kSettingsName);
    // Only the phones: the window keeps the remote's switch in the same group.
    settings.beginGroup(kGroup);
    settings.remove(kPhones);
    settings.endGroup();
    settings.sync();
    m_hashes.clear();
}

void RemotePairing::load() {
    m_hashes.clear();
    QSettings settings(kSettingsName, kSettingsName);
    settings.beginGroup(kGroup);
    const int n = settings.beginReadArray(kPhones);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        const QByteArray hash =
            QByteArray::fromHex(settings.value(QStringLiteral("hash")).toByteArray());
        if (hash.size() == 32)
            m_hashes.append(hash);
    }
    settings.endArray();
}

QString RemotePairing::labelOf(QByteArrayView userAgent) {
    const QByteArray ua = userAgent.first(std::min<qsizetype>(userAgent.size(), 512)).toByteArray();
    auto has = [&](const char* word) { return ua.contains(word); };
    QString device;
    if (has("iPhone"))
        device = QStringLiteral("iPhone");
    else if (has("iPad"))
        device = QStringLiteral("iPad");
    else if (has("Android"))
        device = has("Mobile") ? QStringLiteral("Android phone") : QStringLiteral("Android tablet");
    else if (has("Windows"))
        device = QStringLiteral("Windows computer");
    else if (has("Macintosh"))
        device = QStringLiteral("Mac");
    else if (has("Linux"))
        device = QStringLiteral("Linux computer");
    else
        device = QStringLiteral("Browser");
    QString browser;
    if (has("Edg/") || has("EdgA/") || has("EdgiOS/"))
        browser = QStringLiteral("Edge");
    else if (has("Firefox/") || has("FxiOS/"))
        browser = QStringLiteral("Firefox");
    else if (has("Chrome/") || has("CriOS/"))
        browser = QStringLiteral("Chrome");
    else if (has("Safari/"))
        browser = QStringLiteral("Safari");
    return browser.isEmpty() ? device : QStringLiteral("%1 (%2)").arg(device, browser);
}

} // namespace lumadesk
