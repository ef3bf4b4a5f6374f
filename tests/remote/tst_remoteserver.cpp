#include "actions/OperatorActions.h"
#include "link/FrameTypes.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "platform/WindowMessage.h"
#include "remote/GuardedTcpServer.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"
#include "sim/Simulator.h"
#include "support/PrivateSettings.h"
#include "support/QuickHeads.h"
#include "support/SimulatorWire.h"
#include "support/WorkingDirectory.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>
#include <mutex>
#include <sys/stat.h>

using namespace lumadesk;

namespace {

// The console's core as the main frame holds it; the link drains itself.
class Core : public QObject {
public:
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    OperatorActions actions{model, link.protocol(), {}};
};

// A phone's page on /ws: every message it was sent, and how it was closed.
struct Phone : QObject {
    QWebSocket socket;
    QList<QJsonObject> messages;
    bool closed = false;

    Phone(const QUrl& url, const QByteArray& token, const QString& origin) : socket(origin) {
        connect(&socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
            messages << QJsonDocument::fromJson(text.toUtf8()).object();
        });
        connect(&socket, &QWebSocket::disconnected, this, [this] { closed = true; });
        QNetworkRequest request(url);
        if (!token.isEmpty())
            request.setRawHeader("Cookie", "lumadesk_token=" + token);
        socket.open(request);
    }
    QJsonObject last(const QString& type) const {
        for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
            if (it->value("type").toString() == type)
                return *it;
        }
        return {};
    }
    QJsonObject head(int channel) const {
        for (const QJsonValue& h : last("state").value("heads").toArray()) {
            if (h.toObject().value("channel").toInt() == channel)
                return h.toObject();
        }
        return {};
    }
    void send(const QByteArray& text) { socket.sendTextMessage(QString::fromUtf8(text)); }
};

// Studio A scanned on a simulated dongle (heads CH-01..CH-03), the remote on loopback.
struct Rig {
    WorkingDirectory cwd;
    SimulatorWire wire;
    sim::Simulator radio{config()};
    Core core;
    RemoteServer server{core.model, core.link, core.actions};
    QNetworkAccessManager web;
    qint64 now = 1000;

    sim::SimConfig config() {
        sim::SimConfig c = quickHeads(QStringLiteral("A:1-3"));
        c.log = [this](const QString& line) { wire.note(line); };
        return c;
    }

    bool start() {
        if (!radio.start() || !core.link.open(ComSettings{9600, 8, 0, 0, radio.devicePath()}))
            return false;
        SelectStudio(&core.model, core.model.studios[0].get());
        if (core.link.startScan(nullptr) == nullptr ||
            !QTest::qWaitFor([this] { return core.model.studios[0]->nChItemCnt == 3; }))
            return false;
        server.setClock([this] { return now; });
        return server.start(QHostAddress::LocalHost, 0);
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.port()); }
    QUrl url(const QString& path, const QString& scheme = QStringLiteral("http")) const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(server.port()).arg(path));
    }

    // A finished reply; the caller deletes it.
    QNetworkReply* request(const QString& path, const QByteArray& token = {},
                           const QByteArray& pairBody = {}) {
        QNetworkRequest r(url(path));
        if (!token.isEmpty())
            r.setRawHeader("Cookie", "lumadesk_token=" + token);
        QNetworkReply* reply = nullptr;
        if (pairBody.isNull()) {
            reply = web.get(r);
        } else {
            r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            reply = web.post(r, pairBody);
        }
        [[maybe_unused]] const bool finished =
            QTest::qWaitFor([reply] { return reply->isFinished(); });
        return reply;
    }
    static int status(QNetworkReply* reply) {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
    QByteArray pair(const QString& code) {
        std::unique_ptr<QNetworkReply> reply(
            request("/pair", {}, QJsonDocument(QJsonObject{{"code", code}}).toJson()));
        const QByteArray cookie = reply->rawHeader("Set-Cookie");
        if (status(reply.get()) != 200 || !cookie.startsWith("lumadesk_token="))
            return {};
        return cookie.mid(15, 32);
    }
    std::unique_ptr<Phone> phone(const QByteArray& token) {
        return std::make_unique<Phone>(url("/ws", "ws"), token, origin());
    }
};

class NoCookies : public QNetworkCookieJar {
public:
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// A WebSocket client that answers nothing, not even pings, and can read a close code Qt's own
// client does not know (1013): the code of the console's close frame, -1 for none. whileOpen
// runs once the upgrade was answered.
int closeCodeOfRawUpgrade(quint16 port, const QByteArray& token, const QByteArray& origin,
                          const std::function<void(QTcpSocket&)>& whileOpen = {},
                          const QByteArray& withRequest = {}) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return -1;
    socket.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                 "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                 "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                 "Origin: " +
                 origin + "\r\nCookie: lumadesk_token=" + token + "\r\n\r\n" + withRequest);
    QByteArray got;
    qsizetype header = -1;
    if (!QTest::qWaitFor([&] {
            got += socket.readAll();
            header = got.indexOf("\r\n\r\n");
            return header >= 0;
        }))
        return -1;
    got.remove(0, header + 4);
    if (whileOpen)
        whileOpen(socket);
    int code = -1;
    [[maybe_unused]] const bool closed = QTest::qWaitFor([&] {
        got += socket.readAll();
        while (got.size() >= 2) { // server frames: unmasked, short or 16-bit lengths
            qsizetype length = quint8(got[1]) & 0x7F;
            qsizetype head = 2;
            if (length == 126 && got.size() >= 4) {
                length = (quint8(got[2]) << 8) | quint8(got[3]);
                head = 4;
            }
            if (got.size() < head + length)
                return false;
            if ((quint8(got[0]) & 0x0F) == 0x8) {
                code = length >= 2 ? (quint8(got[head]) << 8) | quint8(got[head + 1]) : -1;
                return true;
            }
            got.remove(0, head + length);
        }
        return false;
    });
    return code;
}

