#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CMainFrame.h"
#include "app/PhoneRemote.h"
#include "app/PhoneRemoteDialog.h"
#include "platform/PseudoTerminal.h"
#include "remote/RemoteServer.h"
#include "support/PrivateSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

using namespace lumadesk;

class PhoneRemoteTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        UsePrivateSettings();
        // Any free port: tests run side by side.
        QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName())
            .setValue("remote/port", 0);
    }
    void switchIsRememberedPairsAPhoneAndForgetsIt();
};

namespace {

template <typename T> T* named(QWidget* root, const QString& name) {
    for (T* widget : root->findChildren<T*>()) {
        if (widget->accessibleName() == name)
            return widget;
    }
    return nullptr;
}

QAction* toolsAction(CMainFrame& frame, const QString& text) {
    for (QAction* menu : frame.menuBar()->actions()) {
        if (menu->text().remove('&') != "Tools")
            continue;
        for (QAction* action : menu->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

} // namespace

// Switched on in the dialog: the page's address with its QR code, the code, pane 0 says so; a
// phone that pairs is listed until "Forget all"; the next start serves again, as it was left.
void PhoneRemoteTest::switchIsRememberedPairsAPhoneAndForgetsIt() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    quint16 port = 0;
    {
        CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QAction* open = toolsAction(frame, "Phone remote...");
        QVERIFY(open != nullptr);
        open->trigger();
        PhoneRemoteDialog* dialog = frame.phoneRemote()->dialog();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto* onOff = named<QCheckBox>(dialog, "Serve the phone remote");
        QVERIFY(!onOff->isChecked());
        QVERIFY(!frame.paneText(0).contains("Phone remote"));
        QTest::mouseClick(onOff, Qt::LeftButton, {}, QPoint(8, onOff->height() / 2));
        RemoteServer& server = frame.phoneRemote()->server();
        QVERIFY(server.isRunning());
        port = server.port();
        const QString code = named<QLabel>(dialog, "Pairing code")->text();
        QCOMPARE(code, server.pairingCode());
        QCOMPARE(code.size(), 6);
        QVERIFY(!named<QLabel>(dialog, "QR code")->pixmap().isNull());
        QVERIFY(named<QLabel>(dialog, "Addresses to open")
                    ->text()
                    .contains(QString("http://127.0.0.1:%1/").arg(port)));
        QVERIFY2(frame.paneText(0).contains(QString("Phone remote on ")) &&
                     frame.paneText(0).contains(QString(":%1").arg(port)),
                 qPrintable(frame.paneText(0)));

        QNetworkAccessManager phone;
        QNetworkRequest pair(QUrl(QString("http://127.0.0.1:%1/pair").arg(port)));
        pair.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        pair.setHeader(QNetworkRequest::UserAgentHeader,
                       "Mozilla/5.0 (Linux; Android 14) Chrome/120 Mobile Safari/537.36");
        std::unique_ptr<QNetworkReply> reply(
            phone.post(pair, QByteArray("{\"code\": \"") + code.toLatin1() + "\"}"));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        auto* phones = named<QListWidget>(dialog, "Paired phones");
        QTRY_COMPARE(phones->count(), 1);
        QVERIFY2(phones->item(0)->text().startsWith("Android phone (Chrome), last seen "),
                 qPrintable(phones->item(0)->text()));
        auto* forget = named<QPushButton>(dialog, "Forget all");
        QTest::mouseClick(forget, Qt::LeftButton);
        QCOMPARE(server.pairedPhones().size(), 0);
        QVERIFY(!forget->isEnabled());
    }
    {
        CMainFrame again(ShellOptions{dongle.devicePath(), {}, {}});
        QVERIFY(again.phoneRemote()->server().isRunning());
        QVERIFY(again.paneText(0).contains("Phone remote on "));
    }
    // Its port taken by another program: off, and the dialog says why.
    QTcpServer taker;
    QVERIFY(taker.listen(QHostAddress::AnyIPv4, 0));
    QSettings settings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName());
    settings.setValue("remote/port", taker.serverPort());
    settings.sync();
    CMainFrame blocked(ShellOptions{dongle.devicePath(), {}, {}});
    QVERIFY(!blocked.phoneRemote()->server().isRunning());
    QVERIFY(!blocked.paneText(0).contains("Phone remote"));
    blocked.phoneRemote()->showDialog();
    auto* problem = named<QLabel>(blocked.phoneRemote()->dialog(), "Problem");
    QVERIFY(problem->isVisible());
    QVERIFY2(problem->text().startsWith("The remote could not start: "),
             qPrintable(problem->text()));
    settings.setValue("remote/port", 0);
}

QTEST_MAIN(PhoneRemoteTest)
#include "tst_phoneremote.moc"
