#include "CCapturePass.h"
#include "GlfFile.h"
#include "GlyphRendering.h"
#include "MeasureLayout.h"
#include "QtTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
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

// Counts pixels that are neither pure black nor pure white.
int GreyPixels(const QImage& image)
{
    int grey = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            grey += pixel != 0 && pixel != 0xFFFFFF;
        }
    }
    return grey;
}

int BlackPixels(const QImage& image)
{
    int black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            black += (image.pixel(x, y) & 0xFFFFFF) == 0;
    return black;
}

std::vector<std::uint8_t> Capture(const GeneratorSettings& settings, std::uint8_t code)
{
    CCapturePass pass(settings);
    std::vector<std::uint8_t> out;
    pass.CaptureCell(code, out);
    return out;
}

} // namespace

TEST(GlyphRendering, StartFontIsBoldAt70PixelsWithoutSmoothing)
{
    const QFont font = MakeFont(GeneratorSettings().m_Font);
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.pixelSize(), 70);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.fixedPitch());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.styleStrategy() & QFont::NoAntialias);
    EXPECT_EQ(QFontInfo(font).pixelSize(), 70);

    // A font chosen in points is described in pixels at the screen's resolution.
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(18);
    chosen.setUnderline(true);
    const FontDescription description = DescribeFont(chosen, 96);
    EXPECT_EQ(description.m_nPixelSize, 24);
    EXPECT_TRUE(description.m_bUnderline);
    EXPECT_EQ(description.m_strFamily, "DejaVu Sans");
}

TEST(GlyphRendering, SeventyPixelsArePureBlackAndWhite)
{
    const GeneratorSettings settings;
    const QFont font = MakeFont(settings.m_Font);
    for (std::uint8_t code : {std::uint8_t('W'), std::uint8_t('@'), std::uint8_t(0xC6), std::uint8_t(0xA9)}) {
        CCapturePass pass(settings);
        std::vector<std::uint8_t> bits;
        pass.CaptureCell(code, bits);
        EXPECT_EQ(GreyPixels(pass.Surface()), 0) << int(code);
        EXPECT_GT(BlackPixels(pass.Surface()), 100) << int(code);

        QImage preview(settings.m_nWidth, settings.m_nHeight, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter painter(&preview);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, code, preview.rect(), Placement::Preview);
        painter.end();
        EXPECT_EQ(GreyPixels(preview), 0) << int(code);
    }
}

TEST(GlyphRendering, CodesAreTakenInWindows1251)
{
    EXPECT_EQ(CharacterString(0xC6), QString(QChar(0x0416)));
    // Cyrillic capital A (0xC0) has the Latin A's shape; read as Latin-1 it would be A grave.
    const GeneratorSettings settings;
    EXPECT_EQ(Capture(settings, 0xC0), Capture(settings, 'A'));
    EXPECT_NE(Capture(settings, 0xC6), Capture(settings, 'A'));
}

