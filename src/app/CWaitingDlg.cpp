#include "app/CWaitingDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace lumadesk {

CWaitingDlg::CWaitingDlg(const QString& studioName, QWidget* parent, int tickMs)
    : QDialog(parent), m_text(new QLabel(QStringLiteral("Please wait for channel scan."), this)),
      m_bar(new QProgressBar(this)), m_progress(studioName), m_tickMs(tickMs) {
    setWindowTitle(QStringLiteral("Channel scan"));
    setModal(true);
    m_text->setAccessibleName(QStringLiteral("Scan progress"));
    m_bar->setAccessibleName(QStringLiteral("Wait left"));
    m_bar->setRange(0, kTickLimit);
    showWaitLeft();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
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
    showWaitLeft();
    if (m_ticks == kTickLimit)
        accept();
}

void CWaitingDlg::showWaitLeft() {
    // The bar fills as the wait runs out; its text says what is left, in whole seconds.
    const int leftMs = (kTickLimit - m_ticks) * m_tickMs;
    const QString left = QStringLiteral("%1 s left").arg((leftMs + 999) / 1000);
    m_bar->setValue(m_ticks);
    m_bar->setFormat(left);
    m_bar->setAccessibleDescription(left);
}

void CWaitingDlg::done(int result) {
    // However the box closes (its own end, Escape, the window's close button), the timer goes.
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
    QDialog::done(result);
}

} // namespace lumadesk
