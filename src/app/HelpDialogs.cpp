#include "app/HelpDialogs.h"

#include "app/Folders.h"
#include "app/Shortcuts.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lumadesk {

namespace {

QDialogButtonBox* closeButton(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Close"));
    return buttons;
}

} // namespace

KeyboardShortcutsDialog::KeyboardShortcutsDialog(QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    setAccessibleName(windowTitle());
    m_list->setAccessibleName(QStringLiteral("Keys"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("Key"), QStringLiteral("Where"), QStringLiteral("Does")});
    m_list->header()->setAccessibleName(QStringLiteral("Key, where, does"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const Shortcut& shortcut : ShortcutTable())
        new QTreeWidgetItem(m_list, {shortcut.keysShown(), shortcut.where, shortcut.does});
    int width = 0;
    for (int column = 0; column < m_list->columnCount(); ++column) {
        m_list->resizeColumnToContents(column);
        width += m_list->columnWidth(column);
    }
    m_list->setCurrentItem(m_list->topLevelItem(0));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(closeButton(this));
    // Every line whole, where the screen allows.
    const int rows = m_list->topLevelItemCount() + 1;
    const QSize wanted(width + 60, rows * m_list->sizeHintForRow(0) + 90);
    const QSize room = screen() != nullptr ? screen()->availableSize() * 9 / 10 : wanted;
    resize(wanted.boundedTo(room));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), m_text(new QLabel(this)) {
    setWindowTitle(QStringLiteral("About LumaDesk"));
    setAccessibleName(windowTitle());
    m_text->setTextFormat(Qt::PlainText); // folder names are shown as they are
    m_text->setText(aboutText());
    m_text->setAccessibleName(QStringLiteral("About"));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(closeButton(this));
}

QString AboutDialog::aboutText() {
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral("(no version)");
    // Paths on lines of their own, never broken.
    return QStringLiteral("LumaDesk %1\n"
                          "Studio flash console: sets and watches flash heads\n"
                          "through a radio dongle on a serial port.\n\n"
                          "Runs on Qt %2 (built with Qt %3).\n"
                          "Licence: MIT. Free to use, copy, change and pass on;\n"
                          "no warranty.\n\n"
                          "Data folder (Option.xml, Business Memory):\n    %4\n"
                          "Settings folder:\n    %5")
        .arg(version, QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
             QDir::toNativeSeparators(QDir::currentPath()),
             QDir::toNativeSeparators(SettingsFolder()));
}

QString AboutDialog::text() const {
    return m_text->text();
}

} // namespace lumadesk
