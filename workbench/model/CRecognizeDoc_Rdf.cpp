// The recognition document: .rdf files.
#include "CRecognizeDoc.h"

#include "ByteStream.h"
#include "DataFiles.h"
#include "DocMessages.h"
#include "LengthString.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// Largest .rdf file that is read: a picture at the size bound takes 8 MiB, so anything
// near this is damaged.
constexpr std::size_t kMaxDocumentBytes = std::size_t{1} << 30;

// The picture block: int32 width, int32 height, then (width + 7) / 8 bytes per row from
// the top. Bit i of byte k is pixel 8k + i; 1 is any colour but pure black, 0 pure black.
// The bits past the width repeat the row's last pixel.
void WritePictureBlock(CByteWriter& writer, const CRaster& picture) {
    const int width = picture.width();
    const int height = picture.height();
    writer.WriteI32(width);
    writer.WriteI32(height);
    const int bytesPerRow = (width + 7) / 8;
    // A picture without pixels has no rows to write, however high or wide it claims to be.
    if (width == 0 || height == 0)
        return;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bytesPerRow));
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* pixels = picture.Row(y);
        for (int k = 0; k < bytesPerRow; ++k) {
            std::uint8_t byte = 0;
            for (int i = 0; i < 8; ++i) {
                const int x = std::min(8 * k + i, width - 1);
                if ((pixels[x] & 0xFFFFFF) != 0)
                    byte |= static_cast<std::uint8_t>(1u << i);
            }
            row[static_cast<std::size_t>(k)] = byte;
        }
        writer.WriteBlock(row.data(), row.size());
    }
}

// Reads the picture block into picture. False when a size field is missing, a size is
// negative or past the raster bound, or the bits are shorter than announced; nothing is
// allocated before the sizes were checked against both the bound and what remains.
bool ReadPictureBlock(CByteReader& reader, CRaster& picture) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!reader.ReadI32(width) || !reader.ReadI32(height))
        return false;
    if (!CRaster::SizeAllowed(width, height))
        return false;
    const std::int64_t bytesPerRow = (std::int64_t{width} + 7) / 8;
    if (bytesPerRow * height > static_cast<std::int64_t>(reader.Remaining()))
        return false;
    CRaster raster;
    if (!raster.Create(width, height, CRaster::kWhite))
        return false;
    // A picture without pixels has no rows to read, however high or wide it claims to be.
    if (raster.empty()) {
        picture = std::move(raster);
        return true;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bytesPerRow));
    for (int y = 0; y < height; ++y) {
        if (reader.ReadBlock(row.data(), row.size()) != row.size())
            return false;
        std::uint32_t* pixels = raster.Row(y);
        for (int x = 0; x < width; ++x)
            if ((row[static_cast<std::size_t>(x / 8)] & (1u << (x % 8))) == 0)
                pixels[x] = 0xFF000000u | CRaster::kBlack;
    }
    picture = std::move(raster);
    return true;
}

std::string OpenFailureReason(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return "The file was not found.";
    if (std::filesystem::is_directory(path, error))
        return "It is a folder, not a file.";
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxDocumentBytes)
        return "The file is too large.";
    return "The file cannot be read.";
}

}  // namespace

std::vector<std::uint8_t> CRecognizeDoc::SaveToBytes() const {
    CByteWriter writer;
    writer.WriteI32(m_bGraphicsModified);
    WriteLengthString(writer, m_strUserText);
    writer.WriteI32(m_nAdditionalSpace);
    WriteLengthString(writer, m_strResultText);
    writer.WriteI32(m_bPicturePresent);
    writer.WriteI32(m_bResultPicture);
    writer.WriteI32(m_bRedrawPicture);
    writer.WriteI32(m_nLineWidth);
    WritePictureBlock(writer, m_Picture);
    WriteLengthString(writer, m_strResultText);
    writer.WriteF64(m_dCoefficient);
    // A font without glyphs writes its header and an empty record per code of its range.
    m_Font.SaveToArchive(writer);
    return std::move(writer.Bytes());
}