// One request written whole on a new connection, optionally from another loopback address;
// what came back: the whole answer, or all until the console closed or upgraded.
QByteArray rawExchange(quint16 port, const QByteArray& request, const QHostAddress& from = {}) {
    QTcpSocket socket;
    if (!from.isNull())
        socket.bind(from);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray got;
    auto whole = [&got] {
        const qsizetype head = got.indexOf("\r\n\r\n");
        if (head < 0)
            return false;
        const QByteArray lower = got.left(head).toLower();
        const qsizetype field = lower.indexOf("content-length: ");
        const qsizetype end = lower.indexOf("\r\n", field);
        return field < 0 ||
               got.size() >= head + 4 + lower.mid(field + 16, end - field - 16).toLongLong();
    };
    [[maybe_unused]] const bool done = QTest::qWaitFor(
        [&] {
            got += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState || whole();
        },
        20000);
    return got;
}

// The set-up folder and each entry in it: name, size, modification time and inode; "none" when
// there is no folder.
QStringList setupFolder() {
    auto line = [](const QFileInfo& info) {
        struct stat status {};
        const bool known = ::lstat(QFile::encodeName(info.filePath()).constData(), &status) == 0;
        return QStringLiteral("%1 %2 %3 %4")
            .arg(info.fileName())
            .arg(info.size())
            .arg(info.lastModified().toMSecsSinceEpoch())
            .arg(known ? qulonglong(status.st_ino) : 0);
    };
    const QFileInfo folder(QString::fromLatin1(kMemoryFolder));
    if (!folder.exists())
        return {QStringLiteral("none")};
    QStringList out{line(folder)};
    for (const QFileInfo& entry :
         QDir(folder.filePath())
             .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDir::Name))
        out << line(entry);
    return out;
}

// The connections the console holds, as it sees them.
QList<QTcpSocket*> heldConnections(RemoteServer& server) {
    return server.findChildren<QTcpSocket*>();
}

GuardedTcpServer* listener(RemoteServer& server) {
    return server.findChild<GuardedTcpServer*>();
}

} // namespace

class RemoteServerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void init() { QSettings().remove("remote"); }

    void pairingWithTheShownCodeOpensTheRemotePage();
    void wrongCodesLockTheAddressOutForAMinute();
    void aBrowserPairingAgainReplacesItsOwnTokenAndItsCookieLastsAMonth();
    void withoutATokenNothingButThePairingPageIsServed();
    void aConnectionHoardingBytesOrSlotsIsCut();
    void aPeerThatDoesNotReadIsHeld_data();
    void aPeerThatDoesNotReadIsHeld();
    void strangersFillingEverySlotLeaveRoomForAPairedPhone();
    void aRefusalIsAnsweredBeforeAnyUpgrade_data();
    void aRefusalIsAnsweredBeforeAnyUpgrade();
    void aForeignOriginIsClosedBeforeAnyState();
    void aBadMessageIsAnsweredWithAnErrorAndChangesNothing_data();
    void aBadMessageIsAnsweredWithAnErrorAndChangesNothing();
    void aPhoneStepReachesTheHeadAsItsFrame();
    void aPhoneSendsAgainWhatTheClosedPortDropped();
    void aPhoneChangeTheRadioCannotTakeIsRefused();
    void changesBeyondFiftyASecondAreRefusedToThatPhone();
    void aReportReachesEveryConnectedPhone();
    void aSeventeenthPhoneIsToldToTryLater();
    void aPhoneSilentForTenMinutesIsClosed();
    void anUnmaskedFrameClosesTheSocketWithAProtocolError();
    void aPhoneConnectedForTenSecondsLeavesTheSetupFolderAlone_data();
    void aPhoneConnectedForTenSecondsLeavesTheSetupFolderAlone();
};

