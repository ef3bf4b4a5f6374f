#include "app/RadioWatch.h"

#include "app/CMainFrame.h"
#include "app/RadioTrafficDock.h"
#include "app/ScreenRoom.h"
#include "app/StatusPanes.h"
#include "link/RadioLink.h"
#include "views/CNavigationFormView.h"
#include "views/CStudioListFormView.h"
#include "views/HeardMarks.h"

#include <QMenu>
#include <QStatusBar>
#include <QTimerEvent>
#include <utility>

namespace lumadesk {

RadioWatch::RadioWatch(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    auto* tree = static_cast<CStudioListFormView*>(frame.studioListPane())->tree();
    m_marks = new HeardMarks(frame.model(), frame.radio(), grid, tree, this);

    m_headsPane = new StatusPane(QStringLiteral("Heads answering"), QString(), &frame);
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
    // The marks and the count follow the news at once, or once a drain is through; the timer
    // only ages "last heard".
    const ModelNews& news = frame.model().news;
    const auto soon = [this, &news] {
        if (news.draining())
            m_refreshAtDrainEnd = true;
        else
            refresh();
    };
    connect(&news, &ModelNews::drainEnded, this, [this] {
        if (std::exchange(m_refreshAtDrainEnd, false))
            refresh();
    });
    connect(&news, &ModelNews::headChanged, this, [soon](int, int, quint32 mask) {
        if ((mask & kCueMask) != 0)
            soon();
    });
    connect(&news, &ModelNews::headAdded, this, soon);
    connect(&news, &ModelNews::headRemoved, this, soon);
    connect(&news, &ModelNews::studioEmptied, this, soon);
    connect(&news, &ModelNews::currentChanged, this, soon);
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
    // Whose heads they are stays in every form: the studio counted may not be the one shown.
    const QString counts =
        QStringLiteral("%1: %2/%3")
            .arg(studio->sStudioName, QString::number(answering), QString::number(heads));
    if (form == HeadsForm::Counts)
        return counts;
    if (form == HeadsForm::Short)
        return counts + QStringLiteral(" answering");
    const QString state = answering == heads
                              ? QStringLiteral("all answering")
                              : QStringLiteral("%1 not answering").arg(heads - answering);
    return QStringLiteral("%1: %2 %3, %4")
        .arg(studio->sStudioName, QString::number(heads),
             heads == 1 ? QStringLiteral("head") : QStringLiteral("heads"), state);
}

void RadioWatch::refresh() {
    m_marks->refresh();
    const QString text = headsText();
    if (text != m_headsPane->text())
        m_headsPane->setText(text, {headsText(HeadsForm::Short), headsText(HeadsForm::Counts)});
}

void RadioWatch::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timerId)
        refresh();
    else
        QObject::timerEvent(event);
}

} // namespace lumadesk
