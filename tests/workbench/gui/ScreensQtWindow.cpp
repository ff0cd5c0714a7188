// A Qt window of labels and a plain text view, for the page reader's proportional test
// pictures (scripts/screens/make-screens.sh shoots it under Xvfb):
//   screens_qt_window WINDOW.json
// WINDOW.json: {"family", "px", "dark", "width", "lines": [{"text", "heading"}], "body": [lines]}.
// Once the window is shown and painted it prints one JSON line to stdout, its X window id and
// the box of each picture line in window pixels, and then runs until it is killed.
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

// Fusion's palette in light or dark colours, fixed here so that no desktop setting changes them.
QPalette FixedPalette(bool dark)
{
    QPalette palette;
    const QColor window = dark ? QColor(0x2b, 0x2b, 0x2b) : QColor(0xef, 0xef, 0xef);
    const QColor base = dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xff, 0xff, 0xff);
    const QColor text = dark ? QColor(0xe6, 0xe6, 0xe6) : QColor(0x1a, 0x1a, 0x1a);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    return palette;
}

// A read-only text view that tells where its lines lie.
class LineView : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

    // The rectangle of a block's first line in viewport coordinates.
    QRectF BlockRect(const QTextBlock& block) const
    {
        return blockBoundingGeometry(block).translated(contentOffset());
    }
};

// A box as a JSON array: x, y, width, height.
QJsonArray Box(const QRect& r)
{
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: screens_qt_window WINDOW.json\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "screens_qt_window: cannot read %s\n", argv[1]);
        return 2;
    }
    const QJsonObject description = QJsonDocument::fromJson(file.readAll()).object();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(FixedPalette(description[QStringLiteral("dark")].toBool()));
    QFont font(description[QStringLiteral("family")].toString());
    font.setPixelSize(description[QStringLiteral("px")].toInt());
    QApplication::setFont(font);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Settings"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(4);
    QList<QLabel*> labels;
    for (const QJsonValue& value : description[QStringLiteral("lines")].toArray()) {
        const QJsonObject line = value.toObject();
        auto* label = new QLabel(line[QStringLiteral("text")].toString());
        label->setTextFormat(Qt::PlainText);
        if (line[QStringLiteral("heading")].toBool()) {
            QFont bold = font;
            bold.setBold(true);
            label->setFont(bold);
        }
        layout->addWidget(label);
        labels.append(label);
    }
    QStringList body;
    for (const QJsonValue& value : description[QStringLiteral("body")].toArray())
        body.append(value.toString());
    auto* view = new LineView(body.join(QLatin1Char('\n')));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setTextInteractionFlags(Qt::NoTextInteraction);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int lineHeight = view->fontMetrics().lineSpacing();
    view->setFixedHeight(lineHeight * static_cast<int>(body.size()) + 2 * view->frameWidth() +
                         2 * static_cast<int>(view->document()->documentMargin()) + 4);
    layout->addSpacing(8);
    layout->addWidget(view);
    window.setFixedWidth(description[QStringLiteral("width")].toInt());
    window.move(0, 0);
    window.show();

    // Reports once the window has been painted (a timer after the first events settle).
    QTimer::singleShot(700, &window, [&] {
        QJsonArray lines;
        for (QLabel* label : labels) {
            const QRect text = label->fontMetrics().boundingRect(label->text());
            const QRect r = label->contentsRect();
            const QPoint at = label->mapTo(&window, r.topLeft());
            lines.append(QJsonObject{{QStringLiteral("text"), label->text()},
                                     {QStringLiteral("box"), Box(QRect(at.x(), at.y() + (r.height() - label->fontMetrics().height()) / 2,
                                                                       text.width(), label->fontMetrics().height()))}});
        }
        for (QTextBlock block = view->document()->firstBlock(); block.isValid(); block = block.next()) {
            const QRectF geometry = view->BlockRect(block);
            const int width = view->fontMetrics().horizontalAdvance(block.text());
            const QPoint at = view->viewport()->mapTo(&window, geometry.topLeft().toPoint());
            lines.append(QJsonObject{{QStringLiteral("text"), block.text()},
                                     {QStringLiteral("box"), Box(QRect(at.x() + static_cast<int>(view->document()->documentMargin()),
                                                                       at.y(), width, static_cast<int>(geometry.height())))}});
        }
        const QJsonObject report{{QStringLiteral("window"), static_cast<qint64>(window.winId())},
                                 {QStringLiteral("width"), window.width()},
                                 {QStringLiteral("height"), window.height()},
                                 {QStringLiteral("qt"), QString::fromLatin1(qVersion())},
                                 {QStringLiteral("lines"), lines}};
        std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    });
    return QApplication::exec();
}
