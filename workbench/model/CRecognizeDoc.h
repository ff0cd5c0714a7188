#pragma once

#include "CBitImage.h"
#include "CCharImageFont.h"
#include "CCharVariants.h"
#include "CDictionary.h"
#include "CDocView.h"
#include "CPrefixList.h"
#include "CRaster.h"
#include "COpenRecognizer.h"
#include "CRect.h"
#include "IMessageSink.h"
#include "NoiseGenerator.h"
#include "PageReader.h"
#include "PictureGeometry.h"
#include "PictureLoad.h"
#include "ProportionalPage.h"
#include "RecognitionTrace.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ComplexResult;

// The recognition document: the user's text, the picture drawn from it, the glyph font, the
// dictionary, the settings, the recognition result and the flags that tell the views what to
// show. Toolkit-free: the desktop program and the command line drive the same operations;
// dialogs and file choosers stay in the front ends, which call these operations with the
// values the user chose. Failures are reported through the message sink.
class CRecognizeDoc {
public:
    CRecognizeDoc();
    ~CRecognizeDoc();
    CRecognizeDoc(const CRecognizeDoc&) = delete;
    CRecognizeDoc& operator=(const CRecognizeDoc&) = delete;

    void SetMessageSink(IMessageSink* sink) { m_pMessages = sink; }
    IMessageSink& Messages() const { return *m_pMessages; }

    // --- Life cycle and files -------------------------------------------------------
    // A new document: new-document values, the Latin dictionary from dict.dic and the font
    // from Fonts/default.GLF (both found by FindDataFile), and a white picture of the picture
    // rectangle. False, after "Invalid CharImageFont File", when the font cannot be loaded.
    bool OnNewDocument();
    // The same with the font and dictionary files given; an empty dictPath leaves the
    // dictionary empty (with the chosen alphabet).
    bool NewDocument(const std::string& fontPath, const std::string& dictPath);
    // Opens an .rdf file; false, after the message, when it cannot be read or is damaged.
    bool OpenDocument(const std::string& path);
    // Saves as .rdf, atomically; false after "Failed to save document.".
    bool SaveDocument(const std::string& path);
    // The .rdf bytes of the document.
    std::vector<std::uint8_t> SaveToBytes() const;
    enum class ReadResult { Ok, UnexpectedFormat, InvalidFont };
    // Reads .rdf bytes into the document (no message for UnexpectedFormat; InvalidFont means
    // the document was read with an empty font after "Invalid font format!").
    ReadResult LoadFromBytes(std::span<const std::uint8_t> bytes);

    // --- Commands -------------------------------------------------------------------
    void OnEditText();
    void OnEditGraphics();
    bool CanEditText() const { return !m_bGraphicsModified; }   // "Edit &text" enabled
    bool CanSetText() const { return m_bEditText != 0; }        // "Set te&xt..." enabled
    // Clears the font and loads path; false after "Invalid CharImageFont File".
    bool LoadFont(const std::string& path);
    // "Set te&xt..." after the dialog's OK: stores the text, recomputes the cells, marks the
    // document modified, renders the text into the picture and updates all views.
    // False, after a message, when the picture would exceed the size bound.
    bool SetText(std::string text);
    // "Additional &Space..." after the dialog's OK. False, after a message, when the picture
    // rectangle would exceed the size bound; nothing changes then.
    bool SetAdditionalSpace(int space);
    void SetLineWidth(int width) { m_nLineWidth = width; }
    // "&Save bitmap...": writes the picture as a .BMP file, atomically.
    bool SaveBitmap(const std::string& path);
    // "&Load Bitmap...": replaces the picture; false, after a message, leaving the document
    // unchanged when the file cannot be read as a bitmap.
    bool LoadBitmap(const std::string& path);
    // "&Load Bitmap..." with the file already read (LoadBmpPicture): takes its picture, or
    // reports why it was refused.
    bool LoadBitmap(PictureLoad load);
    // "&Recognize (Simple)" and "Recognize (&Complex)".
    void OnRecognizeSimple();
    void OnRecognizeComplex();
    // Rebuilds m_pPrefixLists from position a and writes row[a..n] of the word-cost matrix.
    void BuildPrefixLists(int a, std::int32_t* row);
    // The last recognition, step by step; empty in a new or opened document.
    const RecognitionTrace& Trace() const { return m_Trace; }
    // A mouse stroke segment was drawn into the picture by sender.
    void OnStrokeDrawn(CDocView* sender);
    // "Add &Noise..." after the dialog's OK: adds the noise to the picture as a stroke
    // changes it (graphics modified, document modified, every view updated). False, with
    // nothing changed, when the rate is outside 0..kMaxNoiseRate.
    bool OnAddNoise(const NoiseSettings& noise);

