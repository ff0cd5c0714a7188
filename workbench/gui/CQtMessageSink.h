#pragma once

#include "IMessageSink.h"

#include <QString>

#include <functional>

class IUserPrompts;

// Shows the document's messages as message boxes with no owner window, and its beep as the
// system beep, through the program's prompts.
class CQtMessageSink final : public IMessageSink {
public:
    explicit CQtMessageSink(IUserPrompts& prompts) : m_Prompts(prompts) {}

    void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    void Beep() override;
    // Hands the note to the handler (the status bar of the main window), if there is one.
    void ShowNote(std::string_view text) override;
    void SetNoteHandler(std::function<void(const QString&)> handler) { m_fnNote = std::move(handler); }

private:
    IUserPrompts& m_Prompts;
    std::function<void(const QString&)> m_fnNote;
};
