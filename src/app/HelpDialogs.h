#pragma once

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace lumadesk {

// Help > Keyboard shortcuts (F1): every row of the shortcut table, as Key, Where, Does.
class KeyboardShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeyboardShortcutsDialog(QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
};

// Help > About LumaDesk: the version, the Qt it runs on, the licence, and the folders the
// console writes to.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static QString aboutText();
    QString text() const;

private:
    QLabel* m_text;
};

} // namespace lumadesk