    // --- Pages ----------------------------------------------------------------------
    // "Open &Picture...": takes a whole picture, of any size within the bound, as the picture
    // of this document, which then stands as after "&Load Bitmap..." but shows the whole
    // picture. False, after a message, when the picture is empty or past the bound.
    bool OpenPicture(CRaster picture);
    // The document shows its whole picture (opened with "Open &Picture..."), not only R.
    bool ShowsWholePicture() const { return m_bWholePicture; }
    // What the graphics view shows: R, joined with the picture's own size when shown whole.
    CRect ShownRect() const;
    // How "Read &Page" reads: the document's coefficient, ink far from the background.
    PageOptions PageReadOptions() const { return {m_dCoefficient, InkRule::Auto}; }
    // Keeps the reading of the picture and updates all views; it is not saved.
    void SetPage(PageReading page);
    // Keeps a reading of the picture as proportional text in place of a reading in cells (Page()
    // is then empty) and updates all views; it is not saved either.
    void SetProportionalPage(ProportionalPage page);
    // The last reading of the picture; empty before "Read &Page" and after the picture was replaced.
    const PageReading& Page() const { return *m_pPage; }
    // The same reading, shared with whoever keeps a copy while the document goes on.
    std::shared_ptr<const PageReading> SharedPage() const { return m_pPage; }
    // The last reading as proportional text; empty unless the last reading kept was one.
    const ProportionalPage& Proportional() const { return *m_pProportional; }
    std::shared_ptr<const ProportionalPage> SharedProportional() const { return m_pProportional; }
    bool HasPage() const { return m_bHasPage; }
    // Whether the last reading has text to show: proportional text, or cells not read poorly.
    bool HasPageText() const;
    // The text of the last reading, in cells or proportional (UTF-8).
    const std::string& PageText() const;
    // Grows by one with every reading that is kept or dropped.
    unsigned PageRevision() const { return m_nPageRevision; }
    // Grows by one whenever the picture or the font changes (and drops the reading): a page
    // reading made at another revision does not belong to this picture and font.
    unsigned SourceRevision() const { return m_nSourceRevision; }
    // True when the picture holds a colour other than pure black and pure white, which the
    // .rdf picture block keeps as white.
    bool PictureHasColours() const;

    // --- Dictionary -----------------------------------------------------------------
    // The word list and alphabet (1 Latin, 0 Cyrillic) of documents made or opened after
    // this call; an empty path stands for dict.dic found by FindDataFile. Without a call,
    // dict.dic and the Latin alphabet.
    void SetDictionaryChoice(std::string path, int alphabet);
    const std::string& DictionaryChoice() const { return m_strDictionaryChoice; }
    int DictionaryAlphabet() const { return m_nDictionaryAlphabet; }
    // "&Dictionary..." after OK: makes the choice and loads the word list now. False, after a
    // message naming the file, when it cannot be read; the previous dictionary stays then.
    // A list past the dictionary's bound is loaded in part, after a message saying so.
    bool LoadDictionary(const std::string& path, int alphabet);
    // Which dictionary step "Recognize (Complex)" runs: the list-only one (words outside the
    // list not allowed, the default) or the open step with the unknown-word penalty.
    void SetOpenWords(bool open, double penalty = OpenWordsOptions::kDefaultPenalty);
    bool OpenWords() const { return m_bOpenWords; }
    double UnknownPenalty() const { return m_dUnknownPenalty; }
    // The dictionary, loaded at this first use when the document was made or opened with a
    // word list still to load. Documents that load the same unchanged list with the same
    // alphabet share one read-only tree.
    CDictionary& Dictionary();
    // What the load of the word list reported (nothing read yet: bRead false).
    const DictionaryLoadReport& DictionaryReport() const { return m_DictionaryReport; }

