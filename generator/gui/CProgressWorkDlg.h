#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QTimer>

#include <atomic>

class QLabel;
class QProgressBar;
class QPushButton;

// A small modal progress dialog that starts a 50 ms timer when it is shown and does its whole
// work inside the first tick; Cancel before that tick closes it with nothing done. A dialog
// made to work off the user-interface thread instead runs its work on a worker thread from
// that tick: the window is served meanwhile, and Cancel asks the work to stop.
class CProgressWorkDlg : public QDialog {
public:
    CProgressWorkDlg(const QString& title, const QString& text, const QString& cancelText, QWidget* parent);
    ~CProgressWorkDlg() override;

    // True once the work has begun; from then on it runs to its end, or, off the
    // user-interface thread, until it sees CancelRequested.
    bool WorkStarted() const { return m_bWorkStarted; }

    // While the work runs on its worker, closing asks it to stop and waits for it.
    void done(int result) override;

protected:
    // Does the work; calls Step once per code. Returns the dialog's result.
    virtual int DoWork() = 0;
    // Advances the progress bar one step and shows it at once; from the worker, at the
    // window's next turn.
    void Step();
    // The number of steps the bar counts to; callable from the worker.
    void SetStepCount(int count);
    QProgressBar* ProgressBar() const { return m_pProgress; }
    // Makes DoWork run on a worker thread, with Cancel enabled throughout.
    void WorkOffTheUiThread() { m_bOffUiThread = true; }
    // True once Cancel was pressed while the work runs on its worker.
    bool CancelRequested() const { return m_bCancelRequested.load(); }

    void showEvent(QShowEvent* event) override;

private:
    void OnTimer();
    void OnWorkerFinished();
    // Shows the steps counted so far on the bar.
    void ShowSteps();

    QLabel* m_pText;
    QProgressBar* m_pProgress;
    QPushButton* m_pCancel;
    QTimer m_Timer;
    bool m_bTimerArmed = false;
    bool m_bWorkStarted = false;
    bool m_bOffUiThread = false;
    QFutureWatcher<int> m_Worker;
    std::atomic<bool> m_bCancelRequested = false;
    std::atomic<int> m_nSteps = 0;
    std::atomic<int> m_nStepCount = -1;   // -1: the bar's own maximum
};
