#include "CProgressWorkDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

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

CProgressWorkDlg::~CProgressWorkDlg()
{
    // The worker reads what the dialog holds: it ends first.
    if (m_Worker.isRunning()) {
        m_bCancelRequested = true;
        m_Worker.waitForFinished();
    }
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
    if (m_Worker.isRunning()) {
        // Cancel, Escape or the window's close: the work is asked to stop, and the dialog
        // closes when it has.
        m_bCancelRequested = true;
        m_pCancel->setEnabled(false);
        m_pText->setText(QStringLiteral("Cancelling..."));
        return;
    }
    QDialog::done(result);
}

void CProgressWorkDlg::OnTimer()
{
    m_Timer.stop();
    if (m_bWorkStarted || !isVisible())
        return;
    m_bWorkStarted = true;
    if (m_bOffUiThread) {
        connect(&m_Worker, &QFutureWatcher<int>::finished, this, &CProgressWorkDlg::OnWorkerFinished);
        m_Worker.setFuture(QtConcurrent::run([this] { return DoWork(); }));
        return;
    }
    m_pCancel->setEnabled(false);
    const int result = DoWork();
    m_pProgress->repaint();
    done(result);
}

void CProgressWorkDlg::OnWorkerFinished()
{
    ShowSteps();
    QDialog::done(m_bCancelRequested ? Rejected : m_Worker.result());
}

void CProgressWorkDlg::Step()
{
    if (!m_bOffUiThread) {
        m_pProgress->setValue(m_pProgress->value() + 1);
        m_pProgress->repaint();
        return;
    }
    ++m_nSteps;
    QMetaObject::invokeMethod(this, &CProgressWorkDlg::ShowSteps, Qt::QueuedConnection);
}

void CProgressWorkDlg::SetStepCount(int count)
{
    if (!m_bOffUiThread) {
        m_pProgress->setMaximum(count);
        return;
    }
    m_nStepCount = count;
    QMetaObject::invokeMethod(this, &CProgressWorkDlg::ShowSteps, Qt::QueuedConnection);
}

void CProgressWorkDlg::ShowSteps()
{
    if (m_nStepCount >= 0)
        m_pProgress->setMaximum(m_nStepCount);
    m_pProgress->setValue(std::min(m_nSteps.load(), m_pProgress->maximum()));
}
