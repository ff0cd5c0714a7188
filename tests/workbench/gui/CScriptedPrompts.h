#pragma once

// Answers the program's dialogs, file choosers and message boxes from a script, and records
// what was asked.

#include "IUserPrompts.h"

#include <QDialog>

#include <deque>
#include <functional>
#include <vector>

class CScriptedPrompts final : public IUserPrompts {
public:
    struct Message {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    QString GetOpenFileName(QWidget*, const FileDialogRequest& request) override { return NextFile(request); }
    QString GetSaveFileName(QWidget*, const FileDialogRequest& request) override { return NextFile(request); }

    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& text, const QString& title,
                                            QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) override
    {
        messages.push_back({text, title, icon, buttons});
        if (buttons == QMessageBox::Ok || buttonAnswers.empty())
            return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        const QMessageBox::StandardButton answer = buttonAnswers.front();
        buttonAnswers.pop_front();
        return answer;
    }

    // A question: recorded with its button texts and default; answered from buttonAnswers,
    // else with the default button, as Enter does.
    QMessageBox::StandardButton AskQuestion(QWidget*, const QString& text, const QString& title,
                                            const QList<QPair<QMessageBox::StandardButton, QString>>& buttons,
                                            QMessageBox::StandardButton defaultButton) override
    {
        QMessageBox::StandardButtons all;
        for (const auto& button : buttons)
            all |= button.first;
        messages.push_back({text, title, QMessageBox::Warning, all});
        questionButtons.push_back(buttons);
        questionDefaults.push_back(defaultButton);
        if (buttonAnswers.empty())
            return defaultButton;
        const QMessageBox::StandardButton answer = buttonAnswers.front();
        buttonAnswers.pop_front();
        return answer;
    }

    // Runs the next dialog script; a dialog without a script is cancelled.
    int ExecDialog(QDialog& dialog) override
    {
        dialogTitles.push_back(dialog.windowTitle());
        dialogModal.push_back(dialog.isModal());
        dialogParents.push_back(dialog.parentWidget());
        if (dialogScripts.empty())
            return QDialog::Rejected;
        auto script = std::move(dialogScripts.front());
        dialogScripts.pop_front();
        return script(dialog);
    }

    void Beep() override { ++beeps; }

    // Queues a script for the next dialog, which must be a D.
    template <class D>
    void OnDialog(std::function<void(D&)> script)
    {
        dialogScripts.push_back([script = std::move(script)](QDialog& dialog) {
            auto* typed = dynamic_cast<D*>(&dialog);
            if (!typed)
                return static_cast<int>(QDialog::Rejected);
            script(*typed);
            return dialog.result();
        });
    }

    std::deque<QString> fileAnswers;                         // next file chosen; "" = cancel
    std::deque<QMessageBox::StandardButton> buttonAnswers;   // answers to questions
    std::deque<std::function<int(QDialog&)>> dialogScripts;

    std::vector<FileDialogRequest> fileRequests;
    std::vector<Message> messages;
    std::vector<QList<QPair<QMessageBox::StandardButton, QString>>> questionButtons;
    std::vector<QMessageBox::StandardButton> questionDefaults;
    std::vector<QString> dialogTitles;
    std::vector<bool> dialogModal;
    std::vector<QWidget*> dialogParents;
    int beeps = 0;

private:
    QString NextFile(const FileDialogRequest& request)
    {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return {};
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};
