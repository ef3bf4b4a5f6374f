#include "app/Shortcuts.h"

namespace lumadesk {

QString Shortcut::keysShown() const {
    return key.isEmpty() ? keyText : key.toString(QKeySequence::NativeText);
}

const QList<Shortcut>& ShortcutTable() {
    const QString anywhere = QStringLiteral("anywhere in the window");
    const QString grid = QStringLiteral("channel grid");
    const auto command = [&anywhere](Command c, QKeySequence key, const char* does) {
        return Shortcut{c, std::move(key), {}, anywhere, QString::fromUtf8(does)};
    };
    const auto pane = [](const char* keys, const QString& where, const char* does) {
        return Shortcut{Command::None, {}, QString::fromUtf8(keys), where, QString::fromUtf8(does)};
    };
    // The console's document is the set-up: Ctrl+S and Ctrl+O mean set-ups.
    static const QList<Shortcut> table{
        command(Command::Load, QKeySequence(Qt::CTRL | Qt::Key_L),
                "\"Load\": apply the set-up picked in the Business Memory list"),
        command(Command::Save, QKeySequence(QKeySequence::Save),
                "\"Save\": store the current studio under the name in the file-name box (asked "
                "for when the box is empty)"),
        command(Command::OpenSetup, QKeySequence(QKeySequence::Open),
                "open a set-up file from anywhere: copied into the Business Memory folder and "
                "previewed"),
        command(Command::Scan, QKeySequence(Qt::Key_F5), "\"Scan\" the current studio"),
        command(Command::Name, QKeySequence(Qt::Key_F2),
                "\"Name\": give the selected studio or head the name typed under the tree"),
        command(Command::CheckHeads, QKeySequence(Qt::CTRL | Qt::Key_R),
                "\"Check heads\": ask every head of the scanned studio to report"),
        command(Command::Com, QKeySequence(Qt::CTRL | Qt::Key_M), "\"Com\": the port settings"),
        command(Command::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z),
                "Edit > Undo: put back the last change sent to the heads"),
        command(Command::Redo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                "Edit > Redo: send the undone change again (Ctrl+Y too)"),
        command(Command::TestAll, QKeySequence(Qt::CTRL | Qt::Key_T),
                "Tools > Test all heads: fire every head of the scanned studio in turn"),
        command(Command::Lock, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
                "View > Lock the desk: no control changes a head until unlocked"),
        command(Command::NewDocument, QKeySequence(QKeySequence::New),
                "nothing: the console has no document to empty, and writes nothing"),
        command(Command::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q), "close the console"),
        command(Command::KeyboardShortcuts, QKeySequence(Qt::Key_F1), "this list of keys"),
        pane("Up, Down (Left, Right)", grid,
             "the previous or next head's block; it becomes the selected head, as a click makes "
             "it"),
        pane("Page Up, Page Down, Home, End", grid,
             "a screenful of blocks back or on, the first, the last"),
        pane("Space", grid, "tick or untick the current block's box"),
        pane("Shift+Space", grid, "the \"Channel Select\" box: tick or untick every block"),
        pane("arrows, +, -", QStringLiteral("studio tree"),
             "move, open and close branches, as any tree"),
        pane("arrows, Page keys", QStringLiteral("slider"),
             "change the level; each step is stored and sent"),
        pane("Up, Down", QStringLiteral("spin button"), "one step of 0.1"),
        pane("Enter (or a double click)", QStringLiteral("value field"),
             "type a level: \"4.5\", \"45\" (tenths) or \"8\" (8.0)"),
        pane("Enter, Escape", QStringLiteral("value editor"),
             "apply, as a slider released there would; close unchanged"),
        pane("Tab, Shift+Tab", QStringLiteral("every pane and dialog"),
             "the next or previous control, in the form's order"),
    };
    return table;
}

QKeySequence KeyOf(Command command) {
    for (const Shortcut& shortcut : ShortcutTable()) {
        if (shortcut.command == command && command != Command::None)
            return shortcut.key;
    }
    return {};
}

QString TipWithKey(const QString& words, Command command) {
    const QKeySequence key = KeyOf(command);
    if (key.isEmpty())
        return words;
    return QStringLiteral("%1 (%2)").arg(words, key.toString(QKeySequence::NativeText));
}

} // namespace lumadesk
