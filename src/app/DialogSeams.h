#pragma once

#include "platform/MessageBox.h"

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace lumadesk {

// Every modal dialog and file chooser the shell opens goes through these, so tests can answer
// them without a nested event loop that waits for a person. The defaults run the real thing.

// Runs the dialog modally; returns its result (QDialog::Accepted or Rejected).
int RunModal(QDialog& dialog);

using ModalRunner = std::function<int(QDialog&)>;
// Installs a runner and returns the previous one; an empty runner restores exec().
ModalRunner SetModalRunner(ModalRunner runner);

// The program's message box: a warning that shows its text as written (names and file texts
// in it are never taken for markup), run by RunModal. Returns IDOK or IDCANCEL.
int ShowRealMessageBox(const MessageBoxRequest& request);

struct FileChoice {
    enum Kind { Open, Save };
    Kind kind = Open;
    QWidget* parent = nullptr;
    QString caption;
    QString filter;
};

// The chosen file, or an empty string when the operator cancelled. A link chosen for a save is
// the name given, not where it points.
QString ChooseFile(const FileChoice& choice);

using FileChooser = std::function<QString(const FileChoice&)>;
// Installs a chooser and returns the previous one; an empty chooser restores QFileDialog.
FileChooser SetFileChooser(FileChooser chooser);

} // namespace lumadesk