    // --- Geometry and rendering -----------------------------------------------------
    // The picture rectangle and text origin of the document's font and cell count.
    PictureGeometry Geometry() const { return PictureGeometry::Of(m_Font, m_nCells); }
    // R = (0, 0, CellWidth x (cells + 1), 2 x CellHeight).
    CRect GetPictureRect() const;
    int TextOriginX() const;  // CellWidth / 2
    int TextOriginY() const;  // (R.height - CellHeight) / 2
    // Makes raster a white raster of R's size with text drawn at the text origin. False
    // when R exceeds the raster size bound (raster then empty).
    bool RenderText(CRaster& raster, std::string_view text) const;
    // Makes the picture, white and of R's size, when the document has none yet.
    void EnsurePicture();
    // Most character positions a document holds: recognition keeps about 1.3 KiB for each.
    static constexpr int kMaxCells = 65536;

    // --- Views ----------------------------------------------------------------------
    void AddView(CDocView* view);
    void RemoveView(CDocView* view);
    const std::vector<CDocView*>& Views() const { return m_Views; }
    void UpdateAllViews(CDocView* sender, long hint = 0);
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }

    // --- State ----------------------------------------------------------------------
    std::string m_strUserText;
    CRaster m_Picture;             // the picture; m_bHasPicture tells whether it was made
    bool m_bHasPicture = false;
    std::string m_strResultText;
    std::vector<CPrefixList> m_pPrefixLists;   // none when empty
    std::vector<CCharVariants> m_pCharVariants; // none when empty
    double m_dCoefficient = 0.2;
    int m_nLineWidth = 3;          // 1, 3 or 5
    int m_nAdditionalSpace = 3;
    CBitImage m_CellImage;
    int m_nCells = 0;              // character positions: text length + additional space
    int m_bRedrawPicture = 0;
    int m_bResultChanged = 0;
    int m_bPicturePresent = 0;
    int m_bResultPicture = 0;
    CCharImageFont m_Font;
    int m_bGraphicsModified = 0;
    int m_bEditGraphics = 0;
    int m_bEditText = 1;
    CDictionary m_Dictionary;      // see Dictionary(): loaded at its first use

private:
    // Loads the pending word list (message when it cannot be read or passes the bound).
    void LoadPendingDictionary();
    // The word list that a new or opened document loads at its first use.
    void ChooseDictionaryFile(std::string path);
    // False, after a message, when cells would give a picture rectangle past the size bound
    // or more than kMaxCells positions.
    bool CheckCellCount(std::int64_t cells);
    // Makes picture the document's in whole cells of its width, as "&Load Bitmap..." does;
    // whole keeps all of it in sight. False, after the message, when there are too many cells.
    bool TakePicture(CRaster picture, bool whole);
    void ShowError(std::string_view text, std::string_view title, MessageIcon icon = MessageIcon::Error);

    // The open dictionary step over the variants of the Simple step just run.
    ComplexResult RecognizeOpenWords(int cells);
    // Adds the cut of the dictionary step to the trace of the Simple step just run.
    void RecordComplexTrace(const ComplexResult& result, double milliseconds);
    // Forgets the last recognition, as opening a document forgets the variants.
    void DropTrace();
    // Forgets the last page reading: the picture it read was replaced.
    void DropPage();
    // The picture or the font changed: a new source revision, without the reading.
    void SourceChanged();
    // "Invalid CharImageFont File", after a note that names the file and the cause.
    void ShowFontProblem(const std::string& path);

    IMessageSink* m_pMessages;
    CSilentMessageSink m_SilentSink;
    std::string m_strDictionaryChoice;  // empty: dict.dic
    int m_nDictionaryAlphabet = 1;
    std::string m_strPendingDictionary;  // the word list to load at the first use
    bool m_bDictionaryPending = false;
    DictionaryLoadReport m_DictionaryReport;
    RecognitionTrace m_Trace;
    bool m_bWholePicture = false;
    std::shared_ptr<const PageReading> m_pPage = std::make_shared<const PageReading>();
    std::shared_ptr<const ProportionalPage> m_pProportional = std::make_shared<const ProportionalPage>();
    bool m_bHasPage = false;
    unsigned m_nPageRevision = 0;
    unsigned m_nSourceRevision = 0;
    bool m_bOpenWords = false;
    double m_dUnknownPenalty = OpenWordsOptions::kDefaultPenalty;
    SimpleResult m_SimpleRest;  // the cost ranges and tied glyphs of the last Simple step
    std::vector<CDocView*> m_Views;
    bool m_bModified = false;
};
