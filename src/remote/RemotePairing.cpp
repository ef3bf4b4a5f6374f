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
const QString kHash = QStringLiteral("hash");
const QString kId = QStringLiteral("phone");
const QString kLabel = QStringLiteral("label");
const QString kPairedAt = QStringLiteral("pairedAt");
const QString kLastSeen = QStringLiteral("lastSeen");
// "Last seen" is kept to the minute.
constexpr qint64 kSeenGrainSeconds = 60;
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
                                          QByteArrayView userAgent, QByteArrayView phone) {
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
    return {Outcome::Paired, remember(userAgent, phone), 0};
}

QByteArray RemotePairing::remember(QByteArrayView userAgent, QByteArrayView phone) {
    std::array<quint32, 4> bits;
    QRandomGenerator::system()->fillRange(bits.data(), bits.size());
    const QByteArray token =
        QByteArray(reinterpret_cast<const char*>(bits.data()), sizeof bits).toHex();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Phone paired{hashOf(token), isPhoneId(phone) ? phone.toByteArray() : QByteArray(),
                 labelOf(userAgent), now, now};
    // The same browser pairing again (its cookie lost or expired): its earlier token is void.
    const auto same = std::find_if(m_phones.begin(), m_phones.end(), [&](const Phone& kept) {
        return !paired.id.isEmpty() && kept.id == paired.id;
    });
    if (same != m_phones.end())
        *same = paired;
    else
        m_phones.append(paired);
    save();
    return token;
}

qsizetype RemotePairing::indexOf(QByteArrayView token) const {
    if (!isHexToken(token))
        return -1;
    const QByteArray hash = hashOf(token);
    qsizetype found = -1;
    for (qsizetype i = 0; i < m_phones.size(); ++i) {
        if (ConstantTimeEqual(hash, m_phones[i].hash))
            found = i;
    }
    return found;
}

bool RemotePairing::isPaired(QByteArrayView token) const {
    return indexOf(token) >= 0;
}

bool RemotePairing::seen(QByteArrayView token) {
    const qsizetype i = indexOf(token);
    if (i < 0)
        return false;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDateTime& last = m_phones[i].lastSeen;
    if (last.isValid() && last <= now && last.secsTo(now) < kSeenGrainSeconds)
        return false;
    last = now;
    save();
    return true;
}

QList<PairedPhone> RemotePairing::phones() const {
    QList<PairedPhone> out;
    for (const Phone& phone : m_phones)
        out.append({phone.label, phone.pairedAt, phone.lastSeen});
    return out;
}

void RemotePairing::forgetAll() {
    m_phones.clear();
    save();
}

void RemotePairing::load() {
    m_phones.clear();
    QSettings settings(kSettingsName, kSettingsName);
    settings.beginGroup(kGroup);
    const int n = settings.beginReadArray(kPhones);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        const QByteArray id = settings.value(kId).toByteArray();
        m_phones.append({QByteArray::fromHex(settings.value(kHash).toByteArray()),
                         isPhoneId(id) ? id : QByteArray(), settings.value(kLabel).toString(),
                         settings.value(kPairedAt).toDateTime(),
                         settings.value(kLastSeen).toDateTime()});
    }
    settings.endArray();
}

void RemotePairing::save() const {
    QSettings settings(kSettingsName, kSettingsName);
    // Only the phones: the window keeps the remote's switch in the same group.
    settings.beginGroup(kGroup);
    settings.remove(kPhones);
    if (!m_phones.isEmpty()) {
        settings.beginWriteArray(kPhones, int(m_phones.size()));
        for (qsizetype i = 0; i < m_phones.size(); ++i) {
            const Phone& phone = m_phones[i];
            settings.setArrayIndex(int(i));
            settings.setValue(kHash, phone.hash.toHex());
            settings.setValue(kLabel, phone.label);
            settings.setValue(kPairedAt, phone.pairedAt);
            if (!phone.id.isEmpty())
                settings.setValue(kId, phone.id);
            if (phone.lastSeen.isValid())
                settings.setValue(kLastSeen, phone.lastSeen);
        }
        settings.endArray();
    }
    settings.endGroup();
    settings.sync();
}

bool RemotePairing::isPhoneId(QByteArrayView id) {
    return isHexToken(id);
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
