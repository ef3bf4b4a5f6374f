#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CMainFrame.h"
#include "app/Folders.h"
#include "app/HelpDialogs.h"
#include "app/MainMenus.h"
#include "app/RadioTrafficDock.h"
#include "app/RadioWatch.h"
#include "app/RecentFileList.h"
#include "app/ScreenRoom.h"
#include "support/PrivateSettings.h"
#include "ui/COXSeparator.h"
#include "views/CNavigationGrid.h"

#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyleFactory>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>

using namespace lumadesk;

namespace {

// The menu bar as the operator reads it: each shown menu with its items and their keys.
QScreen* screenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

QStringList menuBarOf(CMainFrame& frame) {
    QStringList menus;
    for (const QAction* menu : frame.menuBar()->actions()) {
        if (!menu->isVisible())
            continue;
        QStringList items;
        for (const QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator())
                items << (item->text() + ' ' + item->shortcut().toString()).trimmed();
        }
        menus << menu->text() + ": " + items.join(", ");
    }
    return menus;
}

double luminance(QColor c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The colour most pixels of the picture have, and the best contrast any pixel has with it.
std::pair<QColor, double> backgroundAndContrast(const QImage& picture) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ++counts[picture.pixel(x, y)];
    QRgb background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(background))
            background = it.key();
    const double lb = luminance(QColor(background));
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double l = luminance(QColor(it.key()));
        best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
    }
    return {QColor(background), best};
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void menusComeInOrderWithTheirKeys();
    void shortcutListNamesEveryKeyTheWindowAnswers();
    void aboutNamesVersionQtLicenceAndFolders();
    void settingsLeftUnderTheOldKeyMoveOnce_data();
    void settingsLeftUnderTheOldKeyMoveOnce();
    void firstWindowFitsAMagnifiedSmallScreen();
    void trafficDockLeavesTheDeskItsRoom_data();
    void trafficDockLeavesTheDeskItsRoom();
    // Last: it leaves the application in Fusion.
    void textOnTheSystemBackgroundReadsOnADarkPalette_data();
    void textOnTheSystemBackgroundReadsOnADarkPalette();
};

void DesktopTest::menusComeInOrderWithTheirKeys() {
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QCOMPARE(menuBarOf(frame),
             QStringList({"&File: Load Ctrl+L, Save Ctrl+S, &Quit Ctrl+Q",
                          "&Edit: Undo Ctrl+Z, Redo Ctrl+Shift+Z, Send again",
                          "&View: Radio traffic, History, Lock the desk Ctrl+Shift+L",
                          "&Tools: Com Ctrl+M, Check heads Ctrl+R, Test all heads Ctrl+T, "
                          "Phone remote...",
                          "&Help: &Keyboard shortcuts F1, &About LumaDesk"}));
    QCOMPARE(frame.findChild<QToolBar*>()->accessibleName(), QString("Commands"));
    QTest::keyClick(&frame, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!frame.isVisible());
}

void DesktopTest::shortcutListNamesEveryKeyTheWindowAnswers() {
    WorkingDirectory cwd;
    CLumaDeskApp app(ShellOptions{cwd.filePath("none"), {}, {}});
    QVERIFY(app.InitInstance());
    CMainFrame* frame = app.frame();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QStringList answered;
    for (const QAction* action : frame->findChildren<QAction*>()) {
        if (!action->shortcut().isEmpty())
            answered << action->shortcut().toString(QKeySequence::NativeText);
    }
    answered.sort();
    QStringList listed; // window-wide rows of the list F1 opens
    int rows = 0;
    ModalAnswer answer([&](QDialog& dialog) {
        const QTreeWidget* list = static_cast<KeyboardShortcutsDialog&>(dialog).list();
        rows = list->topLevelItemCount();
        for (int i = 0; i < rows; ++i) {
            if (list->topLevelItem(i)->text(1) == QLatin1String("anywhere in the window"))
                listed << list->topLevelItem(i)->text(0);
        }
        return ModalAnswer::reject(dialog);
    });
    QTest::keyClick(frame, Qt::Key_F1);
    listed.sort();
    QCOMPARE(listed, answered);
    QVERIFY2(rows > listed.size(), "the panes' own keys are listed too");
}

void DesktopTest::aboutNamesVersionQtLicenceAndFolders() {
    WorkingDirectory cwd;
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    QString text;
    ModalAnswer answer([&text](QDialog& dialog) {
        text = static_cast<AboutDialog&>(dialog).text();
        return ModalAnswer::reject(dialog);
    });
    frame.menus()->aboutAction()->trigger();
    const QString settings =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/LumaDesk";
    for (const QString& part :
         {QString("LumaDesk 9.8.7"), QString("Qt ") + qVersion(), QString("Licence: MIT"),
          "Data folder (Option.xml, Business Memory):\n    " + QDir::currentPath(),
          "Settings folder:\n    " + settings})
        QVERIFY2(text.contains(part), qPrintable(part + " not in:\n" + text));
}

void DesktopTest::settingsLeftUnderTheOldKeyMoveOnce_data() {
    QTest::addColumn<bool>("newFileToo");
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("oldLeft");
    QTest::newRow("only the old file") << false << "/old/set-up" << false;
    QTest::newRow("both: the new one wins") << true << "/new/set-up" << true;
}

