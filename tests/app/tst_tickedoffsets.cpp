#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/PhoneRemote.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "remote/RemoteServer.h"
#include "support/PrivateSettings.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QWebSocket>
#include <QtTest>

using namespace lumadesk;

class TickedOffsetsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void deskAndPhoneOffsetsMoveTheHeadsWhoseBoxesShowTicked();
};

namespace {

// A paired phone's socket; answers counts the "ok" answers it was sent.
struct Phone : QObject {
    QWebSocket socket;
    int answers = 0;

    Phone(RemoteServer& server, QNetworkAccessManager& web) {
        const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        QNetworkRequest pair(QUrl(origin + "/pair"));
        pair.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        std::unique_ptr<QNetworkReply> reply(
            web.post(pair, "{\"code\": \"" + server.pairingCode().toLatin1() + "\"}"));
        if (!QTest::qWaitFor([&reply] { return reply->isFinished(); }))
            return;
        connect(&socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
            answers += QJsonDocument::fromJson(text.toUtf8())["type"] == "ok" ? 1 : 0;
        });
        QNetworkRequest ws(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())));
        ws.setRawHeader("Cookie", reply->rawHeader("Set-Cookie").split(';').value(0));
        ws.setRawHeader("Origin", origin.toLatin1());
        socket.open(ws);
    }
};

} // namespace

// Studio A scanned with CH-01 to CH-04 at flash 5.0; the grid's boxes of CH-02 and CH-04
// ticked. The group panel's offset and then the phone's move those two and no other.
void TickedOffsetsTest::deskAndPhoneOffsetsMoveTheHeadsWhoseBoxesShowTicked() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    StudioData* studio = frame.model().studios[0].get();
    SelectStudio(&frame.model(), studio);
    {
        ModalAnswer quickBox(ModalAnswer::accept);
        frame.OnScan();
    }
    QCOMPARE(frame.model().pScanStudio, studio);
    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(1) + statusReport(2) + statusReport(3)));
    CNavigationGrid* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    QTRY_COMPARE(grid->shownCount(), 4);
    for (int block : {1, 3}) {
        const QRect box = CUGCtrl::CheckBoxRect(
            grid->visualRect(grid->model()->index(CNavigationGrid::kRowsPerBlock * block + 2, 0)));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
    }
    const auto flashLevels = [studio] {
        QList<int> levels;
        for (const StrobeData* unit : UnitsOf(studio))
            levels << unit->nFlashValue;
        return levels;
    };

    QComboBox* mode = nullptr;
    for (auto* combo : frame.controlPane()->findChildren<QComboBox*>())
        mode = combo->accessibleName() == "Settings mode" ? combo : mode;
    mode->setCurrentIndex(1);
    emit mode->activated(1);
    for (auto* spin : frame.controlPane()->findChildren<COXCoolSpinButtonCtrl*>()) {
        if (spin->accessibleName() == "Flash offset steps")
            emit spin->deltaPos(-1);
    }
    QCOMPARE(flashLevels(), (QList<int>{50, 51, 50, 51}));

    RemoteServer& server = frame.phoneRemote()->server();
    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    QNetworkAccessManager web;
    Phone phone(server, web);
    QTRY_COMPARE(phone.socket.state(), QAbstractSocket::ConnectedState);
    phone.socket.sendTextMessage(R"({"id":1,"op":"offset","value":"flash","by":2})");
    QTRY_COMPARE(phone.answers, 1);
    QCOMPARE(flashLevels(), (QList<int>{50, 53, 50, 53}));
}

QTEST_MAIN(TickedOffsetsTest)
#include "tst_tickedoffsets.moc"
