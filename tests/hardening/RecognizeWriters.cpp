// The writers of Recognize: .rdf documents, .BMP pictures, and GLF fonts through the atomic
// file writer of glyphs/.
#include "WriterCases.h"

#include "ByteStream.h"
#include "CRecognizeDoc.h"
#include "DocFixtures.h"
#include "DocMessages.h"

namespace hardening {

namespace {

// A document that saves the font of 4 x 6 cells and a user text of size characters.
bool SaveDocumentOfSize(const std::string& path, std::size_t size, std::string& message)
{
    docfixtures::CRecordingSink sink;
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    doc.m_Font = docfixtures::MakeCellFont(4, 6);
    doc.m_strUserText.assign(size, 'x');
    const bool saved = doc.SaveDocument(path);
    message = sink.messages.empty() ? "" : sink.messages.back().text;
    return saved;
}

// A document whose 1024-pixel-wide picture takes at least size bytes as a 24-bit .BMP file.
bool SaveBitmapOfSize(const std::string& path, std::size_t size, std::string& message)
{
    docfixtures::CRecordingSink sink;
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    doc.m_Picture.Create(1024, static_cast<int>(size / (3 * 1024) + 1), CRaster::kWhite);
    doc.m_Picture.FillRect(10, 0, 20, doc.m_Picture.height(), CRaster::kBlack);
    doc.m_bHasPicture = true;
    const bool saved = doc.SaveBitmap(path);
    message = sink.messages.empty() ? "" : sink.messages.back().text;
    return saved;
}

// A GLF font of 255 x 255 glyphs, as many as size needs up to 256, written as Recognize
// writes font bytes; bytes past the last record (which readers ignore) make up the rest.
bool SaveGlfOfSize(const std::string& path, std::size_t size, std::string& message)
{
    const int glyphs = static_cast<int>(std::min<std::size_t>(size / (2 + 32 * 255) + 1, 256));
    const CCharImageFont font = fixtures::MakeNoiseFont(0, glyphs - 1, 255, 255);
    std::vector<std::uint8_t> bytes = fixtures::FontBytes(font);
    if (bytes.size() < size)
        bytes.resize(size, 0);
    if (WriteFileAtomically(path, bytes))
        return true;
    message = "WriteFileAtomically returned false";
    return false;
}

}  // namespace

std::vector<WriterCase> WriterCases()
{
    return {
        {"Rdf", "doc.rdf", std::string(DocMessages::kFailedToSave), ".tmp", &SaveDocumentOfSize},
        {"Bmp", "Current.bmp", std::string(DocMessages::kFailedToSaveBitmap), ".tmp", &SaveBitmapOfSize},
        {"RecognizeGlf", "font.GLF", "", ".tmp", &SaveGlfOfSize},
    };
}

}  // namespace hardening