CRecognizeDoc::ReadResult CRecognizeDoc::LoadFromBytes(std::span<const std::uint8_t> bytes) {
    // Everything is read into locals first, so that a refused file changes nothing.
    CByteReader reader(bytes);
    std::int32_t graphicsModified = 0, additionalSpace = 0, picturePresent = 0;
    std::int32_t resultPicture = 0, redrawPicture = 0, lineWidth = 0;
    std::string userText, resultText;
    CRaster picture;
    double coefficient = 0;
    // A file of length 0 holds no document.
    if (bytes.empty())
        return ReadResult::UnexpectedFormat;
    // No text of a document is longer than kMaxCells: longer ones are not even allocated.
    if (!reader.ReadI32(graphicsModified) || !ReadLengthString(reader, userText, kMaxCells) ||
        !reader.ReadI32(additionalSpace) || !ReadLengthString(reader, resultText, kMaxCells) ||
        !reader.ReadI32(picturePresent) || !reader.ReadI32(resultPicture) ||
        !reader.ReadI32(redrawPicture) || !reader.ReadI32(lineWidth) ||
        !ReadPictureBlock(reader, picture) || !ReadLengthString(reader, resultText, kMaxCells) ||
        !reader.ReadF64(coefficient))
        return ReadResult::UnexpectedFormat;
    // The cell count stays within what a document may hold.
    const std::int64_t cells = static_cast<std::int64_t>(userText.size()) + additionalSpace;
    if (cells > kMaxCells || cells < -kMaxCells)
        return ReadResult::UnexpectedFormat;

    // A file that ends before the font block, or inside one of its fixed fields, is not a
    // document; a font block that is merely invalid opens with an empty font.
    CCharImageFont font;
    bool fontValid = true;
    if (reader.AtEnd())
        return ReadResult::UnexpectedFormat;
    if (!font.LoadFromArchive(reader)) {
        if (reader.HitEndOfFile())
            return ReadResult::UnexpectedFormat;
        fontValid = false;
        font.Clear();
    }

    m_bGraphicsModified = graphicsModified;
    m_strUserText = std::move(userText);
    m_nAdditionalSpace = additionalSpace;
    m_nCells = static_cast<int>(cells);
    m_strResultText = std::move(resultText);
    m_bPicturePresent = picturePresent;
    m_bResultPicture = resultPicture;
    m_bResultChanged = resultPicture != 0 ? 1 : 0;
    m_bRedrawPicture = redrawPicture;
    m_nLineWidth = lineWidth;
    m_Picture = std::move(picture);
    m_bHasPicture = true;
    // The coefficient is kept as stored, even outside 0..1.
    m_dCoefficient = coefficient;
    m_bEditText = 0;
    m_bEditGraphics = 0;
    m_pPrefixLists.clear();
    m_pCharVariants.clear();
    DropTrace();
    m_CellImage = CBitImage();
    m_Font = std::move(font);
    SourceChanged();
    if (!fontValid)
        ShowError(DocMessages::kInvalidFontFormat, DocMessages::kLoadingFont);
    ChooseDictionaryFile(FindDataFile(m_strDictionaryChoice.empty() ? kDictionaryPath : m_strDictionaryChoice));
    return fontValid ? ReadResult::Ok : ReadResult::InvalidFont;
}

bool CRecognizeDoc::OpenDocument(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxDocumentBytes)) {
        ShowError(std::string(DocMessages::kFailedToOpen) + "\n" + OpenFailureReason(path),
                  DocMessages::kAppTitle, MessageIcon::Exclamation);
        return false;
    }
    if (LoadFromBytes(bytes) == ReadResult::UnexpectedFormat) {
        ShowError(DocMessages::kUnexpectedFormat, DocMessages::kAppTitle, MessageIcon::Exclamation);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CRecognizeDoc::SaveDocument(const std::string& path) {
    const std::vector<std::uint8_t> bytes = SaveToBytes();
    if (!WriteFileAtomically(path, bytes)) {
        ShowError(DocMessages::kFailedToSave, DocMessages::kAppTitle, MessageIcon::Exclamation);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}
