#include "CCommandTable.h"

#include "CChildFrame.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CRecognizeApp.h"

#include <array>

namespace {

using namespace CommandFlag;
using T = CommandTarget;
using C = const CommandContext&;

template <int Index>
void OpenRecentFile(C c)
{
    c.pApp->OnOpenRecentFile(Index);
}

template <int Index>
CommandState UpdateRecentFile(C c)
{
    return {Index < c.pApp->RecentFiles().Count(), false};
}

constexpr const char* kFile = "&File";
constexpr const char* kEdit = "&Edit";
constexpr const char* kView = "&View";
constexpr const char* kRecognition = "&Recognition";
constexpr const char* kPage = "&Page";
constexpr const char* kOptions = "&Options";
constexpr const char* kWindow = "&Window";
constexpr const char* kHelp = "&Help";

// clang-format off
const std::array kCommands = {
    CommandInfo{CommandId::kFileNew, kFile, nullptr, "&New", "Create a new document\nNew", "Ctrl+N",
        T::App, [](C c) { c.pApp->OnFileNew(); }, nullptr, kWithoutDocument, "document-new"},
    CommandInfo{CommandId::kFileOpen, kFile, nullptr, "&Open...", "Open an existing document\nOpen", "Ctrl+O",
        T::App, [](C c) { c.pApp->OnFileOpen(); }, nullptr,
        kWithoutDocument | kSeparatorAfterWithoutDocument, "document-open"},
    CommandInfo{CommandId::kFileClose, kFile, nullptr, "&Close", "Close the active document\nClose", "",
        T::Document, [](C c) { c.pDocument->OnFileClose(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kFileSave, kFile, nullptr, "&Save", "Save the active document\nSave", "Ctrl+S",
        T::Document, [](C c) { c.pDocument->OnFileSave(); }, nullptr, 0, "document-save"},
    CommandInfo{CommandId::kFileSaveAs, kFile, nullptr, "Save &As...", "Save the active document with a new name\nSave As", "",
        T::Document, [](C c) { c.pDocument->OnFileSaveAs(); }, nullptr, kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kFilePrint, kFile, nullptr, "&Print...", "Print the active document\nPrint", "Ctrl+P",
        T::None, nullptr, nullptr, 0, "document-print"},
    CommandInfo{CommandId::kFilePrintPreview, kFile, nullptr, "Print Pre&view", "Display full pages\nPrint Preview", "",
        T::None, nullptr, nullptr, 0, nullptr},
    CommandInfo{CommandId::kFilePrintSetup, kFile, nullptr, "P&rint Setup...", "Change the printer and printing options\nPrint Setup", "",
#ifdef RECOGNIZE_HAVE_PRINT_SUPPORT
        T::App, [](C c) { c.pApp->OnFilePrintSetup(); },
#else
        T::None, nullptr,
#endif
        nullptr, kSeparatorAfter | kWithoutDocument | kSeparatorAfterWithoutDocument, nullptr},
    CommandInfo{CommandId::kFileMru1, kFile, nullptr, "Recent File", "Open this document", "",
        T::App, OpenRecentFile<0>, UpdateRecentFile<0>, kWithoutDocument, nullptr},
    CommandInfo{CommandId::kFileMru1 + 1, kFile, nullptr, "Recent File", "Open this document", "",
        T::App, OpenRecentFile<1>, UpdateRecentFile<1>, kWithoutDocument, nullptr},
    CommandInfo{CommandId::kFileMru1 + 2, kFile, nullptr, "Recent File", "Open this document", "",
        T::App, OpenRecentFile<2>, UpdateRecentFile<2>, kWithoutDocument, nullptr},
    CommandInfo{CommandId::kFileMru1 + 3, kFile, nullptr, "Recent File", "Open this document", "",
        T::App, OpenRecentFile<3>, UpdateRecentFile<3>,
        kSeparatorAfter | kWithoutDocument | kSeparatorAfterWithoutDocument, nullptr},
    CommandInfo{CommandId::kAppExit, kFile, nullptr, "E&xit", "Quit the application; prompts to save documents\nExit", "",
        T::App, [](C c) { c.pApp->OnAppExit(); }, nullptr, kWithoutDocument, nullptr},

    CommandInfo{CommandId::kEditUndo, kEdit, nullptr, "&Undo", "Undo the last action\nUndo", "Ctrl+Z; Alt+Backspace",
        T::None, nullptr, nullptr, kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kEditCut, kEdit, nullptr, "Cu&t", "Cut the selection and put it on the Clipboard\nCut", "Ctrl+X; Shift+Del",
        T::None, nullptr, nullptr, 0, "edit-cut"},
    CommandInfo{CommandId::kEditCopy, kEdit, nullptr, "&Copy", "Copy the selection and put it on the Clipboard\nCopy", "Ctrl+C; Ctrl+Ins",
        T::None, nullptr, nullptr, 0, "edit-copy"},
    CommandInfo{CommandId::kEditPaste, kEdit, nullptr, "&Paste", "Insert Clipboard contents\nPaste", "Ctrl+V; Shift+Ins",
        T::None, nullptr, nullptr, kSeparatorAfter, "edit-paste"},
    CommandInfo{CommandId::kCopyResultText, kEdit, nullptr, "Copy &Result Text", "Copy the text of the last recognition to the Clipboard", "",
        T::Document, [](C c) { c.pDocument->OnCopyResultText(); },
        [](C c) { return c.pDocument->OnUpdateCopyResultText(); }, 0, nullptr},

    CommandInfo{CommandId::kViewToolbar, kView, nullptr, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnViewToolbar(); },
        [](C c) { return c.pMainFrame->OnUpdateViewToolbar(); }, kCheckable | kWithoutDocument, nullptr},
    CommandInfo{CommandId::kViewStatusBar, kView, nullptr, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnViewStatusBar(); },
        [](C c) { return c.pMainFrame->OnUpdateViewStatusBar(); },
        kCheckable | kWithoutDocument | kSeparatorAfter | kSeparatorAfterWithoutDocument, nullptr},
    CommandInfo{CommandId::kZoomIn, kView, nullptr, "Zoom &In", "Magnify the picture and the result\nZoom In", "Ctrl++; Ctrl+=",
        T::ChildFrame, [](C c) { c.pChildFrame->OnZoomIn(); },
        [](C c) { return c.pChildFrame->OnUpdateZoomIn(); }, 0, nullptr},
    CommandInfo{CommandId::kZoomOut, kView, nullptr, "Zoom &Out", "Reduce the magnification\nZoom Out", "Ctrl+-",
        T::ChildFrame, [](C c) { c.pChildFrame->OnZoomOut(); },
        [](C c) { return c.pChildFrame->OnUpdateZoomOut(); }, 0, nullptr},
    CommandInfo{CommandId::kActualSize, kView, nullptr, "&Actual Size", "Show the picture and the result pixel for pixel\nActual Size", "Ctrl+0",
        T::ChildFrame, [](C c) { c.pChildFrame->OnActualSize(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kCellGrid, kView, nullptr, "Cell &Grid", "Show the cell boundaries and the text origin\nCell Grid", "",
        T::ChildFrame, [](C c) { c.pChildFrame->OnCellGrid(); },
        [](C c) { return c.pChildFrame->OnUpdateCellGrid(); }, kCheckable | kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kViewVariants, kView, nullptr, "&Variants", "Show or hide the variants and the word cut of the last recognition\nVariants", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnViewVariants(); },
        [](C c) { return c.pMainFrame->OnUpdateViewVariants(); }, kCheckable | kWithoutDocument, nullptr},
    CommandInfo{CommandId::kViewPageText, kView, nullptr, "Page Te&xt", "Show or hide the text of the page read\nPage Text", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnViewPageText(); },
        [](C c) { return c.pMainFrame->OnUpdateViewPageText(); }, kCheckable | kWithoutDocument, nullptr},

    CommandInfo{CommandId::kEditText, kRecognition, nullptr, "Edit &text", "User can edit his input as text\nAs text", "",
        T::Document, [](C c) { c.pDocument->OnEditText(); },
        [](C c) { return c.pDocument->OnUpdateEditText(); }, kCheckable, nullptr},
    CommandInfo{CommandId::kEditGraphics, kRecognition, nullptr, "Edit &graphics", "User can edit his input as graphics\nAs Graphics", "",
        T::Document, [](C c) { c.pDocument->OnEditGraphics(); },
        [](C c) { return c.pDocument->OnUpdateEditGraphics(); }, kCheckable | kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kSaveBitmap, kRecognition, nullptr, "&Save bitmap...", "Saves current text with noise as a \".BMP\" file", "",
        T::Document, [](C c) { c.pDocument->OnSaveBitmap(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kLoadBitmap, kRecognition, nullptr, "&Load Bitmap...", "Loads a \".BMP\" file as a current text with noise.", "",
        T::Document, [](C c) { c.pDocument->OnLoadBitmap(); }, nullptr, kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kSetText, kRecognition, nullptr, "Set te&xt...", "Set new text for recognition", "",
        T::Document, [](C c) { c.pDocument->OnSetText(); },
        [](C c) { return c.pDocument->OnUpdateSetText(); }, kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kRecognizeSimple, kRecognition, nullptr, "&Recognize (Simple)", "Recognize user input (Simple version)\nRecognize (Simple)", "",
        T::Document, [](C c) { c.pDocument->OnRecognizeSimple(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kRecognizeComplex, kRecognition, nullptr, "Recognize (&Complex)", "Recognize user input (Complex version)\nRecognize (Complex)", "",
        T::Document, [](C c) { c.pDocument->OnRecognizeComplex(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kAddNoise, kRecognition, nullptr, "Add &Noise...", "Adds reproducible noise to the picture", "",
        T::Document, [](C c) { c.pDocument->OnAddNoise(); }, nullptr, 0, nullptr},

    CommandInfo{CommandId::kOpenPicture, kPage, nullptr, "&Open Picture...", "Open a picture of any format as a new document, to be read as a page\nOpen Picture", "Ctrl+Shift+O",
        T::App, [](C c) { c.pApp->OnOpenPicture(); }, nullptr, kWithoutDocument, nullptr},
    CommandInfo{CommandId::kPastePicture, kPage, nullptr, "&Paste Picture", "Open the picture on the Clipboard as a new document\nPaste Picture", "Ctrl+Shift+V",
        T::App, [](C c) { c.pApp->OnPastePicture(); }, nullptr, kWithoutDocument, nullptr},
    CommandInfo{CommandId::kReadScreenRegion, kPage, nullptr, "Read Screen Re&gion...", "Choose a region of the screen, read its text and copy it to the Clipboard\nRead Screen Region", "Ctrl+Shift+R",
        T::App, [](C c) { c.pApp->OnReadScreenRegion(); }, nullptr, kWithoutDocument | kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kReadPage, kPage, nullptr, "&Read Page", "Read the whole picture as a page of text lines in the document's font\nRead Page", "Ctrl+R",
        T::Document, [](C c) { c.pDocument->OnReadPage(); },
        [](C c) { return c.pDocument->OnUpdateReadPage(); }, 0, nullptr},
    CommandInfo{CommandId::kCopyPageText, kPage, nullptr, "&Copy Text", "Copy the text of the page read to the Clipboard\nCopy Text", "Ctrl+Shift+C",
        T::Document, [](C c) { c.pDocument->OnCopyPageText(); },
        [](C c) { return c.pDocument->OnUpdatePageText(); }, 0, nullptr},
    CommandInfo{CommandId::kSavePageText, kPage, nullptr, "&Save Text As...", "Save the text of the page read as a UTF-8 text file\nSave Text As", "",
        T::Document, [](C c) { c.pDocument->OnSavePageText(); },
        [](C c) { return c.pDocument->OnUpdatePageText(); }, 0, nullptr},
    CommandInfo{CommandId::kSavePicture, kPage, nullptr, "Save P&icture As...", "Save the picture, in its colours, as a PNG file\nSave Picture As", "",
        T::Document, [](C c) { c.pDocument->OnSavePicture(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kSaveFont, kPage, nullptr, "Save &Font As...", "Save the document's glyph font as a GLF file\nSave Font As", "",
        T::Document, [](C c) { c.pDocument->OnSaveFont(); }, nullptr, kSeparatorAfter, nullptr},
    CommandInfo{CommandId::kPageOutlines, kPage, nullptr, "Page O&utlines", "Outline the lines and cells of the page read over the picture\nPage Outlines", "",
        T::ChildFrame, [](C c) { c.pChildFrame->OnPageOutlines(); },
        [](C c) { return c.pChildFrame->OnUpdatePageOutlines(); }, kCheckable, nullptr},

    CommandInfo{CommandId::kRecognitionCoefficient, kOptions, nullptr, "Recogition &Coefficient...", "Set new recognition coefficient", "",
        T::Document, [](C c) { c.pDocument->OnRecognitionCoefficient(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kLoadFont, kOptions, nullptr, "Load &Font...", "Select font for text\nFont", "",
        T::Document, [](C c) { c.pDocument->OnLoadFont(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kAdditionalSpace, kOptions, nullptr, "Additional &Space...", "Add additional space to the user graphics input", "",
        T::Document, [](C c) { c.pDocument->OnAdditionalSpace(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kLineWidth1, kOptions, "Line width", "1 Pixel Width", "Set line width to 1 pixel", "",
        T::Document, [](C c) { c.pDocument->OnLineWidth1(); },
        [](C c) { return c.pDocument->OnUpdateLineWidth1(); }, kCheckable, nullptr},
    CommandInfo{CommandId::kLineWidth3, kOptions, "Line width", "3 Pixels Width", "Set line width to 3 pixels", "",
        T::Document, [](C c) { c.pDocument->OnLineWidth3(); },
        [](C c) { return c.pDocument->OnUpdateLineWidth3(); }, kCheckable, nullptr},
    CommandInfo{CommandId::kLineWidth5, kOptions, "Line width", "5 Pixels Width", "Set line width to 5 pixels", "",
        T::Document, [](C c) { c.pDocument->OnLineWidth5(); },
        [](C c) { return c.pDocument->OnUpdateLineWidth5(); }, kCheckable, nullptr},
    CommandInfo{CommandId::kDictionary, kOptions, nullptr, "&Dictionary...", "Choose the word list and alphabet of Complex recognition", "",
        T::Document, [](C c) { c.pDocument->OnDictionary(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kExperiment, kOptions, nullptr, "&Experiment...", "Measures recognition over a corpus of noisy lines", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnExperiment(); }, nullptr, 0, nullptr},

    CommandInfo{CommandId::kWindowNew, kWindow, nullptr, "&New Window", "Open another window for the active document\nNew Window", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnWindowNew(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kWindowCascade, kWindow, nullptr, "&Cascade", "Arrange windows so they overlap\nCascade Windows", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnWindowCascade(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kWindowTile, kWindow, nullptr, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnWindowTile(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kWindowArrange, kWindow, nullptr, "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons", "",
        T::MainFrame, [](C c) { c.pMainFrame->OnWindowArrange(); }, nullptr, 0, nullptr},

    CommandInfo{CommandId::kAppAbout, kHelp, nullptr, "&About Recognize...", "Display program information and version number\nAbout", "",
        T::App, [](C c) { c.pApp->OnAbout(); }, nullptr, kWithoutDocument, "help-about"},

    CommandInfo{CommandId::kNextPane, nullptr, nullptr, "Next Pane", "Switch to the next window pane\nNext Pane", "F6",
        T::ChildFrame, [](C c) { c.pChildFrame->OnNextPane(); }, nullptr, 0, nullptr},
    CommandInfo{CommandId::kPrevPane, nullptr, nullptr, "Previous Pane", "Switch back to the previous window pane\nPrevious Pane", "Shift+F6",
        T::ChildFrame, [](C c) { c.pChildFrame->OnPrevPane(); }, nullptr, 0, nullptr},
};
// clang-format on

bool HasTarget(CommandTarget target, const CommandContext& context)
{
    switch (target) {
    case CommandTarget::None: return false;
    case CommandTarget::App: return context.pApp != nullptr;
    case CommandTarget::MainFrame: return context.pMainFrame != nullptr;
    case CommandTarget::ChildFrame: return context.pChildFrame != nullptr;
    case CommandTarget::Document: return context.pDocument != nullptr;
    }
    return false;
}

}  // namespace

std::span<const CommandInfo> CommandTable()
{
    return kCommands;
}

const CommandInfo* FindCommand(int id)
{
    for (const CommandInfo& command : kCommands)
        if (command.nId == id)
            return &command;
    return nullptr;
}

CommandState QueryCommandState(const CommandInfo& command, const CommandContext& context)
{
    if (!command.pfnHandler || !HasTarget(command.target, context))
        return {false, false};
    if (!command.pfnUpdate)
        return {true, false};
    return command.pfnUpdate(context);
}

bool RunCommand(const CommandInfo& command, const CommandContext& context)
{
    if (!QueryCommandState(command, context).bEnabled)
        return false;
    command.pfnHandler(context);
    return true;
}
