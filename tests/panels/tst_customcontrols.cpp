#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserButton.h"
#include "panels/CUserStatic.h"
#include "platform/DialogUnits.h"
#include "ui/COXSeparator.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMessageBox>
#include <QSignalSpy>
#include <QtTest>

using namespace lumadesk;

class CustomControlsTest : public QObject {
    Q_OBJECT
private slots:
    void coolControlsHighlightOnlyWhileHoveredOrFocused_data();
    void coolControlsHighlightOnlyWhileHoveredOrFocused();
    void spinReportsUpNegativeAndOffersActions();
    void heldSpinStopsWhenItLosesTheMouse_data();
    void heldSpinStopsWhenItLosesTheMouse();
    void powerButtonCaptionFollowsATickByProgram();
    void valueFieldKeepsItsColoursUnderADarkPalette();
    void dialogUnitsScaleWithTheFont();
    void sliderTellsReadersWhatItsPositionStandsFor_data();
    void sliderTellsReadersWhatItsPositionStandsFor();
};

void CustomControlsTest::coolControlsHighlightOnlyWhileHoveredOrFocused_data() {
    QTest::addColumn<bool>("slider");
    QTest::newRow("slider") << true;
    QTest::newRow("spin button") << false;
}

void CustomControlsTest::coolControlsHighlightOnlyWhileHoveredOrFocused() {
    QFETCH(bool, slider);
    QWidget window;
    window.resize(300, 100);
    QWidget* control = slider ? static_cast<QWidget*>(new COXCoolSliderCtrl(&window))
                              : new COXCoolSpinButtonCtrl(&window);
    control->setGeometry(20, 20, slider ? 100 : 15, 40);
    control->setFocusPolicy(Qt::StrongFocus);
    auto* other = new QWidget(&window);
    other->setGeometry(200, 20, 40, 40);
    other->setFocusPolicy(Qt::StrongFocus);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto highlighted = [&] {
        return slider ? static_cast<COXCoolSliderCtrl*>(control)->IsHighlighted()
                      : static_cast<COXCoolSpinButtonCtrl*>(control)->IsHighlighted();
    };

    other->setFocus();
    QTest::mouseMove(control, QPoint(5, 5));
    QTRY_VERIFY(highlighted());
    QTest::mouseMove(other, QPoint(5, 5));
    // One hover tick at most; the margin is for a loaded machine.
    QTRY_VERIFY_WITH_TIMEOUT(!highlighted(), 5 * COXCoolSliderCtrl::kHoverTimerMs);

    control->setFocus();
    QTRY_VERIFY(highlighted());
    QTest::mouseMove(control, QPoint(5, 5));
    QTest::mouseMove(other, QPoint(5, 5));
    QVERIFY(highlighted()); // focused: stays standard after the mouse left
    other->setFocus();

    control->setEnabled(false);
    QTest::mouseMove(control, QPoint(5, 5));
    control->setFocus();
    QTest::qWait(0);
    QVERIFY(!highlighted());
}

void CustomControlsTest::spinReportsUpNegativeAndOffersActions() {
    COXCoolSpinButtonCtrl spin;
    spin.resize(15, 40);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    QSignalSpy changes(&spin, &COXCoolSpinButtonCtrl::deltaPos);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, spin.upRect().center());
    QTest::mouseClick(&spin, Qt::LeftButton, {}, spin.downRect().center());
    QTest::keyClick(&spin, Qt::Key_Up);
    QTest::keyClick(&spin, Qt::Key_Down);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&spin);
    QVERIFY(accessible && accessible->actionInterface());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QList<int> got;
    for (const QList<QVariant>& args : changes)
        got << args[0].toInt();
    QCOMPARE(got, QList<int>({-1, 1, -1, 1, -1}));

    // Held down, it repeats.
    changes.clear();
    QTest::mousePress(&spin, Qt::LeftButton, {}, spin.downRect().center());
    QTRY_VERIFY(changes.size() >= 3);
    QTest::mouseRelease(&spin, Qt::LeftButton, {}, spin.downRect().center());
}

void CustomControlsTest::heldSpinStopsWhenItLosesTheMouse_data() {
    QTest::addColumn<QString>("loss");
    QTest::newRow("a box opens") << "box";
    QTest::newRow("another window takes the focus") << "window";
    QTest::newRow("hidden") << "hidden";
    QTest::newRow("disabled") << "disabled";
}

