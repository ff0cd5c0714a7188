#pragma once

#include "IMessageSink.h"

class IUserPrompts;

// Shows the document's messages as message boxes with no owner window, and its beep as the
// system beep, through the program's prompts.
class CQtMessageSink final : public IMessageSink {
public:
    explicit CQtMessageSink(IUserPrompts& prompts) : m_Prompts(prompts) {}

    void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    void Beep() override;

private:
    IUserPrompts& m_Prompts;
};