void RemoteServerTest::pairingWithTheShownCodeOpensTheRemotePage() {
    Rig rig;
    QVERIFY(rig.start());
    QCOMPARE(rig.server.pairingCode().size(), 6);
    QCOMPARE(rig.server.pageAddresses(), QList<QUrl>{rig.url("/")});

    std::unique_ptr<QNetworkReply> page(rig.request("/"));
    QCOMPARE(Rig::status(page.get()), 200);
    QVERIFY(page->readAll().contains("/pair.js"));
    QVERIFY(page->rawHeader("Content-Security-Policy").startsWith("default-src 'self'"));
    QCOMPARE(page->rawHeader("X-Content-Type-Options"), "nosniff");
    QCOMPARE(page->rawHeader("Cache-Control"), "no-store");
    QCOMPARE(page->rawHeader("Referrer-Policy"), "no-referrer");

    std::unique_ptr<QNetworkReply> paired(rig.request(
        "/pair", {}, QJsonDocument(QJsonObject{{"code", rig.server.pairingCode()}}).toJson()));
    QCOMPARE(Rig::status(paired.get()), 200);
    const QByteArray cookie = paired->rawHeader("Set-Cookie");
    QVERIFY2(cookie.endsWith("; HttpOnly; SameSite=Strict; Path=/"), cookie.constData());
    const QByteArray token = cookie.mid(15, 32);
    QCOMPARE(rig.server.pairedPhones().size(), 1);

    std::unique_ptr<QNetworkReply> remote(rig.request("/", token));
    QVERIFY(remote->readAll().contains("/remote.js"));
    std::unique_ptr<QNetworkReply> script(rig.request("/remote.js", token));
    QCOMPARE(Rig::status(script.get()), 200);
    QCOMPARE(script->rawHeader("Content-Type"), "text/javascript; charset=utf-8");

    // A restarted console still knows the phone; one that forgot all does not. Either way an
    // open page is closed.
    std::unique_ptr<Phone> open = rig.phone(token);
    QTRY_COMPARE(rig.server.clientCount(), 1);
    rig.server.stop();
    QTRY_VERIFY(open->closed);
    QCOMPARE(open->socket.closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
    QVERIFY(rig.server.start(QHostAddress::LocalHost, 0));
    std::unique_ptr<QNetworkReply> again(rig.request("/remote.js", token));
    QCOMPARE(Rig::status(again.get()), 200);
    open = rig.phone(token);
    QTRY_COMPARE(rig.server.clientCount(), 1);
    rig.server.forgetAll();
    QTRY_VERIFY(open->closed);
    QCOMPARE(open->socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    std::unique_ptr<QNetworkReply> forgotten(rig.request("/remote.js", token));
    QCOMPARE(Rig::status(forgotten.get()), 401);
    QVERIFY(rig.server.pairedPhones().isEmpty());
}

void RemoteServerTest::wrongCodesLockTheAddressOutForAMinute() {
    Rig rig;
    QVERIFY(rig.start());
    const QString right = rig.server.pairingCode();
    const QString wrong = right == "000000" ? "000001" : "000000";
    auto post = [&](const QString& code) {
        std::unique_ptr<QNetworkReply> reply(
            rig.request("/pair", {}, QJsonDocument(QJsonObject{{"code", code}}).toJson()));
        return std::pair(Rig::status(reply.get()), reply->rawHeader("Retry-After"));
    };
    for (int i = 0; i < RemoteServer::kWrongCodesBeforeLockout; ++i)
        QCOMPARE(post(wrong).first, 403);
    QCOMPARE(post(right), std::pair(429, QByteArray("60")));
    rig.now += 59 * 1000;
    QCOMPARE(post(right), std::pair(429, QByteArray("1")));
    rig.now += 1000;
    QCOMPARE(post(right).first, 200);

    // Guesses spread over many addresses lock everyone out as well.
    qint64 now = 0;
    RemotePairing pairing([&now] { return now; });
    const QByteArray code = pairing.newCode().toLatin1();
    const QByteArray guess = code == "000000" ? "000001" : "000000";
    for (int i = 0; i < RemotePairing::kMaxWrongCodesEverywhere; ++i) {
        const QHostAddress from(QStringLiteral("192.168.1.%1").arg(10 + i));
        QCOMPARE(pairing.pair(from, guess, {}).outcome, RemotePairing::Outcome::WrongCode);
    }
    // Every address that guessed is then locked out, even with the right code; one that has
    // not gets one try, so a new phone still pairs.
    const QHostAddress guesser(QStringLiteral("192.168.1.10"));
    QCOMPARE(pairing.pair(guesser, code, {}).outcome, RemotePairing::Outcome::Locked);
    const QHostAddress fresh(QStringLiteral("192.168.1.200"));
    QCOMPARE(pairing.pair(fresh, code, "iPhone Safari/604.1").outcome,
             RemotePairing::Outcome::Paired);
    const QHostAddress late(QStringLiteral("192.168.1.201"));
    QCOMPARE(pairing.pair(late, guess, {}).outcome, RemotePairing::Outcome::WrongCode);
    QCOMPARE(pairing.pair(late, code, {}).outcome, RemotePairing::Outcome::Locked);
    now += RemoteServer::kLockoutSeconds * 1000;
    QCOMPARE(pairing.pair(guesser, code, {}).outcome, RemotePairing::Outcome::Paired);
}

// The cookie lasts 30 days and each visit renews it; a browser that pairs again with its own id
// replaces its earlier token, so it is listed once; phones kept before ids (none stored) still
// work and stay listed; an id that is not 32 hex digits is a bad request.
void RemoteServerTest::aBrowserPairingAgainReplacesItsOwnTokenAndItsCookieLastsAMonth() {
    const QByteArray old = "00112233445566778899aabbccddeeff";
    {
        QSettings settings("LumaDesk", "LumaDesk");
        settings.remove("remote/phones");
        settings.beginWriteArray("remote/phones");
        settings.setArrayIndex(0);
        settings.setValue("hash",
                          QCryptographicHash::hash(old, QCryptographicHash::Sha256).toHex());
        settings.setValue("label", "iPhone (Safari)");
        settings.setValue("pairedAt", QDateTime(QDate(2026, 1, 2), QTime(3, 4), QTimeZone::utc()));
        settings.endArray();
    }
    Rig rig;
    QVERIFY(rig.start());
    rig.web.setCookieJar(new NoCookies); // each request carries the token it is given
    const QString code = rig.server.pairingCode();
    auto pair = [&](const QJsonObject& body) {
        std::unique_ptr<QNetworkReply> reply(
            rig.request("/pair", {}, QJsonDocument(body).toJson()));
        return std::pair(Rig::status(reply.get()), reply->rawHeader("Set-Cookie"));
    };
    const QString id = "0123456789abcdef0123456789abcdef";
    const auto [status, cookie] = pair({{"code", code}, {"phone", id}});
    QCOMPARE(status, 200);
    QVERIFY2(cookie.contains("; Max-Age=2592000;"), cookie.constData());
    const QByteArray first = cookie.mid(15, 32);
    std::unique_ptr<QNetworkReply> visit(rig.request("/", first));
    QCOMPARE(visit->rawHeader("Set-Cookie"), cookie);

    const QByteArray second = pair({{"code", code}, {"phone", id}}).second.mid(15, 32);
    QVERIFY(!second.isEmpty() && second != first);
    std::unique_ptr<QNetworkReply> stale(rig.request("/remote.js", first));
    QCOMPARE(Rig::status(stale.get()), 401);
    for (const QByteArray& token : {second, old}) {
        std::unique_ptr<QNetworkReply> fresh(rig.request("/remote.js", token));
        QCOMPARE(Rig::status(fresh.get()), 200);
    }
    QList<PairedPhone> phones = rig.server.pairedPhones();
    QCOMPARE(phones.size(), 2);
    QCOMPARE(phones[0].label, "iPhone (Safari)");
    QVERIFY(!phones[0].lastSeen.isValid());
    QVERIFY(phones[1].lastSeen.isValid());

    // Another browser, and one without an id, are phones of their own.
    QCOMPARE(pair({{"code", code}, {"phone", QString(32, 'e')}}).first, 200);
    QCOMPARE(pair({{"code", code}}).first, 200);
    for (const QJsonValue& bad : {QJsonValue(QString(32, 'E')), QJsonValue(QString(31, 'e')),
                                  QJsonValue(12), QJsonValue(QJsonValue::Null)})
        QCOMPARE(pair({{"code", code}, {"phone", bad}}).first, 400);
    QCOMPARE(rig.server.pairedPhones().size(), 4);
}

void RemoteServerTest::withoutATokenNothingButThePairingPageIsServed() {
    Rig rig;
    QVERIFY(rig.start());
    for (const char* path : {"/remote.js", "/ws", "/remote.html", "/anything"}) {
        std::unique_ptr<QNetworkReply> reply(rig.request(path, "0123456789abcdef0123456789abcdef"));
        QCOMPARE(Rig::status(reply.get()), 401);
    }
    for (const QByteArray& token : {QByteArray(), QByteArray("0123456789abcdef0123456789abcdef")}) {
        Phone phone(rig.url("/ws", "ws"), token, rig.origin());
        QTRY_VERIFY(phone.closed);
        QVERIFY(phone.messages.isEmpty());
    }
    QCOMPARE(rig.server.clientCount(), 0);
}

void RemoteServerTest::aConnectionHoardingBytesOrSlotsIsCut() {
    Rig rig;
    QVERIFY(rig.start());
    // A body announced huge and sent on and on: cut once 64 KiB wait unanswered.
    QTcpSocket hoarder;
    hoarder.connectToHost(QHostAddress::LocalHost, rig.server.port());
    QVERIFY(hoarder.waitForConnected(5000));
    hoarder.write("POST /pair HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n");
    const QByteArray chunk(16 * 1024, '{');
    for (int i = 0; i < 8 && hoarder.state() == QAbstractSocket::ConnectedState; ++i) {
        hoarder.write(chunk);
        hoarder.waitForBytesWritten(1000);
    }
    QTRY_COMPARE(hoarder.state(), QAbstractSocket::UnconnectedState);

    // Connections that never send: one address holds eight; the others are closed, whether at
    // once or after their trial for a reserved slot.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    const QHostAddress from(QStringLiteral("127.0.0.2"));
    for (int i = 0; i < GuardedTcpServer::kMaxPerAddress + 6; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->bind(from);
        idle.back()->connectToHost(QHostAddress::LocalHost, rig.server.port());
        QVERIFY(idle.back()->waitForConnected(5000));
    }
    for (size_t i = GuardedTcpServer::kMaxPerAddress; i < idle.size(); ++i)
        QTRY_COMPARE_WITH_TIMEOUT(idle[i]->state(), QAbstractSocket::UnconnectedState, 30000);
    for (int i = 0; i < GuardedTcpServer::kMaxPerAddress; ++i)
        QCOMPARE(idle[i]->state(), QAbstractSocket::ConnectedState);
}

void RemoteServerTest::aPeerThatDoesNotReadIsHeld_data() {
    QTest::addColumn<bool>("readsLate");
    QTest::newRow("never reads: cut") << false;
    QTest::newRow("reads late: served on") << true;
}

void RemoteServerTest::aPeerThatDoesNotReadIsHeld() {
    QFETCH(bool, readsLate);
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray host = rig.origin().mid(7).toLatin1();
    const QByteArray request = "GET /style.css HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
    std::unique_ptr<QNetworkReply> sample(rig.request("/style.css"));
    const qint64 oneAnswer = sample->readAll().size() + 1024; // and its head
    rig.web.clearConnectionCache();

    QTcpSocket greedy;
    greedy.setReadBufferSize(4096); // leaves the rest in the kernel, whose window then closes
    greedy.connectToHost(QHostAddress::LocalHost, rig.server.port());
    QVERIFY(greedy.waitForConnected(5000));
    qint64 most = 0;
    auto pipeline = [&] {
        if (greedy.state() == QAbstractSocket::ConnectedState && greedy.bytesToWrite() == 0)
            greedy.write(request);
        for (QTcpSocket* held : heldConnections(rig.server))
            most = std::max(most, held->bytesToWrite());
        return greedy.state() == QAbstractSocket::UnconnectedState ||
               (readsLate && most > GuardedTcpServer::kMaxUnsentBytes);
    };
    // Held once its answers pass the bound; cut when that lasts.
    QVERIFY(QTest::qWaitFor(pipeline, 60000));
    QVERIFY2(most > GuardedTcpServer::kMaxUnsentBytes, QByteArray::number(most));
    QVERIFY2(most <= GuardedTcpServer::kMaxUnsentBytes + oneAnswer, QByteArray::number(most));
    if (!readsLate) {
        QTRY_COMPARE(listener(rig.server)->connectionCount(), 0);
        std::unique_ptr<QNetworkReply> after(rig.request("/style.css"));
        QCOMPARE(Rig::status(after.get()), 200); // others are served on
        return;
    }
    // Reading in time lets it go on: what it asked since is answered, and a new request too.
    greedy.setReadBufferSize(0);
    greedy.write("GET /pair.js HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += greedy.readAll()).contains("text/javascript"), 30000);
    QCOMPARE(greedy.state(), QAbstractSocket::ConnectedState);
}

void RemoteServerTest::strangersFillingEverySlotLeaveRoomForAPairedPhone() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray token = rig.pair(rig.server.pairingCode());
    QVERIFY(!token.isEmpty());
    rig.web.clearConnectionCache();
    QTRY_COMPARE(listener(rig.server)->connectionCount(), 0);

    // Six hosts hold eight connections each: every stranger's slot.
    std::vector<std::unique_ptr<QTcpSocket>> strangers;
    for (int host = 2; host < 8; ++host) {
        for (int i = 0; i < GuardedTcpServer::kMaxPerAddress; ++i) {
            strangers.push_back(std::make_unique<QTcpSocket>());
            strangers.back()->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(host)));
            strangers.back()->connectToHost(QHostAddress::LocalHost, rig.server.port());
            QVERIFY(strangers.back()->waitForConnected(5000));
        }
    }
    QTRY_COMPARE(listener(rig.server)->connectionCount(), GuardedTcpServer::kMaxConnections);

    // One more stranger is closed unanswered; the paired phone is served and its page opens.
    const QByteArray page = "GET / HTTP/1.1\r\nHost: " + rig.origin().mid(7).toLatin1();
    QCOMPARE(rawExchange(rig.server.port(), page + "\r\n\r\n",
                         QHostAddress(QStringLiteral("127.0.0.9"))),
             QByteArray());
    const QByteArray served =
        rawExchange(rig.server.port(), page + "\r\nCookie: lumadesk_token=" + token + "\r\n\r\n");
    QVERIFY2(served.startsWith("HTTP/1.1 200"), served.left(200).constData());
    std::unique_ptr<Phone> phone = rig.phone(token);
    QTRY_COMPARE(phone->messages.size(), 1);
    for (const auto& stranger : strangers)
        QCOMPARE(stranger->state(), QAbstractSocket::ConnectedState);
}