void CustomControlsTest::heldSpinStopsWhenItLosesTheMouse() {
    QFETCH(QString, loss);
    QWidget window;
    window.resize(100, 100);
    auto* spin = new COXCoolSpinButtonCtrl(&window);
    spin->setGeometry(20, 20, 15, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy changes(spin, &COXCoolSpinButtonCtrl::deltaPos);
    QTest::mousePress(spin, Qt::LeftButton, {}, spin->upRect().center());
    QCOMPARE(changes.size(), 1);

    QMessageBox box(QMessageBox::Warning, "LumaDesk", "Fail to save file", QMessageBox::Ok,
                    &window);
    QWidget other;
    if (loss == "box") {
        box.setWindowModality(Qt::ApplicationModal);
        box.show(); // as exec() shows it, without the loop that waits
    } else if (loss == "window") {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    } else if (loss == "hidden") {
        spin->hide();
    } else {
        spin->setEnabled(false);
    }
    // The first repeat would come after the delay; a few more after it.
    QVERIFY(!changes.wait(COXCoolSpinButtonCtrl::kRepeatDelayMs +
                          3 * COXCoolSpinButtonCtrl::kRepeatMs));
    QCOMPARE(changes.size(), 1);
}

void CustomControlsTest::powerButtonCaptionFollowsATickByProgram() {
    CUserButton button(QStringLiteral("Power On"));
    QCOMPARE(button.text(), QString("Power\nOff"));
    button.setChecked(true);
    QCOMPARE(button.text(), QString("Power\nOn"));
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(button.text(), QString("Power\nOff"));
    QCOMPARE(button.accessibleName(), QString("Power On"));
}

void CustomControlsTest::valueFieldKeepsItsColoursUnderADarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    CUserStatic field;
    field.textColor = QColor(0, 192, 0);
    field.backgroundColor = QColor(240, 240, 240);
    QFont font = field.font();
    font.setPixelSize(30);
    field.setFont(font);
    field.resize(60, 40);
    field.SetValueText(QStringLiteral("8.8"));
    const QImage image = field.grab().toImage();
    QApplication::setPalette(QPalette());
    QCOMPARE(image.pixelColor(1, 1), QColor(240, 240, 240));
    bool green = false;
    for (int y = 0; y < image.height() && !green; ++y) {
        for (int x = 0; x < image.width() && !green; ++x)
            green = image.pixelColor(x, y) == QColor(0, 192, 0);
    }
    QVERIFY(green);
    QCOMPARE(field.accessibleDescription(), QString("8.8"));
}

void CustomControlsTest::dialogUnitsScaleWithTheFont() {
    // 52 letters 286 pixels wide: 6 pixels a character; 13 high.
    const DialogBaseUnits units = BaseUnitsFromMetrics(286, 13);
    QCOMPARE(units.x, 6);
    QCOMPARE(DialogRectToPixels(QRect(5, 27, 95, 110), units), QRect(8, 44, 142, 179));
    // Neighbours meet: the right edge of one is the left edge of the next.
    const QRect left = DialogRectToPixels(QRect(5, 5, 97, 8), units);
    QCOMPARE(left.x() + left.width(), DialogRectToPixels(QRect(102, 5, 8, 8), units).x());
}

void CustomControlsTest::sliderTellsReadersWhatItsPositionStandsFor_data() {
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    using Reading = COXCoolSliderCtrl::Reading;
    QTest::newRow("level") << int(Reading::Level) << 50 << "5.0" << 5.0;
    QTest::newRow("offset up") << int(Reading::Offset) << 87 << "0.5" << 0.5;
    QTest::newRow("offset down") << int(Reading::Offset) << 70 << "-1.2" << -1.2;
    QTest::newRow("position") << int(Reading::Position) << 50 << "50" << 50.0;
}

void CustomControlsTest::sliderTellsReadersWhatItsPositionStandsFor() {
    QFETCH(int, reading);
    QFETCH(int, position);
    QFETCH(double, value);
    COXCoolSliderCtrl slider;
    slider.setRange(1, 163);
    slider.setReading(COXCoolSliderCtrl::Reading(reading));
    slider.setValue(position);
    QSignalSpy stepped(&slider, &COXCoolSliderCtrl::steppedByKey);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&slider);
    QCOMPARE(accessible->role(), QAccessible::Slider);
    QTEST(accessible->text(QAccessible::Value), "text");
    QCOMPARE(accessible->valueInterface()->currentValue().toDouble(), value);
    // A reader's step is the keyboard's: one position further, told once.
    const double step = accessible->valueInterface()->minimumStepSize().toDouble();
    accessible->valueInterface()->setCurrentValue(value + step);
    QCOMPARE(slider.value(), position + 1);
    QCOMPARE(stepped.count(), 1);
}

QTEST_MAIN(CustomControlsTest)
#include "tst_customcontrols.moc"
