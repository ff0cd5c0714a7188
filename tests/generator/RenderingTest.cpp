#include "CCapturePass.h"
#include "FitLayout.h"
#include "GlfFile.h"
#include "GlyphRendering.h"
#include "MeasureLayout.h"
#include "QtTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

GeneratorSettings OnlyCodes(std::initializer_list<int> codes)
{
    GeneratorSettings settings;
    settings.m_Inclusions.fill(0);
    for (int code : codes)
        settings.m_Inclusions[static_cast<std::size_t>(code)] = 1;
    return settings;
}

bool IsBlack(const QImage& image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == 0;
}

// The bounding box of the black pixels, or an invalid rectangle.
QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsBlack(image, x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

std::vector<std::uint8_t> Capture(const GeneratorSettings& settings, std::uint8_t code)
{
    CCapturePass pass(settings);
    std::vector<std::uint8_t> out;
    pass.CaptureCell(code, out);
    return out;
}

} // namespace

TEST(GlyphRendering, StartFontAndChosenFonts)
{
    const QFont font = MakeFont(GeneratorSettings().m_Font);
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(QFontInfo(font).pixelSize(), 70);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.fixedPitch());
    EXPECT_TRUE(font.styleStrategy() & QFont::NoAntialias);

    // A font chosen in points is described in pixels at the screen's resolution.
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(18);
    EXPECT_EQ(DescribeFont(chosen, 96).m_nPixelSize, 24);
}

TEST(GlyphRendering, SeventyPixelsArePureBlackAndWhite)
{
    // At 65 pixels and more Qt draws outlines, which the font's own setting leaves grey-edged.
    const GeneratorSettings settings;
    const QFont font = MakeFont(settings.m_Font);
    for (std::uint8_t code : {std::uint8_t('W'), std::uint8_t('@'), std::uint8_t(0xC6), std::uint8_t(0xA9)}) {
        CCapturePass pass(settings);
        std::vector<std::uint8_t> bits;
        pass.CaptureCell(code, bits);
        QImage preview(settings.m_nWidth, settings.m_nHeight, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter painter(&preview);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, code, preview.rect(), Placement::Preview);
        painter.end();
        for (const QImage& image : {pass.Surface(), preview}) {
            int black = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
                    ASSERT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << int(code) << " at " << x << "," << y;
                    black += pixel == 0;
                }
            }
            EXPECT_GT(black, 100) << int(code);
        }
    }
}

TEST(GlyphRendering, CodesAreTakenInWindows1251)
{
    EXPECT_EQ(CharacterString(0xB9), QString(QChar(0x2116)));
    EXPECT_EQ(CharacterString(0xA8), QString(QChar(0x0401)));
    EXPECT_EQ(CharacterString(0x98), QString(QChar(0x0098)));
    // Cyrillic capital A (0xC0) has the Latin A's shape; read as Latin-1 it would be A grave.
    const GeneratorSettings settings;
    EXPECT_EQ(Capture(settings, 0xC0), Capture(settings, 'A'));
    EXPECT_NE(Capture(settings, 0xC6), Capture(settings, 'A'));
}

TEST(CCapturePass, CentresTheCharacterAndSamplesPastTheWidth)
{
    GeneratorSettings settings;
    settings.m_nWidth = 70;     // an area of 72 x 80, 9 bytes per row
    CCapturePass pass(settings);
    int codesReaching = 0;
    for (int code = 33; code < 256; ++code) {
        std::vector<std::uint8_t> bits;
        pass.CaptureCell(static_cast<std::uint8_t>(code), bits);
        ASSERT_EQ(bits.size(), 80u * 9);
        const QImage& surface = pass.Surface();
        ASSERT_EQ(surface.size(), QSize(72, 80));
        if (code == 'H') {
            // H is symmetric: as much room on its left as on its right.
            const QRect ink = InkBox(surface);
            EXPECT_NEAR(ink.left(), 71 - ink.right(), 2);
        }
        // Columns 70 and 71 lie past W-1 but inside the area: the last byte samples them.
        bool reaches = false;
        for (int y = 0; y < 80; ++y) {
            const std::uint8_t last = bits[static_cast<std::size_t>(y) * 9 + 8];
            ASSERT_EQ((last >> 1) & 1, IsBlack(surface, 70, y) ? 1 : 0) << code << " row " << y;
            ASSERT_EQ(last & 1, IsBlack(surface, 71, y) ? 1 : 0) << code << " row " << y;
            reaches = reaches || (last & 3) != 0;
        }
        codesReaching += reaches;
    }
    EXPECT_GT(codesReaching, 0) << "no character reached columns 70 and 71";
}

TEST(CCapturePass, SurvivesWindowsWithoutArea)
{
    struct Case {
        int x, y, w, h;
        std::size_t bytes;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0}, {0, 0, 0, 80, 0}, {0, 0, 72, 0, 0}, {0, 90, 72, 80, 0}, {80, 0, 72, 80, 0}, {0, 0, -9, -9, 0},
        {0, 0, 1, 1, 1}, {5, 5, 150, 150, 145u * 19}, {-8, -2, 8, 2, 4u * 2},
    };
    for (const Case& c : cases) {
        GeneratorSettings settings;
        settings.m_nXOffset = c.x;
        settings.m_nYOffset = c.y;
        settings.m_nWidth = c.w;
        settings.m_nHeight = c.h;
        EXPECT_EQ(Capture(settings, 'W').size(), c.bytes) << c.x << "," << c.y << "," << c.w << "," << c.h;
    }
}