void RemoteServerTest::aRefusalIsAnsweredBeforeAnyUpgrade_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("host"); // %1: the port
    QTest::addColumn<QByteArray>("origin");
    QTest::addColumn<bool>("paired");
    QTest::addColumn<bool>("upgrade");
    QTest::addColumn<int>("status");
    const QByteArray own = "127.0.0.1:%1";
    const QByteArray ownOrigin = "http://127.0.0.1:%1";
    QTest::newRow("socket") << QByteArray("/ws") << own << ownOrigin << true << true << 101;
    QTest::newRow("socket without a token")
        << QByteArray("/ws") << own << ownOrigin << false << true << 401;
    QTest::newRow("socket from a foreign page")
        << QByteArray("/ws") << own << QByteArray("http://studio-lights.example") << true << true
        << 403;
    QTest::newRow("socket elsewhere")
        << QByteArray("/wss") << own << ownOrigin << true << true << 404;
    QTest::newRow("socket by a rebound name")
        << QByteArray("/ws") << QByteArray("lights.example:%1")
        << QByteArray("http://lights.example:%1") << true << true << 403;
    QTest::newRow("socket by localhost")
        << QByteArray("/ws") << QByteArray("localhost:%1") << QByteArray("http://localhost:%1")
        << true << true << 101;
    QTest::newRow("page by IPv6 loopback")
        << QByteArray("/") << QByteArray("[::1]:%1") << QByteArray() << false << false << 200;
    QTest::newRow("page by a listed name") << QByteArray("/") << QByteArray("Studio-Desk.lan:%1")
                                           << QByteArray() << false << false << 200;
    QTest::newRow("page by a rebound name") << QByteArray("/") << QByteArray("lights.example:%1")
                                            << QByteArray() << false << false << 403;
    QTest::newRow("pairing by a rebound name")
        << QByteArray("/pair") << QByteArray("lights.example:%1") << QByteArray() << false << false
        << 403;
    QTest::newRow("script by a rebound name")
        << QByteArray("/remote.js") << QByteArray("lights.example:%1") << QByteArray() << true
        << false << 403;
    QTest::newRow("another port") << QByteArray("/") << QByteArray("127.0.0.1:1") << QByteArray()
                                  << false << false << 403;
    QTest::newRow("no port") << QByteArray("/") << QByteArray("127.0.0.1") << QByteArray() << false
                             << false << 403;
    QTest::newRow("short address")
        << QByteArray("/") << QByteArray("127.1:%1") << QByteArray() << false << false << 403;
    QTest::newRow("address inside a name")
        << QByteArray("/") << QByteArray("127.0.0.1.lights.example:%1") << QByteArray() << false
        << false << 403;
    QTest::newRow("no host") << QByteArray("/") << QByteArray() << QByteArray() << false << false
                             << 403;
}

