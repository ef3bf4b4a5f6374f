#include "app/CWaitingDlg.h"

#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace lumadesk {

CWaitingDlg::CWaitingDlg(const QString& studioName, QWidget* parent, int tickMs)
    : QDialog(parent), m_text(new QLabel(QStringLiteral("Please wait for channel scan."), this)),
      m_progress(studioName), m_tickMs(tickMs) {
    setWindowTitle(QStringLiteral("Channel scan"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    setFixedSize(240, 90);
}

void CWaitingDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    m_progress += QStringLiteral(" scanning ");
    m_text->setText(m_progress);
    m_timerId = startTimer(m_tickMs);
}

void CWaitingDlg::timerEvent(QTimerEvent* event) {
    if (m_timerId == 0 || event->timerId() != m_timerId)
        return QDialog::timerEvent(event);
    ++m_ticks;
    m_progress += QLatin1Char('.');
    m_text->setText(m_progress);
    if (m_ticks == kTickLimit)
        accept();
}

void CWaitingDlg::done(int result) {
    // However the box closes (its own end, Escape, the window's close button), the timer goes.
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
    QDialog::done(result);
}

} // namespace lumadesk
