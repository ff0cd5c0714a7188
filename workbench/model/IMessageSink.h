#pragma once

#include <string_view>

enum class MessageIcon { Error, Exclamation, Information, Question };

// How the document reports to the user: the desktop program shows message boxes with no
// owner window, the command line prints on stderr.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) = 0;
    // The system question beep of a command or mouse press that the mode forbids.
    virtual void Beep() = 0;
    // A line that names what a fixed message leaves out (the file and the cause), shown
    // before that message: the desktop program puts it in the status bar.
    virtual void ShowNote(std::string_view) {}
};

// Swallows every message; used where nobody listens.
class CSilentMessageSink final : public IMessageSink {
public:
    void ShowMessage(std::string_view, std::string_view, MessageIcon) override {}
    void Beep() override {}
};
