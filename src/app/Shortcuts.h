#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace lumadesk {

// The window's commands that have a key.
enum class Command {
    None, // a key a pane or a control handles itself
    Load,
    Save,
    Scan,
    Name,
    Com,
    CheckHeads,
    Undo,
    Redo,
    OpenSetup,
    TestAll,
    Lock,
    NewDocument,
    Quit,
    KeyboardShortcuts,
};

// One key of the console: the window binds its commands' keys from this table and Help >
// Keyboard shortcuts lists it whole, so what the window does and what it says cannot drift.
struct Shortcut {
    Command command = Command::None;
    QKeySequence key; // a window command's key
    QString keyText;  // a pane's keys, in words ("Up, Down (Left, Right)")
    QString where;    // "anywhere", "channel grid", ...
    QString does;

    // The key as the list shows it.
    QString keysShown() const;
};

const QList<Shortcut>& ShortcutTable();

// The key of a window command; empty for one that has none.
QKeySequence KeyOf(Command command);

// A command's tool tip: its words and its key from the table, "Scan (F5)"; the words alone for
// a command without a key.
QString TipWithKey(const QString& words, Command command);

} // namespace lumadesk
