#include "app/LinkStateWindow.h"
#include "platform/PseudoTerminal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class LinkStateWindowTest : public QObject {
    Q_OBJECT
private slots:
    void showsLinkComingUpGoingDownAndComingBack();
};

void LinkStateWindowTest::showsLinkComingUpGoingDownAndComingBack() {
    QTemporaryDir dir;
    const QString link = dir.filePath("dongle");
    PseudoTerminal first;
    QVERIFY(first.open());

    LinkStateWindow window(link, 9600);
    window.show();
    QCOMPARE(window.linkText(), QString("Zigbee disconnected"));
    QTest::qWait(600); // at least one retry on a port that does not exist yet
    QCOMPARE(window.linkText(), QString("Zigbee disconnected"));

    QVERIFY(QFile::link(first.devicePath(), link));
    QTRY_COMPARE_WITH_TIMEOUT(window.linkText(), QString("Zigbee connected"), 2000);
    QVERIFY(first.writeAll("\xFF\x07\x17"));
    QTRY_COMPARE(window.bytesReceived(), 3);

    first.close(); // unplugged
    QTRY_COMPARE(window.linkText(), QString("Zigbee disconnected"));
    PseudoTerminal second;
    QVERIFY(second.open());
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(second.devicePath(), link));
    QTRY_COMPARE_WITH_TIMEOUT(window.linkText(), QString("Zigbee connected"), 2000);
}

QTEST_MAIN(LinkStateWindowTest)
#include "tst_linkstatewindow.moc"