void RemoteServerTest::aRefusalIsAnsweredBeforeAnyUpgrade() {
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, origin);
    QFETCH(bool, paired);
    QFETCH(bool, upgrade);
    QFETCH(int, status);
    QSettings("LumaDesk", "LumaDesk").setValue("remote/hostNames", QStringList{"studio-desk.lan"});
    Rig rig;
    const bool started = rig.start();
    QSettings("LumaDesk", "LumaDesk").remove("remote/hostNames");
    QVERIFY(started);
    const QByteArray port = QByteArray::number(rig.server.port());
    const QByteArray token = paired ? rig.pair(rig.server.pairingCode()) : QByteArray();
    QVERIFY(!paired || !token.isEmpty());
    QByteArray request = (path == "/pair" ? "POST " : "GET ") + path + " HTTP/1.1\r\n";
    if (!host.isEmpty())
        request += "Host: " + QByteArray(host).replace("%1", port) + "\r\n";
    if (!origin.isEmpty())
        request += "Origin: " + QByteArray(origin).replace("%1", port) + "\r\n";
    if (paired)
        request += "Cookie: lumadesk_token=" + token + "\r\n";
    if (upgrade)
        request += "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
    if (path == "/pair")
        request += "Content-Type: application/json\r\nContent-Length: 18\r\n\r\n{\"code\": \"" +
                   rig.server.pairingCode().toLatin1() + "\"}";
    else
        request += "\r\n";
    const QByteArray got = rawExchange(rig.server.port(), request);
    QVERIFY2(got.startsWith("HTTP/1.1 " + QByteArray::number(status)), got.left(200).constData());
    if (status >= 400) {
        QVERIFY(!got.contains("101 Switching"));
        QVERIFY(!got.contains("Set-Cookie"));
        QCOMPARE(rig.server.clientCount(), 0);
    }
}

