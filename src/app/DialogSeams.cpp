#include "app/DialogSeams.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace lumadesk {

namespace {

int execDialog(QDialog& dialog) {
    return dialog.exec();
}

QString askFileDialog(const FileChoice& choice) {
    if (choice.kind == FileChoice::Save)
        return QFileDialog::getSaveFileName(choice.parent, choice.caption, QString(), choice.filter,
                                            nullptr, QFileDialog::DontResolveSymlinks);
    return QFileDialog::getOpenFileName(choice.parent, choice.caption, QString(), choice.filter);
}

ModalRunner& currentRunner() {
    static ModalRunner runner = execDialog;
    return runner;
}

FileChooser& currentChooser() {
    static FileChooser chooser = askFileDialog;
    return chooser;
}

} // namespace

int RunModal(QDialog& dialog) {
    return currentRunner()(dialog);
}

ModalRunner SetModalRunner(ModalRunner runner) {
    ModalRunner previous = std::move(currentRunner());
    currentRunner() = runner ? std::move(runner) : ModalRunner(execDialog);
    return previous;
}

int ShowRealMessageBox(const MessageBoxRequest& request) {
    QWidget* owner = qobject_cast<QWidget*>(request.owner);
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    const QString title =
        request.title.isEmpty() ? QCoreApplication::applicationName() : request.title;
    const auto buttons = request.buttons == MessageButtons::OkCancel
                             ? QMessageBox::Ok | QMessageBox::Cancel
                             : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(QMessageBox::Warning, title, request.text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    RunModal(box);
    // Escape in a box with Ok alone counts as Ok, as it did.
    return box.clickedButton() == box.button(QMessageBox::Ok) ? IDOK : IDCANCEL;
}

QString ChooseFile(const FileChoice& choice) {
    return currentChooser()(choice);
}

FileChooser SetFileChooser(FileChooser chooser) {
    FileChooser previous = std::move(currentChooser());
    currentChooser() = chooser ? std::move(chooser) : FileChooser(askFileDialog);
    return previous;
}

} // namespace lumadesk