TEST(CCapturePass, CentresTheCharacterInTheArea)
{
    GeneratorSettings settings;
    settings.m_nWidth = 70;     // an area of 72 x 80
    CCapturePass pass(settings);
    std::vector<std::uint8_t> bits;
    pass.CaptureCell('H', bits);
    ASSERT_EQ(bits.size(), 80u * 9);

    const QImage& surface = pass.Surface();
    ASSERT_EQ(surface.size(), QSize(72, 80));
    int left = surface.width();
    int right = -1;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if ((surface.pixel(x, y) & 0xFFFFFF) == 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    // H is symmetric: as much room on its left as on its right, give or take the odd pixel.
    EXPECT_NEAR(left, surface.width() - 1 - right, 2);

    const QFont font = MakeFont(settings.m_Font);
    const QFontMetrics metrics(font);
    const int top = (80 - (metrics.ascent() + metrics.descent())) / 2;
    // The baseline of H sits at top + ascent: its lowest ink is the row above.
    int bottom = -1;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if ((surface.pixel(x, y) & 0xFFFFFF) == 0)
                bottom = y;
    EXPECT_NEAR(bottom, top + metrics.ascent() - 1, 1);
}

TEST(CCapturePass, LastByteSamplesTheSurfacePastTheWidth)
{
    GeneratorSettings settings;
    settings.m_nWidth = 70;
    CCapturePass pass(settings);
    int codesReaching = 0;
    for (int code = 33; code < 256; ++code) {
        std::vector<std::uint8_t> bits;
        pass.CaptureCell(static_cast<std::uint8_t>(code), bits);
        ASSERT_EQ(bits.size(), 80u * 9);
        const QImage& surface = pass.Surface();
        bool reaches = false;
        for (int y = 0; y < 80; ++y) {
            const std::uint8_t last = bits[static_cast<std::size_t>(y) * 9 + 8];
            const bool ink70 = (surface.pixel(70, y) & 0xFFFFFF) == 0;
            const bool ink71 = (surface.pixel(71, y) & 0xFFFFFF) == 0;
            ASSERT_EQ((last >> 1) & 1, ink70 ? 1 : 0) << code << " row " << y;
            ASSERT_EQ(last & 1, ink71 ? 1 : 0) << code << " row " << y;
            reaches = reaches || ink70 || ink71;
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
    auto expectStartBox = [](const LayoutBox& box) {
        EXPECT_EQ(box.x(), 200);
        EXPECT_EQ(box.w(), 1);
        EXPECT_EQ(box.y(), 200);
        EXPECT_EQ(box.h(), 1);
    };
    expectStartBox(MeasureLayout(OnlyCodes({})));
    expectStartBox(MeasureLayout(OnlyCodes({32})));

    GeneratorSettings reversed;
    reversed.m_nFirstCode = 66;
    reversed.m_nLastCode = 65;
    int steps = 0;
    expectStartBox(MeasureLayout(reversed, [&steps](std::uint8_t) { ++steps; }));
    EXPECT_EQ(steps, 0);

    // Every code of the range advances the progress, excluded codes too.
    GeneratorSettings range = OnlyCodes({'H'});
    range.m_nFirstCode = 60;
    range.m_nLastCode = 79;
    steps = 0;
    const LayoutBox h = MeasureLayout(range, [&steps](std::uint8_t) { ++steps; });
    EXPECT_EQ(steps, 20);

    // The space adds no ink: the box of H alone.
    const LayoutBox withSpace = MeasureLayout(OnlyCodes({'H', ' '}));
    EXPECT_EQ(withSpace.x(), h.x());
    EXPECT_EQ(withSpace.w(), h.w());
    EXPECT_EQ(withSpace.y(), h.y());
    EXPECT_EQ(withSpace.h(), h.h());
    EXPECT_LT(h.x(), h.w());
    EXPECT_LT(h.y(), h.h());
}

TEST(MeasureLayout, EqualsTheInkBoxOfTopLeftRenderings)
{
    // The one-bit surface gives the same ink as a 32-bit one: the box of upright characters
    // is the bounding box of their black pixels drawn at the top-left.
    const GeneratorSettings settings = OnlyCodes({'H', 'g', 'T', 0xC9, '_'});
    const QFont font = MakeFont(settings.m_Font);
    int left = 200, top = 200, right = 0, bottom = 0;
    for (int code : {int('H'), int('g'), int('T'), 0xC9, int('_')}) {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, static_cast<std::uint8_t>(code), image.rect(), Placement::Measurement);
        painter.end();
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                if ((image.pixel(x, y) & 0xFFFFFF) == 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
    }
    const LayoutBox box = MeasureLayout(settings);
    EXPECT_EQ(box.minLeft, left);
    EXPECT_EQ(box.maxRight, right);
    EXPECT_EQ(box.minTop, top);
    EXPECT_EQ(box.maxBottom, bottom);
}

TEST(GlfFile, StartSettingsWriteTheWholeFont)
{
    const QString folder = MakeTempFolder();
    const std::string path = (folder + QStringLiteral("/Arial.GLF")).toStdString();
    std::string error;
    int steps = 0;
    ASSERT_TRUE(SaveGlfFile(path, GeneratorSettings(), [&steps](std::uint8_t) { ++steps; }, error)) << error;
    EXPECT_EQ(steps, 256);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 184844);
    EXPECT_EQ(bytes.left(12), QByteArray("\x07GLFfile\x01\x00\x00\xFF", 12));
    auto record = [&bytes](int code) { return bytes.mid(12 + code * 722, 722); };
    EXPECT_EQ(record(32).mid(0, 2), QByteArray("\x48\x50", 2));
    EXPECT_EQ(record(32).mid(2).count('\0'), 720);     // the space is blank
    EXPECT_LT(record('A').mid(2).count('\0'), 720);
    QDir(folder).removeRecursively();
}

TEST(GlfFile, RefusedWindowLeavesThePreviousFile)
{
    const QString folder = MakeTempFolder();
    const QString path = folder + QStringLiteral("/old.GLF");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();

    GeneratorSettings settings;
    settings.m_nXOffset = 100;      // W - X = -28
    std::string error;
    EXPECT_FALSE(SaveGlfFile(path.toStdString(), settings, {}, error));
    EXPECT_NE(error.find("X Offset"), std::string::npos) << error;
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous"));
    QDir(folder).removeRecursively();
}
