#include "app/WindowLayout.h"

#include "app/CMainFrame.h"
#include "views/CStrobeSplitterWnd.h"

#include <QSettings>

namespace lumadesk {

namespace {

const QString kGeometry = QStringLiteral("Window/Geometry");
const QString kState = QStringLiteral("Window/State");
const QString kOuter = QStringLiteral("Window/OuterColumns");
const QString kInner = QStringLiteral("Window/InnerColumns");
constexpr int kStateVersion = 1;

QVariantList widthsOf(const CStrobeSplitterWnd* splitter) {
    QVariantList widths;
    for (int width : splitter->sizes())
        widths.append(width);
    return widths;
}

void restoreWidths(CStrobeSplitterWnd* splitter, const QVariant& value) {
    QList<int> widths;
    for (const QVariant& width : value.toList()) {
        bool ok = false;
        const int w = width.toInt(&ok);
        if (!ok || w < 0)
            return; // a damaged entry: keep the built-in sizes
        widths.append(w);
    }
    if (!widths.isEmpty())
        splitter->RestoreColumnWidths(widths);
}

} // namespace

void RestoreWindowLayout(CMainFrame& frame, QSettings& settings) {
    const QByteArray geometry = settings.value(kGeometry).toByteArray();
    if (!geometry.isEmpty())
        frame.restoreGeometry(geometry);
    const QByteArray state = settings.value(kState).toByteArray();
    if (!state.isEmpty())
        frame.restoreState(state, kStateVersion);
    restoreWidths(frame.outerSplitter(), settings.value(kOuter));
    restoreWidths(frame.innerSplitter(), settings.value(kInner));
}

void SaveWindowLayout(const CMainFrame& frame, QSettings& settings) {
    settings.setValue(kGeometry, frame.saveGeometry());
    settings.setValue(kState, frame.saveState(kStateVersion));
    settings.setValue(kOuter, widthsOf(frame.outerSplitter()));
    settings.setValue(kInner, widthsOf(frame.innerSplitter()));
}

} // namespace lumadesk
