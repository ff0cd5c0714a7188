#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// A small modal progress dialog that starts a 50 ms timer when it is shown and does its whole
// work inside the first tick; Cancel before that tick closes it with nothing done.
class CProgressWorkDlg : public QDialog {
public:
    CProgressWorkDlg(const QString& title, const QString& text, const QString& cancelText, QWidget* parent);

    // True once the work has begun; from then on it runs to its end.
    bool WorkStarted() const { return m_bWorkStarted; }

    void done(int result) override;

protected:
    // Does the work; calls Step once per code. Returns the dialog's result.
    virtual int DoWork() = 0;
    // Advances the progress bar one step and shows it at once.
    void Step();
    QProgressBar* ProgressBar() const { return m_pProgress; }

    void showEvent(QShowEvent* event) override;

private:
    void OnTimer();

    QLabel* m_pText;
    QProgressBar* m_pProgress;
    QPushButton* m_pCancel;
    QTimer m_Timer;
    bool m_bTimerArmed = false;
    bool m_bWorkStarted = false;
};