void RemoteServerTest::aForeignOriginIsClosedBeforeAnyState() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray token = rig.pair(rig.server.pairingCode());
    QVERIFY(!token.isEmpty());
    Phone phone(rig.url("/ws", "ws"), token, "http://studio-lights.example");
    QTRY_VERIFY(phone.closed);
    QVERIFY(phone.messages.isEmpty());
    QCOMPARE(rig.server.clientCount(), 0);
    // The same token from the page's own origin is let in.
    std::unique_ptr<Phone> own = rig.phone(token);
    QTRY_COMPARE(own->last("state").value("heads").toArray().size(), 3);
}

void RemoteServerTest::aBadMessageIsAnsweredWithAnErrorAndChangesNothing_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QJsonValue>("id");
    const QByteArray step = R"("op":"step","channel":0,"value":"flash")";
    QTest::newRow("too long") << QByteArray(R"({"id":7,)" + step + R"(,"by":1,"x":")" +
                                            QByteArray(4100, 'a') + "\"}")
                              << QJsonValue();
    QTest::newRow("not JSON") << QByteArray("step CH-01 up") << QJsonValue();
    QTest::newRow("an array") << QByteArray(R"([{"id":7}])") << QJsonValue();
    QTest::newRow("no id") << QByteArray("{" + step + R"(,"by":1})") << QJsonValue();
    QTest::newRow("id below 0") << QByteArray(R"({"id":-1,)" + step + R"(,"by":1})")
                                << QJsonValue();
    QTest::newRow("unknown key") << QByteArray(R"({"id":7,)" + step + R"(,"by":1,"why":1})")
                                 << QJsonValue(7);
    QTest::newRow("missing by") << QByteArray(R"({"id":7,)" + step + "}") << QJsonValue(7);
    QTest::newRow("by 2") << QByteArray(R"({"id":7,)" + step + R"(,"by":2})") << QJsonValue(7);
    QTest::newRow("channel as text")
        << QByteArray(R"({"id":7,"op":"test","channel":"0"})") << QJsonValue(7);
    QTest::newRow("channel 10") << QByteArray(R"({"id":7,"op":"test","channel":10})")
                                << QJsonValue(7);
    QTest::newRow("channel 0.5") << QByteArray(R"({"id":7,"op":"test","channel":0.5})")
                                 << QJsonValue(7);
    QTest::newRow("no head there")
        << QByteArray(R"({"id":7,"op":"test","channel":5})") << QJsonValue(7);
    QTest::newRow("switch on as text")
        << QByteArray(R"({"id":7,"op":"switch","channel":0,"setting":"flashPower","on":"no"})")
        << QJsonValue(7);
    QTest::newRow("offset by 0") << QByteArray(R"({"id":7,"op":"offset","value":"flash","by":0})")
                                 << QJsonValue(7);
    QTest::newRow("load outside the folder")
        << QByteArray(R"({"id":7,"op":"load","name":".."})") << QJsonValue(7);
    QTest::newRow("unknown op") << QByteArray(R"({"id":7,"op":"scan"})") << QJsonValue(7);
}

void RemoteServerTest::aBadMessageIsAnsweredWithAnErrorAndChangesNothing() {
    QFETCH(QByteArray, message);
    QFETCH(QJsonValue, id);
    Rig rig;
    QVERIFY(rig.start());
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->messages.size(), 1);
    const QStringList before = rig.wire.commands();

    phone->send(message);
    QTRY_COMPARE(phone->messages.size(), 2);
    QCOMPARE(phone->messages[1].value("type"), "error");
    QCOMPARE(phone->messages[1].value("id"), id);
    QVERIFY(!phone->messages[1].value("error").toString().isEmpty());

    // A test flash after it: once it is on the wire, nothing else went before it.
    phone->send(R"({"id":8,"op":"test","channel":2})");
    QTRY_COMPARE(rig.wire.commands().size(), before.size() + 1);
    QVERIFY2(rig.wire.commands().constLast().contains("test"),
             qPrintable(rig.wire.commands().constLast()));
    QTRY_COMPARE(phone->last("ok").value("id"), 8);
    QCOMPARE(rig.core.model.studios[0]->UnitOn(0)->nFlashValue, 50);
}

