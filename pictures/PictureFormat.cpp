#include "PictureFormat.h"

#include "BmpFile.h"
#include "JpegFile.h"
#include "PngFile.h"
#include "PnmFile.h"
#include "WebpFile.h"

#include <algorithm>

using namespace std::string_view_literals;

namespace {

constexpr std::string_view kReadFormats = "PNG, JPEG, WebP, .BMP and Netpbm";

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic, std::size_t at = 0)
{
    return bytes.size() >= at + magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// Reads the start of an .rdf document: little-endian 32-bit numbers and length-prefixed
// strings as the document stores them.
class DocumentProbe {
public:
    explicit DocumentProbe(std::span<const std::uint8_t> bytes) : m_Bytes(bytes) {}

    std::optional<std::int64_t> Int32()
    {
        if (m_Bytes.size() - m_nAt < 4)
            return std::nullopt;
        const std::uint32_t value = static_cast<std::uint32_t>(m_Bytes[m_nAt]) |
                                    static_cast<std::uint32_t>(m_Bytes[m_nAt + 1]) << 8 |
                                    static_cast<std::uint32_t>(m_Bytes[m_nAt + 2]) << 16 |
                                    static_cast<std::uint32_t>(m_Bytes[m_nAt + 3]) << 24;
        m_nAt += 4;
        return static_cast<std::int32_t>(value);
    }
    // Skips a string of the 8-bit forms; false when it does not fit in the bytes.
    bool String()
    {
        if (m_nAt >= m_Bytes.size())
            return false;
        std::size_t length = m_Bytes[m_nAt++];
        if (length == 0xFF) {
            if (m_Bytes.size() - m_nAt < 2)
                return false;
            length = m_Bytes[m_nAt] | static_cast<std::size_t>(m_Bytes[m_nAt + 1]) << 8;
            m_nAt += 2;
            if (length >= 0xFFFE)
                return false;
        }
        if (m_Bytes.size() - m_nAt < length)
            return false;
        m_nAt += length;
        return true;
    }
    bool Flag()
    {
        const std::optional<std::int64_t> value = Int32();
        return value && (*value == 0 || *value == 1);
    }

private:
    std::span<const std::uint8_t> m_Bytes;
    std::size_t m_nAt = 0;
};

// True when bytes begin as a Recognize document does: the graphics flag, the user text, the
// additional space, the result text and three more flags.
bool IsDocument(std::span<const std::uint8_t> bytes)
{
    DocumentProbe probe(bytes);
    return probe.Flag() && probe.String() && probe.Int32() && probe.String() && probe.Flag() && probe.Flag() &&
           probe.Flag();
}

// True when the first bytes hold no control character but tabs, line breaks and form feeds:
// plain text in any 8-bit code page or UTF-8.
bool IsText(std::span<const std::uint8_t> bytes)
{
    const std::span<const std::uint8_t> head = bytes.first(std::min<std::size_t>(bytes.size(), 4096));
    return !head.empty() && std::all_of(head.begin(), head.end(), [](std::uint8_t c) {
        return c >= 0x20 ? c != 0x7F : c == '\t' || c == '\n' || c == '\r' || c == '\f';
    });
}

bool Contains(std::span<const std::uint8_t> bytes, std::string_view text)
{
    const std::span<const std::uint8_t> head = bytes.first(std::min<std::size_t>(bytes.size(), 4096));
    return std::search(head.begin(), head.end(), text.begin(), text.end(), [](std::uint8_t b, char t) {
               return b == static_cast<std::uint8_t>(t);
           }) != head.end();
}

std::string NotRead(std::string_view what)
{
    return std::string(what) + ", which is not read (the programs read " + std::string(kReadFormats) + " pictures)";
}

}  // namespace

PictureFormat SniffPicture(std::span<const std::uint8_t> bytes)
{
    if (IsBmp(bytes))
        return PictureFormat::Bmp;
    if (IsPng(bytes))
        return PictureFormat::Png;
    if (IsJpeg(bytes))
        return PictureFormat::Jpeg;
    if (IsWebp(bytes))
        return PictureFormat::Webp;
    if (IsPnm(bytes))
        return PictureFormat::Pnm;
    return PictureFormat::Unknown;
}

std::string_view FormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return ".BMP";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Pnm: return "Netpbm";
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::Webp: return "WebP";
    case PictureFormat::Unknown: break;
    }
    return "unknown";
}

std::optional<std::string> DescribeOtherFile(std::span<const std::uint8_t> bytes)
{
    if (StartsWith(bytes, "\x07GLFfile"sv))
        return "a GLF glyph font, not a picture";
    if (StartsWith(bytes, "%PDF-"sv))
        return "a PDF document, not a picture";
    if (StartsWith(bytes, "PK\x03\x04"sv) || StartsWith(bytes, "PK\x05\x06"sv))
        return "a ZIP archive, not a picture";
    if (StartsWith(bytes, "\x1F\x8B"sv))
        return "a gzip archive, not a picture";
    if (StartsWith(bytes, "\x7F" "ELF"sv))
        return "a program, not a picture";
    if (StartsWith(bytes, "GIF87a"sv) || StartsWith(bytes, "GIF89a"sv))
        return NotRead("a GIF picture");
    if (StartsWith(bytes, "II*\0"sv) || StartsWith(bytes, "MM\0*"sv))
        return NotRead("a TIFF picture");
    if (StartsWith(bytes, "\0\0\x01\0"sv) && bytes.size() >= 6 && (bytes[4] | bytes[5]) != 0)
        return NotRead("an icon (.ico)");
    if (StartsWith(bytes, "ftypavif"sv, 4) || StartsWith(bytes, "ftypavis"sv, 4))
        return NotRead("an AVIF picture");
    if (StartsWith(bytes, "ftyphei"sv, 4) || StartsWith(bytes, "ftypmif1"sv, 4) || StartsWith(bytes, "ftyphevc"sv, 4))
        return NotRead("a HEIF picture");
    if (StartsWith(bytes, "\xFF\x0A"sv) || StartsWith(bytes, "\0\0\0\x0CJXL \x0D\x0A\x87\x0A"sv))
        return NotRead("a JPEG XL picture");
    if (StartsWith(bytes, "\0\0\0\x0CjP  \x0D\x0A\x87\x0A"sv) || StartsWith(bytes, "\xFF\x4F\xFF\x51"sv))
        return NotRead("a JPEG 2000 picture");
    if (StartsWith(bytes, "8BPS"sv))
        return NotRead("a Photoshop document");
    if (StartsWith(bytes, "gimp xcf"sv))
        return NotRead("a GIMP picture (.xcf)");
    if (IsDocument(bytes))
        return "a Recognize document (.rdf), not a picture";
    if (IsText(bytes)) {
        if (Contains(bytes, "<svg"))
            return NotRead("an SVG drawing");
        return "text, not a picture";
    }
    return std::nullopt;
}

const std::vector<std::string>& PictureSuffixes()
{
    static const std::vector<std::string> suffixes = {"png", "jpg", "jpeg", "jpe", "webp",
                                                      "bmp", "pbm", "pgm", "ppm", "pnm"};
    return suffixes;
}