void DesktopTest::settingsLeftUnderTheOldKeyMoveOnce() {
    QFETCH(bool, newFileToo);
    WorkingDirectory cwd;
    const QString app = CLumaDeskApp::applicationName();
    const QString oldFile = QSettings(CLumaDeskApp::oldSettingsKey(), app).fileName();
    QFile::remove(oldFile);
    QFile::remove(QSettings(CLumaDeskApp::settingsKey(), app).fileName());
    QSettings(CLumaDeskApp::oldSettingsKey(), app)
        .setValue("Recent File List/File1", "/old/set-up");
    if (newFileToo)
        QSettings(CLumaDeskApp::settingsKey(), app)
            .setValue("Recent File List/File1", "/new/set-up");

    CLumaDeskApp lumadesk(ShellOptions{cwd.filePath("none"), {}, {}});
    QVERIFY(lumadesk.InitInstance());
    QTEST(lumadesk.recentFiles()->files().value(0), "first");
    QTEST(QFile::exists(oldFile), "oldLeft");
}

void DesktopTest::firstWindowFitsAMagnifiedSmallScreen() {
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QRect screen = frame.screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(640, 400)); // 1280 x 800 at scale 2
    QVERIFY2(screen.contains(frame.frameGeometry()), "the window fits the screen");
    const QRect window = frame.rect();
    for (const QWidget* part : {static_cast<QWidget*>(frame.statusBar()),
                                static_cast<QWidget*>(frame.findChild<CNavigationGrid*>())})
        QVERIFY2(window.contains(QRect(part->mapTo(&frame, QPoint()), part->size())),
                 qPrintable(part->accessibleName()));
    // The panel cannot scroll and keeps its width; the tree and the grid share the shortfall.
    QCOMPARE(frame.controlPane()->width(), 312);
    QVERIFY2(frame.navigationPane()->width() >= 150 && frame.studioListPane()->width() >= 120,
             "neither the tree nor the grid is squeezed out");
    // Where the screen has room, the first start is the 800 x 500 of the original.
    QWidget wide;
    wide.setScreen(screenNamed("large"));
    FitFirstSize(wide, QSize(800, 500));
    QCOMPARE(wide.size(), QSize(800, 500));
}

void DesktopTest::trafficDockLeavesTheDeskItsRoom_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("floats");
    QTest::newRow("room below: the window grows") << "large" << false;
    QTest::newRow("no room: the dock floats") << "small" << true;
}

void DesktopTest::trafficDockLeavesTheDeskItsRoom() {
    QFETCH(QString, screen);
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    const QRect room = screenNamed(screen)->availableGeometry();
    frame.setScreen(screenNamed(screen));
    frame.move(room.topLeft());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QWidget* desk = frame.centralWidget();
    const QSize before = desk->size();
    const QSize window = frame.size();
    RadioTrafficDock* dock = frame.radioWatch()->trafficDock();

    dock->toggleViewAction()->trigger();
    QTRY_VERIFY(dock->isVisible());
    QTEST(dock->isFloating(), "floats");
    QTRY_COMPARE(desk->size(), before);
    QVERIFY2(room.contains(frame.frameGeometry()), "the window stays on its screen");
    dock->toggleViewAction()->trigger(); // the room it took goes back
    QTRY_COMPARE(frame.size(), window);
}

void DesktopTest::textOnTheSystemBackgroundReadsOnADarkPalette_data() {
    QTest::addColumn<QString>("name"); // a caption's text or a widget's accessible name
    QTest::addColumn<QColor>("kept");  // a fixed colour that stays; none: measure the contrast
    for (const char* caption : {"Studio List", "Remote Control", "Navigation"})
        QTest::newRow(caption) << caption << QColor();
    for (const char* pane : {"Messages", "Radio link", "Heads answering"})
        QTest::newRow(pane) << pane << QColor();
    QTest::newRow("grid heading") << "Channel Select" << QColor(0x9D, 0xCE, 0xFF);
}

void DesktopTest::textOnTheSystemBackgroundReadsOnADarkPalette() {
    QFETCH(QString, name);
    QFETCH(QColor, kept);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xEE, 0xEE, 0xEE));
    QApplication::setPalette(dark);
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, "Simulated radio on /dev/pts/3"});
    SelectStudio(&frame.model(), frame.model().studios[0].get());
    frame.radioWatch()->refresh();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    QRect area;
    for (const COXSeparator* caption : frame.findChildren<COXSeparator*>()) {
        if (caption->text() == name)
            area = QRect(caption->mapTo(&frame, QPoint()),
                         QSize(caption->fontMetrics().horizontalAdvance(name), caption->height()));
    }
    for (const QWidget* widget : frame.findChildren<QWidget*>()) {
        if (area.isEmpty() && widget->accessibleName() == name)
            area = QRect(widget->mapTo(&frame, QPoint()), widget->size());
    }
    if (name == QLatin1String("Channel Select")) {
        const QWidget* heading = frame.findChild<CNavigationGrid*>()->horizontalHeader();
        area = QRect(heading->mapTo(&frame, QPoint()), heading->size());
    }
    QVERIFY2(!area.isEmpty(), "found on the window");
    const QImage shot = frame.grab().toImage();
    const qreal scale = shot.devicePixelRatio();
    const QRect pixels(area.topLeft() * scale, area.size() * scale);
    const auto [background, contrast] = backgroundAndContrast(shot.copy(pixels));
    QApplication::setPalette(QPalette());
    if (kept.isValid())
        QCOMPARE(background, kept);
    else
        QVERIFY2(contrast >= 4.5,
                 qPrintable(QString("contrast %1 on %2").arg(contrast).arg(background.name())));
}

// Two screens, as the tests above need them: 1280 x 800 at scale 2 (640 x 400 for windows) and,
// beside it, 2560 x 1600 (1280 x 800).
int main(int argc, char* argv[]) {
    QTemporaryDir config;
    QFile file(config.filePath("screens.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [
            {"name": "small", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96},
            {"name": "large", "x": 1280, "y": 0, "width": 2560, "height": 1600, "logicalDpi": 96}
        ]})") < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
