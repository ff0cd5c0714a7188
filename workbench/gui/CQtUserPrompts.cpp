#include "CQtUserPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>

namespace {

// Runs a QFileDialog; never touches the process's working directory.
QString RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.strCaption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.strDefaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.bConfirmOverwrite);
    dialog.setDirectory(request.strDirectory.isEmpty() ? QDir::currentPath() : request.strDirectory);
    if (!request.strInitialName.isEmpty())
        dialog.selectFile(request.strInitialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString CQtUserPrompts::GetOpenFileName(QWidget* parent, const FileDialogRequest& request)
{
    return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString CQtUserPrompts::GetSaveFileName(QWidget* parent, const FileDialogRequest& request)
{
    return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

QMessageBox::StandardButton CQtUserPrompts::ShowMessage(QWidget* parent, const QString& text,
                                                        const QString& title, QMessageBox::Icon icon,
                                                        QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton CQtUserPrompts::AskQuestion(QWidget* parent, const QString& text, const QString& title,
                                                        const QList<QPair<QMessageBox::StandardButton, QString>>& buttons,
                                                        QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    for (const auto& [button, label] : buttons) {
        box.addButton(button);
        if (!label.isEmpty())
            box.button(button)->setText(label);
    }
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

int CQtUserPrompts::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}

void CQtUserPrompts::Beep()
{
    QApplication::beep();
}
