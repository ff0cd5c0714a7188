#pragma once

#include <span>

class CChildFrame;
class CGuiDocument;
class CMainFrame;
class CRecognizeApp;

// Command ids of Recognize.
namespace CommandId {
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kFileMru1 = 57616;  // 57616..57619: the recent files
inline constexpr int kRecentFileCount = 4;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kWindowNew = 57648;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kEditGraphics = 32776;
inline constexpr int kLoadFont = 32778;
inline constexpr int kEditText = 32779;
inline constexpr int kRecognizeSimple = 32780;
inline constexpr int kRecognizeComplex = 32783;
inline constexpr int kLineWidth1 = 32785;
inline constexpr int kLineWidth5 = 32787;
inline constexpr int kLineWidth3 = 32788;
inline constexpr int kAdditionalSpace = 32789;
inline constexpr int kRecognitionCoefficient = 32790;
inline constexpr int kSetText = 32791;
inline constexpr int kSaveBitmap = 32792;
inline constexpr int kLoadBitmap = 32793;
inline constexpr int kDictionary = 32800;
inline constexpr int kAddNoise = 32810;
inline constexpr int kExperiment = 32811;
inline constexpr int kZoomIn = 32820;
inline constexpr int kZoomOut = 32821;
inline constexpr int kActualSize = 32822;
inline constexpr int kCellGrid = 32823;
inline constexpr int kViewVariants = 32824;
inline constexpr int kOpenPicture = 32830;
inline constexpr int kCopyResultText = 32831;
inline constexpr int kPastePicture = 32832;
inline constexpr int kCopyPageText = 32833;
inline constexpr int kSavePageText = 32834;
inline constexpr int kPageOutlines = 32835;
inline constexpr int kViewPageText = 32836;
inline constexpr int kReadPage = 32837;
inline constexpr int kReadScreenRegion = 32838;
inline constexpr int kSavePicture = 32839;
inline constexpr int kSaveFont = 32840;
}  // namespace CommandId

// What a command reaches: the objects of the program that are active when it runs.
struct CommandContext {
    CRecognizeApp* pApp = nullptr;
    CMainFrame* pMainFrame = nullptr;
    CChildFrame* pChildFrame = nullptr;   // the active document window, or none
    CGuiDocument* pDocument = nullptr;    // its document, or none
};

struct CommandState {
    bool bEnabled = true;
    bool bChecked = false;
};

// Who handles a command; a command whose handler object is missing is disabled.
enum class CommandTarget { None, App, MainFrame, ChildFrame, Document };

// Where a command shows and how.
namespace CommandFlag {
inline constexpr unsigned kCheckable = 1;                        // shows a check mark by its rule
inline constexpr unsigned kSeparatorAfter = 2;                   // in the menu bar with a document
inline constexpr unsigned kWithoutDocument = 4;                  // also in the menu bar without one
inline constexpr unsigned kSeparatorAfterWithoutDocument = 8;    // in the menu bar without one
}  // namespace CommandFlag

// One command: its menu place and text, prompt, keys, handler and update rule.
struct CommandInfo {
    int nId;
    const char* pszMenu;       // top-level menu, or nullptr for a command with keys only
    const char* pszSubmenu;    // submenu inside pszMenu, or nullptr
    const char* pszText;       // menu text with & access key, without the keys
    const char* pszPrompt;     // status-bar text, then "\n" and the tooltip where there is one
    const char* pszKeys;       // shortcut keys, "; "-separated, in QKeySequence's portable form
    CommandTarget target;
    void (*pfnHandler)(const CommandContext&);         // nullptr: no handler, always disabled
    CommandState (*pfnUpdate)(const CommandContext&);  // nullptr: enabled, not checked
    unsigned nFlags;           // CommandFlag bits
    const char* pszIcon;       // freedesktop icon name for a toolbar button, or nullptr

    bool Has(unsigned flag) const { return (nFlags & flag) != 0; }
};

// The recent-file entries, shown in "&File" in place of their row.
inline constexpr bool IsRecentFileCommand(int id)
{
    return id >= CommandId::kFileMru1 && id < CommandId::kFileMru1 + CommandId::kRecentFileCount;
}

// Every command of the program, in menu order.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

// The state of a command in a context: disabled without its handler object, else its rule.
CommandState QueryCommandState(const CommandInfo& command, const CommandContext& context);
// Runs a command's handler when it is enabled; returns whether it ran.
bool RunCommand(const CommandInfo& command, const CommandContext& context);
