#include "link/LevelsFrame.h"
#include "support/Hex.h"

#include <QtTest>

using namespace lumadesk;

class LevelsFrameTest : public QObject {
    Q_OBJECT
private slots:
    void readsTheHeadsAFrameHasAPairFor_data();
    void readsTheHeadsAFrameHasAPairFor();
};

namespace {

// "channel:flash/model" for each head, in channel order.
QString headsText(const LevelsFrame& heads) {
    QStringList text;
    for (std::size_t channel = 0; channel < heads.size(); ++channel) {
        if (heads[channel])
            text.append(QStringLiteral("%1:%2/%3")
                            .arg(channel)
                            .arg(heads[channel]->flash)
                            .arg(heads[channel]->model));
    }
    return text.join(QLatin1Char(' '));
}

} // namespace

void LevelsFrameTest::readsTheHeadsAFrameHasAPairFor_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("heads");
    QTest::newRow("no frame") << QByteArray() << QString();
    QTest::newRow("no head") << hex("FF 17 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                    " 00 00")
                             << QString();
    QTest::newRow("first and last echoed")
        << hex("FF 17 1F 14 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 51 0B")
        << QStringLiteral("0:20/30 9:81/11");
    QTest::newRow("a zero byte is no head")
        << hex("FF 17 1E 05 00 00 05 2D 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
        << QStringLiteral("2:45/30");
    QTest::newRow("every slot, bytes taken as they are")
        << hex("FF 17 1E 0B 0C 15 16 1F 20 29 2A 33 34 3D 3E 47 48 51 52 FE FF 01 01")
        << QStringLiteral("0:11/12 1:21/22 2:31/32 3:41/42 4:51/52 5:61/62 6:71/72 7:81/82 "
                          "8:254/255 9:1/1");
}

void LevelsFrameTest::readsTheHeadsAFrameHasAPairFor() {
    QFETCH(QByteArray, frame);
    QFETCH(QString, heads);
    const auto* bytes =
        frame.isEmpty() ? nullptr : reinterpret_cast<const std::uint8_t*>(frame.constData());
    QCOMPARE(headsText(ReadLevelsFrame(bytes)), heads);
}

QTEST_GUILESS_MAIN(LevelsFrameTest)
#include "tst_levelsframe.moc"
