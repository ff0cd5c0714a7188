// Draws lines of text with Qt's raster engine, as a Qt window's backing store draws them, for the
// renderer's golden pictures (scripts/make-render-goldens.sh):
//
//   qt_text_shot FAMILY PIXELS PAPER INK OUT.png LINE...
//
// Each line is drawn with QPainter::drawText at the left edge, its baseline at the font's ascent
// rounded up plus whole line pitches (the line spacing rounded up). Prints "baseline B pitch P".
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: qt_text_shot FAMILY PIXELS PAPER INK OUT.png LINE...\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QFont font(QString::fromUtf8(argv[1]));
    font.setPixelSize(std::atoi(argv[2]));
    const QFontMetricsF metrics(font);
    const int baseline = static_cast<int>(std::ceil(metrics.ascent()));
    const int pitch = static_cast<int>(std::ceil(metrics.lineSpacing()));
    const int lines = argc - 6;
    QImage image(600, pitch * lines + 2, QImage::Format_RGB32);
    image.fill(QColor(QString("#") + argv[3]));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(QString("#") + argv[4]));
    for (int line = 0; line < lines; ++line)
        painter.drawText(QPointF(0, baseline + line * pitch), QString::fromUtf8(argv[6 + line]));
    painter.end();
    if (!image.save(QString::fromUtf8(argv[5])))
        return 1;
    std::printf("baseline %d pitch %d\n", baseline, pitch);
    return 0;
}
