#include "CProgressWorkDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTimerPeriodMs = 50;

} // namespace

CProgressWorkDlg::CProgressWorkDlg(const QString& title, const QString& text, const QString& cancelText,
                                   QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setModal(true);
    m_pText = new QLabel(text, this);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setTextVisible(false);
    m_pCancel = new QPushButton(cancelText, this);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pCancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pText);
    layout->addWidget(m_pProgress);
    layout->addLayout(buttons);
    setFixedSize(322, 124);

    m_Timer.setSingleShot(true);
    m_Timer.setInterval(kTimerPeriodMs);
    connect(&m_Timer, &QTimer::timeout, this, &CProgressWorkDlg::OnTimer);
}

void CProgressWorkDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_bTimerArmed) {
        m_bTimerArmed = true;
        m_Timer.start();
    }
}

void CProgressWorkDlg::done(int result)
{
    m_Timer.stop();
    QDialog::done(result);
}

void CProgressWorkDlg::OnTimer()
{
    m_Timer.stop();
    if (m_bWorkStarted || !isVisible())
        return;
    m_bWorkStarted = true;
    m_pCancel->setEnabled(false);
    const int result = DoWork();
    m_pProgress->repaint();
    done(result);
}

void CProgressWorkDlg::Step()
{
    m_pProgress->setValue(m_pProgress->value() + 1);
    m_pProgress->repaint();
}