void RemoteServerTest::aPhoneStepReachesTheHeadAsItsFrame() {
    Rig rig;
    QVERIFY(rig.start());
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->head(0).value("flash").toObject().value("level"), 50);
    const qsizetype sent = rig.wire.commands().size();

    phone->send(R"({"id":41,"op":"step","channel":0,"value":"flash","by":1})");
    QTRY_COMPARE(phone->last("ok").value("id"), 41);
    QTRY_COMPARE(rig.wire.commands().size(), sent + 1);
    QCOMPARE(rig.wire.commands().constLast(),
             "FF 07 13 00 01 33 32  flash level CH-01: P1 51 P2 50");
    QTRY_COMPARE(rig.radio.heads().constFirst().settings.flashLevel, quint8(51));
    // The phone saw it sent, then confirmed by the head's echo.
    QTRY_COMPARE(phone->head(0).value("flash").toObject(),
                 (QJsonObject{{"level", 51}, {"text", "5.1"}, {"state", "confirmed"}}));
}

void RemoteServerTest::aPhoneSendsAgainWhatTheClosedPortDropped() {
    Rig rig;
    QVERIFY(rig.start());
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->last("state").value("unsent"), "");
    rig.core.link.close();
    phone->send(R"({"id":51,"op":"step","channel":0,"value":"flash","by":1})");
    QTRY_COMPARE(phone->head(0).value("flash").toObject().value("state"), "unsent");
    QCOMPARE(phone->last("state").value("unsent"), "not sent: CH-01 flash 5.1, model 5.0");
    phone->send(R"({"id":52,"op":"sendAgain"})");
    QTRY_COMPARE(phone->last("error").value("error"), "the link is down");

    // Open again: the heads' reports settle the model level they hold already.
    QVERIFY(rig.core.link.open(ComSettings{9600, 8, 0, 0, rig.radio.devicePath()}));
    QTRY_COMPARE(phone->last("state").value("unsent"), "not sent: CH-01 flash 5.1");
    phone->send(R"({"id":53,"op":"sendAgain"})");
    QTRY_COMPARE(phone->last("ok").value("id"), 53);
    QTRY_COMPARE(rig.radio.heads().constFirst().settings.flashLevel, quint8(51));
    QTRY_COMPARE(phone->head(0).value("flash").toObject().value("state"), "confirmed");
    QCOMPARE(phone->last("state").value("unsent"), "");
}

// A dongle that takes nothing fills the console's queue: the phone's change is answered with
// the refusal and the head keeps its value.
void RemoteServerTest::aPhoneChangeTheRadioCannotTakeIsRefused() {
    Rig rig; // its simulator stays off: a held pseudo-terminal plays the dongle
    PseudoTerminal dongle;
    QVERIFY(dongle.open(true));
    QVERIFY(rig.core.link.open(ComSettings{115200, 8, 0, 0, dongle.devicePath()}));
    StudioData* studio = rig.core.model.studios[0].get();
    SelectStudio(&rig.core.model, studio);
    StrobeData* unit = PlaceStrobe(&rig.core.model, 0, 0, std::make_unique<StrobeData>());
    rig.core.model.pScanStudio = studio;
    QVERIFY(rig.server.start(QHostAddress::LocalHost, 0));
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->messages.size(), 1);

    QVERIFY(dongle.holdOutput(true));
    const QByteArray otherHead = QByteArray::fromHex("ff071700020002");
    CCommThread& port = rig.core.link.port();
    // Filled to the last frame: the writer takes at most one before the held line stops it.
    for (int n = 0; n <= WriteQueue::kMaxFrames + 1; ++n) {
        if (port.WriteComm(7, reinterpret_cast<const std::uint8_t*>(otherHead.data())) < 0)
            break;
    }
    const int power = unit->bFlashPow;
    phone->send(
        QStringLiteral(R"({"id":43,"op":"switch","channel":0,"setting":"flashPower","on":%1})")
            .arg(power != 0 ? "false" : "true")
            .toUtf8());
    QTRY_COMPARE(phone->last("error").value("id"), 43);
    QCOMPARE(phone->last("error").value("error"), "The radio is not taking commands");
    QCOMPARE(unit->bFlashPow, power);
    QVERIFY(dongle.holdOutput(false));
}

void RemoteServerTest::changesBeyondFiftyASecondAreRefusedToThatPhone() {
    Rig rig;
    QVERIFY(rig.start());
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->messages.size(), 1);
    const qsizetype sent = rig.wire.commands().size();

    // Sixty test flashes within one instant of the console's clock: fifty go out.
    for (int id = 0; id < 60; ++id)
        phone->send(R"({"id":)" + QByteArray::number(id) + R"(,"op":"test","channel":2})");
    QTRY_COMPARE(phone->messages.size(), 61);
    QList<int> refused;
    for (const QJsonObject& message : phone->messages) {
        if (message.value("type") == "error") {
            refused << message.value("id").toInt();
            QCOMPARE(message.value("error").toString(),
                     "too many changes, at most 50 a second: not sent");
        }
    }
    QCOMPARE(refused, QList<int>({50, 51, 52, 53, 54, 55, 56, 57, 58, 59}));

    // A second later it may again; on the wire, nothing of the refused ones came before it.
    rig.now += 1000;
    phone->send(R"({"id":100,"op":"step","channel":0,"value":"flash","by":1})");
    QTRY_COMPARE(phone->last("ok").value("id"), 100);
    QTRY_COMPARE(rig.wire.commands().size(), sent + 51);
    QVERIFY2(rig.wire.commands().constLast().contains("flash level CH-01"),
             qPrintable(rig.wire.commands().constLast()));
}

