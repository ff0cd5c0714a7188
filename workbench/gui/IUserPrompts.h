#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// What a file dialog is opened with.
struct FileDialogRequest {
    QString strCaption;
    QString strDirectory;      // folder shown first; empty = the working directory
    QString strInitialName;    // file name proposed in the name box
    QStringList filters;       // "Name (*.ext)" entries, the first selected
    QString strDefaultSuffix;  // added to a name typed without one
    bool bConfirmOverwrite = false;
};

// Every modal interaction of the program with the user: file dialogs, message boxes, the
// program's own dialogs and the system beep. The desktop program shows them; tests answer
// them from a script.
class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    // The chosen file, or an empty string when the user cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // Shows a message box and returns the button that closed it.
    virtual QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text,
                                                    const QString& title, QMessageBox::Icon icon,
                                                    QMessageBox::StandardButtons buttons) = 0;
    // Asks a question with the warning icon, whose buttons stand for standard answers but carry the program's own
    // texts, left to right; Enter presses defaultButton, Escape the Cancel button.
    virtual QMessageBox::StandardButton AskQuestion(QWidget* parent, const QString& text, const QString& title,
                                                    const QList<QPair<QMessageBox::StandardButton, QString>>& buttons,
                                                    QMessageBox::StandardButton defaultButton) = 0;
    // Runs one of the program's dialogs modally; QDialog::Accepted or QDialog::Rejected.
    virtual int ExecDialog(QDialog& dialog) = 0;
    virtual void Beep() = 0;
};