TEST(MeasureLayout, BlankCodesAndEmptyRangesLeaveTheStartBox)
{
    auto isStartBox = [](const LayoutBox& box) { return box.x() == 200 && box.w() == 1 && box.y() == 200 && box.h() == 1; };
    EXPECT_TRUE(isStartBox(MeasureLayout(OnlyCodes({}))));
    EXPECT_TRUE(isStartBox(MeasureLayout(OnlyCodes({32}))));
    GeneratorSettings reversed;
    reversed.m_nFirstCode = 66;
    reversed.m_nLastCode = 65;
    int steps = 0;
    EXPECT_TRUE(isStartBox(MeasureLayout(reversed, [&steps](std::uint8_t) { ++steps; })));
    EXPECT_EQ(steps, 0);

    // Every code of the range advances the progress, excluded ones too; the space adds no ink.
    GeneratorSettings range = OnlyCodes({'H', ' '});
    range.m_nFirstCode = 30;
    range.m_nLastCode = 79;
    const LayoutBox withSpace = MeasureLayout(range, [&steps](std::uint8_t) { ++steps; });
    EXPECT_EQ(steps, 50);
    const LayoutBox alone = MeasureLayout(OnlyCodes({'H'}));
    EXPECT_EQ(std::tie(withSpace.minLeft, withSpace.minTop, withSpace.maxRight, withSpace.maxBottom),
              std::tie(alone.minLeft, alone.minTop, alone.maxRight, alone.maxBottom));
}

TEST(MeasureLayout, EqualsTheInkBoxOfTopLeftRenderings)
{
    // The one-bit surface shows the same ink as a 32-bit one: the box of upright characters
    // is the bounding box of their black pixels drawn at the top-left.
    const std::initializer_list<int> codes = {'H', 'g', 'T', 0xC9, '_'};
    const GeneratorSettings settings = OnlyCodes(codes);
    const QFont font = MakeFont(settings.m_Font);
    QRect expected;
    for (int code : codes) {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, static_cast<std::uint8_t>(code), image.rect(), Placement::Measurement);
        painter.end();
        expected |= InkBox(image);
    }
    const LayoutBox box = MeasureLayout(settings);
    EXPECT_EQ(QRect(QPoint(box.minLeft, box.minTop), QPoint(box.maxRight, box.maxBottom)), expected);
}

TEST(GlfFile, StartSettingsWriteTheWholeFont)
{
    const QString folder = MakeTempFolder();
    const std::string path = (folder + QStringLiteral("/Arial.GLF")).toStdString();
    std::string error;
    ASSERT_TRUE(SaveGlfFile(path, GeneratorSettings(), {}, error)) << error;
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 184844);
    EXPECT_EQ(bytes.left(12), QByteArray("\x07GLFfile\x01\x00\x00\xFF", 12));
    auto record = [&bytes](int code) { return bytes.mid(12 + code * 722, 722); };
    EXPECT_EQ(record(32).left(2), QByteArray("\x48\x50", 2));
    EXPECT_EQ(record(32).mid(2).count('\0'), 720);     // the space is blank
    EXPECT_LT(record('A').mid(2).count('\0'), 700);
    QDir(folder).removeRecursively();
}

TEST(FitLayout, NoIncludedGlyphLosesInkWhereTheCaptureDraws)
{
    // Codes with ink far out: accents above, descenders below, wide and narrow glyphs.
    const std::initializer_list<int> codes = {'A', 'W', 'g', 'j', '_', '|', 201, 217};
    GeneratorSettings settings = OnlyCodes(codes);
    const LayoutBox fit = MeasureFitLayout(settings);
    settings.m_nXOffset = fit.x();
    settings.m_nWidth = fit.w();
    settings.m_nYOffset = fit.y();
    settings.m_nHeight = fit.h();
    const QFont font = MakeFont(settings.m_Font);
    CCapturePass pass(settings);
    const int cellWidth = settings.CellWidth();
    const int bytesPerRow = (cellWidth + 7) / 8;
    bool touchesLeft = false;
    bool touchesTop = false;
    for (int code : codes) {
        QImage big(400, 400, QImage::Format_RGB32);
        big.fill(Qt::white);
        QPainter painter(&big);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, static_cast<std::uint8_t>(code), QRect(100, 100, 300, 300), Placement::Measurement);
        painter.end();
        int inkDrawn = 0;
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                inkDrawn += IsBlack(big, x, y) ? 1 : 0;

        std::vector<std::uint8_t> bits;
        pass.CaptureCell(static_cast<std::uint8_t>(code), bits);
        int inkKept = 0;
        for (int y = 0; y < settings.CellHeight(); ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const bool ink = (bits[static_cast<std::size_t>(y * bytesPerRow + x / 8)] >> (7 - x % 8)) & 1;
                inkKept += ink ? 1 : 0;
                touchesLeft = touchesLeft || (ink && x == 0);
                touchesTop = touchesTop || (ink && y == 0);
            }
        EXPECT_EQ(inkKept, inkDrawn) << "code " << code;
    }
    // The window is no larger than it must be on the left and at the top.
    EXPECT_TRUE(touchesLeft);
    EXPECT_TRUE(touchesTop);
}
