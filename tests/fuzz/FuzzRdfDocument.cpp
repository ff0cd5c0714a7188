#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CRecognizeDoc.h"

#include <algorithm>
#include <cstring>

namespace fuzzing {

namespace {

// Counts what the document reports.
class CCountingSink final : public IMessageSink {
public:
    void ShowMessage(std::string_view, std::string_view, MessageIcon) override { ++messages; }
    void Beep() override { ++beeps; }
    int messages = 0;
    int beeps = 0;
};

bool EmptyGlyphs(const CCharImageFont& font)
{
    return std::all_of(font.m_Glyphs.begin(), font.m_Glyphs.end(),
                       [](const CCharImage& glyph) { return glyph.m_nWidth == 0 && glyph.m_nHeight == 0; });
}

// The first field in which two documents differ, or nullptr when they are the same. A font
// without glyphs is saved as empty records of its range, so b may have those instead.
const char* Difference(const CRecognizeDoc& a, const CRecognizeDoc& b)
{
    if (a.m_Font.First() != b.m_Font.First() || a.m_Font.Last() != b.m_Font.Last())
        return "font range";
    if (!a.m_Font.HasGlyphs() ? !EmptyGlyphs(b.m_Font) : a.m_Font.GlyphCount() != b.m_Font.GlyphCount())
        return "font glyph count";
    for (int i = 0; i < a.m_Font.GlyphCount(); ++i)
        if (a.m_Font.m_Glyphs[i].m_nWidth != b.m_Font.m_Glyphs[i].m_nWidth ||
            a.m_Font.m_Glyphs[i].m_nHeight != b.m_Font.m_Glyphs[i].m_nHeight ||
            a.m_Font.m_Glyphs[i].m_Bits != b.m_Font.m_Glyphs[i].m_Bits)
            return "font glyphs";
    // The coefficient is compared by its bytes: a NaN read from a file stays that NaN.
    if (std::memcmp(&a.m_dCoefficient, &b.m_dCoefficient, sizeof(double)) != 0)
        return "coefficient";
    if (a.m_strUserText != b.m_strUserText || a.m_strResultText != b.m_strResultText)
        return "texts";
    if (a.m_nAdditionalSpace != b.m_nAdditionalSpace || a.m_nCells != b.m_nCells || a.m_nLineWidth != b.m_nLineWidth)
        return "numbers";
    if (a.m_bGraphicsModified != b.m_bGraphicsModified || a.m_bPicturePresent != b.m_bPicturePresent ||
        a.m_bResultPicture != b.m_bResultPicture || a.m_bRedrawPicture != b.m_bRedrawPicture ||
        a.m_bHasPicture != b.m_bHasPicture)
        return "flags";
    if (!(a.m_Picture == b.m_Picture))
        return "picture";
    return nullptr;
}

// The larger picture sides and cell counts would only make the run slow; their bounds have
// tests of their own.
constexpr std::int64_t kQuickPixels = std::int64_t{1} << 20;
constexpr int kQuickCells = 64;

bool Quick(const CRecognizeDoc& doc)
{
    const CRect rect = doc.GetPictureRect();
    return doc.m_nCells <= kQuickCells && std::int64_t{rect.Width()} * rect.Height() <= kQuickPixels &&
           std::int64_t{doc.m_Picture.width()} * doc.m_Picture.height() <= kQuickPixels;
}

}  // namespace

#define FUZZ_CHECK_SAME(a, b)                                                    \
    do {                                                                          \
        if (const char* field = Difference(a, b))                                 \
            ::fuzzing::Fail(field, __FILE__, __LINE__);                           \
    } while (false)

void FuzzRdfDocument(std::span<const std::uint8_t> data)
{
    CCountingSink sink;
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    const CRecognizeDoc::ReadResult result = doc.LoadFromBytes(data);
    if (result == CRecognizeDoc::ReadResult::UnexpectedFormat) {
        // A refused file changes nothing and says nothing itself; the caller reports it.
        FUZZ_CHECK(sink.messages == 0);
        const CRecognizeDoc untouched;
        FUZZ_CHECK_SAME(doc, untouched);
        return;
    }
    FUZZ_CHECK(sink.messages == (result == CRecognizeDoc::ReadResult::InvalidFont ? 1 : 0));
    FUZZ_CHECK(doc.m_bEditText == 0 && doc.m_bEditGraphics == 0);
    FUZZ_CHECK(doc.m_nCells == static_cast<std::int64_t>(doc.m_strUserText.size()) + doc.m_nAdditionalSpace);

    // Saved and read again, the document is the same, and saves to the same bytes.
    const std::vector<std::uint8_t> saved = doc.SaveToBytes();
    CRecognizeDoc copy;
    const CRecognizeDoc::ReadResult again = copy.LoadFromBytes(saved);
    FUZZ_CHECK(again != CRecognizeDoc::ReadResult::UnexpectedFormat);
    FUZZ_CHECK_SAME(doc, copy);
    FUZZ_CHECK(copy.SaveToBytes() == saved);

    // Geometry and rendering on whatever the file held.
    const CRect rect = doc.GetPictureRect();
    FUZZ_CHECK(rect.Width() >= 0 && rect.Height() >= 0);
    static_cast<void>(doc.TextOriginX());
    static_cast<void>(doc.TextOriginY());
    if (!Quick(doc))
        return;

    // Recognition with the document's font, its coefficient and a small word list.
    doc.m_Dictionary.SetAlphabet(1);
    doc.m_Dictionary.LoadWordsFromText("cat\ndog\nab\nice cream\n");
    doc.OnRecognizeSimple();
    if (doc.m_nCells > 0)
        FUZZ_CHECK(doc.m_strResultText.size() == static_cast<std::size_t>(doc.m_nCells));
    doc.OnRecognizeComplex();

    // A new text and additional space, when the document still allows text.
    doc.OnEditText();
    if (doc.CanSetText()) {
        const std::size_t length = std::min<std::size_t>(data.size(), 8);
        const std::string text(reinterpret_cast<const char*>(data.data()), length);
        if (doc.SetAdditionalSpace(static_cast<int>(data.size() % 5)) && Quick(doc) && doc.SetText(text)) {
            FUZZ_CHECK(doc.m_nCells == static_cast<int>(text.size()) + doc.m_nAdditionalSpace);
            if (doc.m_bHasPicture)
                FUZZ_CHECK(doc.m_Picture.width() == doc.GetPictureRect().Width());
            doc.OnRecognizeSimple();
        }
    }
    // Whatever happened, the document still saves to bytes that read back.
    CRecognizeDoc last;
    FUZZ_CHECK(last.LoadFromBytes(doc.SaveToBytes()) != CRecognizeDoc::ReadResult::UnexpectedFormat);
}

}  // namespace fuzzing
