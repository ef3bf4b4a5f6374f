#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/EditHistory.h"
#include "model/FileFixtures.h"
#include "platform/Messages.h"
#include "support/PrivateSettings.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStudioListFormView.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUndoView>
#include <QtTest>
#include <memory>

using namespace lumadesk;

namespace {

// Markup that would show as bold text and a picture if a label took it for rich text.
const QString kName = QStringLiteral("<b>x</b><img src=x>");

// A set-up's name may hold markup too, though never a "/".
const QString kSetupName = QStringLiteral("<i>y<img src=y>");

// What a reader sees of a text shown in the given format: Qt's own test of whether an
// automatic label or a tool tip takes the text for markup.
QString shownAs(const QString& text, Qt::TextFormat format) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QLabel* labelNamed(QWidget* parent, const QString& name) {
    for (auto* label : parent->findChildren<QLabel*>()) {
        if (label->accessibleName() == name)
            return label;
    }
    return nullptr;
}

// A set-up of one head on channel 3 ("CH-03"); values count by their place, whatever their tags.
QByteArray setup(const QByteArray& flash) {
    QByteArray values;
    for (const QByteArray& value : (flash + ",0,0,1,1,30,0,0,1,Lamp").split(','))
        values += "<v>" + value + "</v>";
    return "<StudioManage><Studio><Strobe nChNum=\"2\">" + values +
           "</Strobe></Studio></StudioManage>";
}

} // namespace

// Names and file texts are shown as typed, never taken for markup; a refused set-up says what is
// wrong beside its box.
class FileTextsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void namesShowAsTyped_data();
    void namesShowAsTyped();
    void refusedSetupNamesTheHeadAndValueInTheFirstPane();

private:
    void previewSetup(const QString& name);

    std::unique_ptr<WorkingDirectory> m_cwd;
    std::unique_ptr<PseudoTerminal> m_dongle;
    std::unique_ptr<CMainFrame> m_frame;
    StrobeData* m_head = nullptr;
};

// One window for every row: CH-01 of Studio A renamed with F2 to markup, which makes a step in
// the history, and set-ups to preview, one of them named with markup and refused.
void FileTextsTest::initTestCase() {
    UsePrivateSettings();
    m_cwd = std::make_unique<WorkingDirectory>();
    QVERIFY(QDir().mkdir("Business Memory"));
    QVERIFY(writeFile("Business Memory/evening.xml", setup("52")));
    QVERIFY(writeFile("Business Memory/refused.xml", setup("95")));
    QVERIFY(writeFile("Business Memory/" + kSetupName + ".xml", setup("5")));
    m_dongle = std::make_unique<PseudoTerminal>();
    QVERIFY(m_dongle->open());
    m_frame = std::make_unique<CMainFrame>(ShellOptions{m_dongle->devicePath(), {}, {}});
    CMainFrame& frame = *m_frame;
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    QVERIFY(addressStudio(frame, *m_dongle, 0));
    QVERIFY(m_dongle->writeAll(statusReport(0)));
    StudioData* studio = frame.model().studios[0].get();
    QTRY_VERIFY((m_head = studio->UnitOn(0)) != nullptr);
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    QTRY_VERIFY(list->itemShowing(m_head) != nullptr);

    list->tree()->expandAll();
    list->tree()->setCurrentItem(list->itemShowing(m_head));
    QCOMPARE(frame.model().pCurNode, m_head);
    list->nameEdit()->setText(kName);
    QTest::keyClick(&frame, Qt::Key_F2);
    QCOMPARE(m_head->sModelName, kName);
    // Away and back, so the panel shows the head again with its new name.
    list->tree()->setCurrentItem(list->studioItem(0));
    list->tree()->setCurrentItem(list->itemShowing(m_head));
    QCOMPARE(frame.model().pCurNode, m_head);
}

void FileTextsTest::cleanupTestCase() {
    m_frame.reset();
    m_dongle.reset();
    m_cwd.reset();
}

