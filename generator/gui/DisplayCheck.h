#pragma once

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace displaycheck {

inline const char* g_pProgram = "";
inline const char* g_pAlternative = "";
inline QtMessageHandler g_fnPrevious = nullptr;

// Says that no window can be opened, and how to run without one.
inline void SayNoDisplay(const char* reason)
{
    std::fprintf(stderr, "%s: cannot open a window: %s.\n", g_pProgram, reason);
    std::fprintf(stderr, "%s: %s, or start a virtual display: xvfb-run %s\n", g_pProgram, g_pAlternative, g_pProgram);
}

// Turns Qt's abort when its platform cannot start into a clear message and exit status 1.
inline void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s: %s\n", g_pProgram, qPrintable(message));
        SayNoDisplay("the display could not be opened");
        std::_Exit(1);
    }
    if (g_fnPrevious != nullptr)
        g_fnPrevious(type, context, message);
}

} // namespace displaycheck

// Before the application object is made: exits with status 1 and a message when there is no
// display to open a window on, and makes a display that cannot be reached end the same way.
// alternative tells how to do the work without a window.
inline void ExitUnlessDisplay(const char* program, const char* alternative)
{
    displaycheck::g_pProgram = program;
    displaycheck::g_pAlternative = alternative;
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        displaycheck::SayNoDisplay("no display is set (DISPLAY and WAYLAND_DISPLAY are empty)");
        std::exit(1);
    }
    displaycheck::g_fnPrevious = qInstallMessageHandler(displaycheck::OnQtMessage);
}
