#include "app/RadioWatch.h"

#include "app/CMainFrame.h"
#include "app/RadioTrafficDock.h"
#include "app/ScreenRoom.h"
#include "link/RadioLink.h"
#include "views/CNavigationFormView.h"
#include "views/CStudioListFormView.h"
#include "views/HeardMarks.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QTimerEvent>

namespace lumadesk {

namespace {

// At the window's first-start width the pane has less room than its line: it then shows the
// first shorter form that fits ("Studio A: 4/4 heard", "4/4 heard"), ends in "..." only when
// none does, and the tip holds the whole line.
class ElidedPane : public QLabel {
public:
    using QLabel::QLabel;
    QStringList shorter;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect room = contentsRect();
        const QFontMetrics metrics = fontMetrics();
        QString shown = text();
        for (const QString& form : shorter)
            if (metrics.horizontalAdvance(shown) > room.width())
                shown = form;
        painter.drawText(room, int(alignment()),
                         metrics.elidedText(shown, Qt::ElideRight, room.width()));
    }
};

} // namespace

RadioWatch::RadioWatch(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    auto* tree = static_cast<CStudioListFormView*>(frame.studioListPane())->tree();
    m_marks = new HeardMarks(frame.model(), frame.radio(), grid, tree, this);

    m_headsPane = new ElidedPane(&frame);
    m_headsPane->setAccessibleName(QStringLiteral("Heads answering"));
    // Narrow windows clip it rather than grow.
    m_headsPane->setMinimumWidth(40);
    m_headsPane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    frame.statusBar()->addPermanentWidget(m_headsPane, 1);

    m_dock = new RadioTrafficDock(&frame);
    frame.radio().setTrafficLog(&m_dock->log());
    frame.addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    m_dock->hide();
    new DockRoom(frame, *m_dock);
    frame.viewMenu()->addAction(m_dock->toggleViewAction());

    refresh();
    m_timerId = startTimer(kRefreshMs);
}

QString RadioWatch::headsText(HeadsForm form) const {
    const StudioModel& model = m_frame.model();
    const StudioData* studio = model.pScanStudio;
    if (studio == nullptr)
        studio = StudioOfNode(model.pCurNode);
    if (studio == nullptr || studio->nStudioNum < 0 || studio->nStudioNum >= kStudioCount)
        return {};
    int heads = 0;
    int answering = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (studio->UnitOn(channel) == nullptr)
            continue;
        ++heads;
        answering += m_frame.radio().isAnswering(studio->nStudioNum, channel) ? 1 : 0;
    }
    const QString counts = QStringLiteral("%1/%2 answering").arg(answering).arg(heads);
    if (form == HeadsForm::Counts)
        return counts;
    if (form == HeadsForm::Short)
        return QStringLiteral("%1: %2").arg(studio->sStudioName, counts);
    const QString state = answering == heads
                              ? QStringLiteral("all answering")
                              : QStringLiteral("%1 not answering").arg(heads - answering);
    return QStringLiteral("%1: %2 %3, %4")
        .arg(studio->sStudioName)
        .arg(heads)
        .arg(heads == 1 ? QStringLiteral("head") : QStringLiteral("heads"), state);
}

void RadioWatch::refresh() {
    m_marks->refresh();
    const QString text = headsText();
    if (text != m_headsPane->text()) {
        static_cast<ElidedPane*>(m_headsPane)->shorter = {headsText(HeadsForm::Short),
                                                          headsText(HeadsForm::Counts)};
        m_headsPane->setText(text);
        m_headsPane->setToolTip(text);
        m_headsPane->setAccessibleDescription(text);
    }
}

void RadioWatch::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timerId)
        refresh();
    else
        QObject::timerEvent(event);
}

} // namespace lumadesk