void FileTextsTest::previewSetup(const QString& name) {
    auto* files = m_frame->controlPane()->findChild<QTreeWidget*>();
    const QList<QTreeWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
    QVERIFY(items.size() == 1);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(items.front()).center());
}

void FileTextsTest::namesShowAsTyped_data() {
    QTest::addColumn<QString>("place");
    for (const char* place :
         {"panel head line", "panel head line tip", "tree item", "grid block", "History",
          "Edit menu tip", "first pane", "first pane tip", "Load question"})
        QTest::newRow(place) << QString::fromLatin1(place);
}

void FileTextsTest::namesShowAsTyped() {
    QFETCH(QString, place);
    CMainFrame& frame = *m_frame;
    QString text;
    QString expected = kName;
    Qt::TextFormat format = Qt::AutoText; // a tool tip's
    if (place.startsWith("panel head line")) {
        QLabel* line = labelNamed(frame.controlPane(), "Current head");
        QVERIFY(line != nullptr);
        text = place.endsWith("tip") ? line->toolTip() : line->text();
        format = place.endsWith("tip") ? Qt::AutoText : line->textFormat();
    } else if (place == "tree item") {
        auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
        text = list->itemShowing(m_head)->text(0);
        format = Qt::PlainText; // an item view draws its items' text as it is
    } else if (place == "grid block") {
        text =
            static_cast<CNavigationFormView*>(frame.navigationPane())->grid()->QuickGetText(0, 1);
        format = Qt::PlainText;
    } else if (place == "History") {
        QUndoView* view = frame.editHistory()->view();
        text = view->model()->index(1, 0).data().toString();
        format = Qt::PlainText;
    } else if (place == "Edit menu tip") {
        text = frame.editHistory()->undoAction()->toolTip();
    } else if (place.startsWith("first pane")) {
        // A refused set-up's name goes there.
        MessageBoxRecorder boxes;
        previewSetup(kSetupName);
        expected = kSetupName;
        QLabel* pane = labelNamed(frame.statusBar(), "Messages");
        QVERIFY(pane != nullptr);
        text = place.endsWith("tip") ? pane->toolTip() : pane->text();
        format = place.endsWith("tip") ? Qt::AutoText : pane->textFormat();
    } else if (place == "Load question") {
        // The program's own box, answered without a person: it names heads and set-ups.
        previewSetup("evening");
        const MessageBoxHandler previous = SetMessageBoxHandler(ShowRealMessageBox);
        ModalAnswer answer([&](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            text = box.text();
            format = box.textFormat();
            box.button(QMessageBox::Cancel)->click();
            return dialog.result();
        });
        SendMessage(frame.controlPane(), Msg::CtrlLoadCommand);
        SetMessageBoxHandler(previous);
        QVERIFY(!text.isEmpty());
        QCOMPARE(shownAs(text, format), text);
        return;
    }
    QVERIFY2(shownAs(text, format).contains(expected), qPrintable(text));
}

// The box keeps its words; the first pane says which value of which head is wrong, until a
// set-up is read whole.
void FileTextsTest::refusedSetupNamesTheHeadAndValueInTheFirstPane() {
    QStringList boxes;
    QString paneWhileAsked;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& box) {
        boxes << box.text;
        paneWhileAsked = m_frame->paneText(0);
        return IDOK;
    });
    const auto restore = qScopeGuard([&] { SetMessageBoxHandler(previous); });
    previewSetup("refused");
    QCOMPARE(boxes, QStringList{"Fail to open file"});
    const QString why = "refused.xml: CH-03 nFlashValue 95 is out of range 11-81";
    QCOMPARE(paneWhileAsked, why);
    QCOMPARE(m_frame->paneText(0), why);
    QVERIFY(!m_frame->commandAction(Msg::CMD_LOAD)->isEnabled());

    previewSetup("evening");
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!m_frame->paneText(0).contains("refused.xml"));
    QVERIFY(m_frame->commandAction(Msg::CMD_LOAD)->isEnabled());
}

QTEST_MAIN(FileTextsTest)
#include "tst_filetexts.moc"
