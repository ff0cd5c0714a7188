#pragma once

#include "IUserPrompts.h"

// The real dialogs of the desktop: QFileDialog, QMessageBox, QDialog::exec and the system beep.
class CQtUserPrompts final : public IUserPrompts {
public:
    QString GetOpenFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString GetSaveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton AskQuestion(QWidget* parent, const QString& text, const QString& title,
                                            const QList<QPair<QMessageBox::StandardButton, QString>>& buttons,
                                            QMessageBox::StandardButton defaultButton) override;
    int ExecDialog(QDialog& dialog) override;
    void Beep() override;
};
