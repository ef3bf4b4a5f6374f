#include "app/DialogSeams.h"

#include <QDialog>
#include <QFileDialog>

namespace lumadesk {

namespace {

int execDialog(QDialog& dialog) {
    return dialog.exec();
}

QString askFileDialog(const FileChoice& choice) {
    if (choice.kind == FileChoice::Save)
        return QFileDialog::getSaveFileName(choice.parent, choice.caption, QString(),
                                            choice.filter);
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

QString ChooseFile(const FileChoice& choice) {
    return currentChooser()(choice);
}

FileChooser SetFileChooser(FileChooser chooser) {
    FileChooser previous = std::move(currentChooser());
    currentChooser() = chooser ? std::move(chooser) : FileChooser(askFileDialog);
    return previous;
}

} // namespace lumadesk
