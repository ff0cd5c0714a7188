#include "PnmFile.h"

#include <optional>

namespace {

bool IsSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// Reads the text parts of a Netpbm file: numbers between white space and comments.
class PnmScanner {
public:
    explicit PnmScanner(std::span<const std::uint8_t> bytes) : m_Bytes(bytes) {}

    std::size_t At() const { return m_nAt; }
    std::size_t Left() const { return m_Bytes.size() - m_nAt; }
    bool AtEnd() const { return m_nAt >= m_Bytes.size(); }
    std::uint8_t Peek() const { return m_Bytes[m_nAt]; }
    void Skip(std::size_t count) { m_nAt += count; }

    // Skips white space and comments, a comment being '#' up to the end of its line.
    void SkipBlanks() {
        while (!AtEnd()) {
            if (Peek() == '#') {
                while (!AtEnd() && Peek() != '\n' && Peek() != '\r')
                    ++m_nAt;
            } else if (IsSpace(Peek())) {
                ++m_nAt;
            } else {
                return;
            }
        }
    }

    // The decimal number after the blanks, or nothing when there is none or it exceeds limit.
    std::optional<std::int64_t> Number(std::int64_t limit) {
        SkipBlanks();
        if (AtEnd() || !IsDigit(Peek()))
            return std::nullopt;
        std::int64_t value = 0;
        while (!AtEnd() && IsDigit(Peek())) {
            value = value * 10 + (Peek() - '0');
            if (value > limit)
                return std::nullopt;
            ++m_nAt;
        }
        return value;
    }

private:
    std::span<const std::uint8_t> m_Bytes;
    std::size_t m_nAt = 0;
};

// A sample of 0..maximum as an 8-bit value, rounded.
std::uint32_t Scale(std::uint32_t sample, std::uint32_t maximum) {
    return maximum == 255 ? sample : (sample * 255 + maximum / 2) / maximum;
}

std::uint32_t Grey(std::uint32_t value) {
    return 0xFF000000u | value << 16 | value << 8 | value;
}

}  // namespace

bool IsPnm(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6' &&
           (IsSpace(bytes[2]) || bytes[2] == '#');
}

PictureLoad DecodePnm(std::span<const std::uint8_t> bytes) {
    if (!IsPnm(bytes))
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is not a Netpbm (PBM, PGM or PPM) file");
    const int kind = bytes[1] - '0';
    const bool bPlain = kind <= 3;
    const bool bBitmap = kind == 1 || kind == 4;
    const int channels = (kind == 3 || kind == 6) ? 3 : 1;
    PnmScanner scan(bytes);
    scan.Skip(2);

    const std::optional<std::int64_t> width = scan.Number(std::int64_t{1} << 40);
    const std::optional<std::int64_t> height = width ? scan.Number(std::int64_t{1} << 40) : std::nullopt;
    if (!width || !height)
        return scan.AtEnd() ? PictureLoad::CutShort() : PictureLoad::Damaged("its size is not a number");
    std::int64_t maximum = 1;
    if (!bBitmap) {
        const std::optional<std::int64_t> value = scan.Number(65535);
        if (!value || *value == 0)
            return scan.AtEnd() ? PictureLoad::CutShort()
                                : PictureLoad::Damaged("its maximum sample value is not 1 to 65535");
        maximum = *value;
    }
    if (*width == 0 || *height == 0)
        return PictureLoad::Damaged("the picture has no pixels");
    if (!CRaster::SizeAllowed(*width, *height))
        return PictureLoad::TooManyPixels(*width, *height);
    const std::int64_t samples = *width * *height * channels;
    const int sampleBytes = maximum > 255 ? 2 : 1;
    const std::int64_t rowBytes = kind == 4 ? (*width + 7) / 8 : *width * channels * sampleBytes;
    if (!bPlain) {
        // One white space character parts the header from the pixels.
        if (scan.AtEnd() || !IsSpace(scan.Peek()))
            return scan.AtEnd() ? PictureLoad::CutShort() : PictureLoad::Damaged("no white space after its header");
        scan.Skip(1);
    }
    // Every sample takes at least one byte, so a short file is refused before its picture is made.
    const std::int64_t needed = bPlain ? samples : rowBytes * *height;
    if (static_cast<std::int64_t>(scan.Left()) < needed)
        return PictureLoad::CutShort();

    PictureLoad load = MakePicture(*width, *height);
    if (!load.Ok())
        return load;
    CRaster& picture = load.raster;
    const auto top = static_cast<std::uint32_t>(maximum);
    std::int64_t badSample = -1;
    // The next sample of a plain file, or nothing (with the reason set) when there is none.
    auto plainSample = [&]() -> std::optional<std::uint32_t> {
        if (kind == 1) {
            scan.SkipBlanks();
            if (scan.AtEnd() || (scan.Peek() != '0' && scan.Peek() != '1'))
                return std::nullopt;
            const std::uint32_t bit = scan.Peek() - '0';
            scan.Skip(1);
            return bit;
        }
        const std::optional<std::int64_t> value = scan.Number(std::int64_t{1} << 40);
        if (value && *value > maximum) {
            badSample = *value;
            return std::nullopt;
        }
        return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
    };
    const std::uint8_t* data = bytes.data() + scan.At();
    auto rawSample = [&](std::int64_t index) -> std::optional<std::uint32_t> {
        const std::uint32_t value = sampleBytes == 1 ? data[index]
                                                     : static_cast<std::uint32_t>(data[2 * index]) << 8 | data[2 * index + 1];
        if (value > top) {
            badSample = value;
            return std::nullopt;
        }
        return value;
    };

    for (int y = 0; y < picture.height(); ++y) {
        std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); ++x) {
            std::uint32_t rgb[3] = {};
            for (int c = 0; c < channels; ++c) {
                std::optional<std::uint32_t> sample;
                if (kind == 4) {
                    const std::uint8_t byte = data[y * rowBytes + x / 8];
                    sample = (byte >> (7 - x % 8)) & 1U;
                } else if (bPlain) {
                    sample = plainSample();
                } else {
                    sample = rawSample((static_cast<std::int64_t>(y) * picture.width() + x) * channels + c);
                }
                if (!sample) {
                    if (badSample >= 0)
                        return PictureLoad::Damaged("a sample of " + std::to_string(badSample) +
                                                    " is above its maximum of " + std::to_string(maximum));
                    return scan.AtEnd() ? PictureLoad::CutShort() : PictureLoad::Damaged("a sample is not a number");
                }
                rgb[c] = *sample;
            }
            if (bBitmap)
                row[x] = rgb[0] != 0 ? 0xFF000000u : Grey(255);
            else if (channels == 1)
                row[x] = Grey(Scale(rgb[0], top));
            else
                row[x] = 0xFF000000u | Scale(rgb[0], top) << 16 | Scale(rgb[1], top) << 8 | Scale(rgb[2], top);
        }
    }
    return load;
}
