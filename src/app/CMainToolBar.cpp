#include "app/CMainToolBar.h"

#include "app/Shortcuts.h"
#include "ui/UiResources.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace lumadesk {

namespace {

constexpr int kIconSize = 30;

QImage renderIcon(const QString& resource) {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

// The disabled look: the same drawing in light greys, shapes kept.
QImage disabledLook(const QImage& normal) {
    QImage grey = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int level = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(level, level, level, qAlpha(line[x]));
        }
    }
    return grey;
}

QIcon commandIcon(const QString& name) {
    const QImage normal = renderIcon(QStringLiteral(":/lumadesk/icons/%1.svg").arg(name));
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(disabledLook(normal)), QIcon::Disabled);
    return icon;
}

} // namespace

CMainToolBar::CMainToolBar(QWidget* parent) : QToolBar(parent) {
    InitUiResources();
    setObjectName(QStringLiteral("commands"));
    setWindowTitle(QStringLiteral("Commands"));
    setAccessibleName(windowTitle());
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(kIconSize, kIconSize));
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    // The keys come from the one table that Help > Keyboard shortcuts lists.
    const struct {
        int id;
        const char* text;
        const char* icon;
        Command command;
    } commands[] = {{Msg::CMD_LOAD, "Load", "load", Command::Load},
                    {Msg::CMD_SAVE, "Save", "save", Command::Save},
                    {Msg::CMD_SCAN, "Scan", "scan", Command::Scan},
                    {Msg::CMD_NAME, "Name", "name", Command::Name},
                    {Msg::CMD_COM, "Com", "com", Command::Com}};
    for (const auto& c : commands) {
        if (c.id == Msg::CMD_SCAN || c.id == Msg::CMD_COM)
            addSeparator();
        const QString text = QString::fromLatin1(c.text);
        QAction* action = addAction(commandIcon(QString::fromLatin1(c.icon)), text);
        const QKeySequence key = KeyOf(c.command);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(TipWithKey(text, c.command));
        action->setStatusTip(text);
        m_commands[std::size_t(c.id)] = action;
    }
}

QAction* CMainToolBar::command(int id) const {
    if (id < 0 || id >= kFrameCommandCount)
        return nullptr;
    return m_commands[std::size_t(id)];
}

void CMainToolBar::applyFlags(const std::array<int, kFrameCommandCount>& flags) {
    for (int id = 0; id < kFrameCommandCount; ++id)
        m_commands[std::size_t(id)]->setEnabled(flags[std::size_t(id)] == 1);
}

} // namespace lumadesk