void RemoteServerTest::aReportReachesEveryConnectedPhone() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray token = rig.pair(rig.server.pairingCode());
    std::vector<std::unique_ptr<Phone>> phones;
    for (int i = 0; i < 3; ++i)
        phones.push_back(rig.phone(token));
    for (const auto& phone : phones)
        QTRY_COMPARE(phone->messages.size(), 1);

    // The desk's own frame, sent past the actions: only the head's echo tells the remote.
    StrobeData* unit = rig.core.model.studios[0]->UnitOn(1);
    unit->bFlashPow = 0;
    rig.core.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_POWER);
    for (const auto& phone : phones) {
        QTRY_COMPARE(phone->head(1).value("flashPower").toObject(),
                     (QJsonObject{{"on", false}, {"state", "confirmed"}}));
    }
}

void RemoteServerTest::aSeventeenthPhoneIsToldToTryLater() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray token = rig.pair(rig.server.pairingCode());
    // One at a time: a single address opening sixteen at once would be a stranger's flood.
    std::vector<std::unique_ptr<Phone>> phones;
    for (int i = 0; i < RemoteServer::kMaxClients; ++i) {
        phones.push_back(rig.phone(token));
        QTRY_COMPARE(rig.server.clientCount(), i + 1);
    }
    QCOMPARE(closeCodeOfRawUpgrade(rig.server.port(), token, rig.origin().toLatin1()), 1013);
    QCOMPARE(rig.server.clientCount(), RemoteServer::kMaxClients);

    // One leaves: there is room again.
    phones.front()->socket.close();
    QTRY_COMPARE(rig.server.clientCount(), RemoteServer::kMaxClients - 1);
    std::unique_ptr<Phone> late = rig.phone(token);
    QTRY_COMPARE(late->messages.size(), 1);
    for (const auto& phone : phones)
        QVERIFY(!phone->messages.isEmpty());
}

void RemoteServerTest::aPhoneSilentForTenMinutesIsClosed() {
    Rig rig;
    QVERIFY(rig.start());
    rig.server.setPingInterval(20);
    const QByteArray token = rig.pair(rig.server.pairingCode());
    const int code =
        closeCodeOfRawUpgrade(rig.server.port(), token, rig.origin().toLatin1(), [&](QTcpSocket&) {
            if (QTest::qWaitFor([&] { return rig.server.clientCount() == 1; }))
                rig.now += 10 * 60 * 1000; // no pong, no message since it opened
        });
    QCOMPARE(code, int(QWebSocketProtocol::CloseCodeGoingAway));
    QTRY_COMPARE(rig.server.clientCount(), 0);
}

void RemoteServerTest::anUnmaskedFrameClosesTheSocketWithAProtocolError() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray token = rig.pair(rig.server.pairingCode());
    const qsizetype sent = rig.wire.commands().size();
    const QByteArray test = R"({"id":1,"op":"test","channel":2})";
    const QByteArray mask("\x11\x22\x33\x44", 4);
    QByteArray masked = test;
    for (qsizetype i = 0; i < masked.size(); ++i)
        masked[i] = char(masked[i] ^ mask[i % 4]);
    const QByteArray frame = "\x81" + QByteArray(1, char(0x80 | masked.size())) + mask + masked;
    const int code = closeCodeOfRawUpgrade(
        rig.server.port(), token, rig.origin().toLatin1(), [&](QTcpSocket& socket) {
            // A masked test flash in pieces, split inside its header and its payload, goes out
            // ...
            for (const QByteArray& piece : {frame.left(3), frame.mid(3, 10), frame.mid(13)}) {
                socket.write(piece);
                socket.flush();
                QCoreApplication::processEvents(); // the console may well read it alone
            }
            if (!QTest::qWaitFor([&] { return rig.wire.commands().size() > sent; }))
                return;
            // ... the same unmasked does not.
            socket.write("\x81" + QByteArray(1, char(test.size())) + test);
        });
    QCOMPARE(code, int(QWebSocketProtocol::CloseCodeProtocolError));
    QCOMPARE(rig.wire.commands().size(), sent + 1);
    QTRY_COMPARE(rig.server.clientCount(), 0);

    // A frame sent with the request, before the console answered it, is not read either.
    QCOMPARE(closeCodeOfRawUpgrade(rig.server.port(), token, rig.origin().toLatin1(), {}, frame),
             int(QWebSocketProtocol::CloseCodeProtocolError));
    QCOMPARE(rig.wire.commands().size(), sent + 1);
}

void RemoteServerTest::aPhoneConnectedForTenSecondsLeavesTheSetupFolderAlone_data() {
    QTest::addColumn<bool>("folder");
    QTest::newRow("no folder") << false;
    // A leftover of a killed save, old enough that the panel's list would remove it.
    QTest::newRow("a set-up and a leftover") << true;
}

void RemoteServerTest::aPhoneConnectedForTenSecondsLeavesTheSetupFolderAlone() {
    QFETCH(bool, folder);
    Rig rig;
    if (folder) {
        QVERIFY(QDir().mkdir(kMemoryFolder));
        for (const QString& name :
             {QStringLiteral("evening.xml"), QStringLiteral(".evening.xml.lumadesk-Ab12Cd")}) {
            QFile file(QStringLiteral("%1/%2").arg(kMemoryFolder, name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                     QFileDevice::FileModificationTime));
        }
    }
    QVERIFY(rig.start());
    const QStringList before = setupFolder();
    std::unique_ptr<Phone> phone = rig.phone(rig.pair(rig.server.pairingCode()));
    QTRY_COMPARE(phone->messages.size(), 1);
    QCOMPARE(phone->last("state").value("setups").toArray(),
             folder ? QJsonArray{"evening"} : QJsonArray{});

    QElapsedTimer connected;
    connected.start();
    QTRY_VERIFY_WITH_TIMEOUT(connected.elapsed() >= 10000 && rig.server.clientCount() == 1, 30000);
    QCOMPARE(setupFolder(), before);
}

QTEST_GUILESS_MAIN(RemoteServerTest)
#include "tst_remoteserver.moc"
