#include "views/CStrobeSplitterWnd.h"

#include <QtTest>

using namespace lumadesk;

class SplitterTest : public QObject {
    Q_OBJECT
private slots:
    void gripSitsRightOfColumnZeroAndCentred();
    void gripIsDrawnThereAndFollowsTheBar();
};

void SplitterTest::gripSitsRightOfColumnZeroAndCentred() {
    QCOMPARE(CStrobeSplitterWnd::GripPosition(200, 466), QPoint(204, 200));
    QCOMPARE(CStrobeSplitterWnd::GripPosition(200, 467), QPoint(204, 200));
    // Lower than the grip: partly above the top edge, rounded toward zero.
    QCOMPARE(CStrobeSplitterWnd::GripPosition(0, 41), QPoint(4, -12));
}

void SplitterTest::gripIsDrawnThereAndFollowsTheBar() {
    CStrobeSplitterWnd splitter;
    splitter.addWidget(new QWidget);
    splitter.addWidget(new QWidget);
    splitter.SetColumnInfo(0, 200, 100);
    splitter.SetColumnInfo(1, 325, 100);
    splitter.resize(525, 466);
    splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splitter));
    QCOMPARE(splitter.sizes().constFirst(), 200);

    const QColor grey(0xA0, 0xA0, 0xA4);
    const QColor cream(0xFF, 0xFB, 0xF0);
    QImage image = splitter.grab().toImage();
    QCOMPARE(image.pixelColor(204, 200), grey); // the grip's top row
    QCOMPARE(image.pixelColor(208, 201), cream);
    QCOMPARE(image.pixelColor(204, 265), grey); // its bottom row
    QVERIFY(image.pixelColor(204, 199) != grey);
    QVERIFY(image.pixelColor(209, 230) != cream);

    splitter.setSizes({260, 252});
    image = splitter.grab().toImage();
    QCOMPARE(image.pixelColor(264, 200), grey);
    QVERIFY(image.pixelColor(204, 200) != grey);
}

QTEST_MAIN(SplitterTest)
#include "tst_splitter.moc"
