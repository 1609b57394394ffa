// Draws the three stock label backgrounds into data/: labelcomplete.bmp, labelreduced.bmp and
// labelclean.bmp, 24-bit, 640 x 404 pixels (the proportions of a sheet slot, 57.3 x 36.2 mm).
// The label's rows are drawn by the program at x = 151 and y = 32 (mineral), 94 (locality) and
// 139 (info), each y the top of the text cell; the captions and rules below sit on those rows.
//
//   cmake --build build --target make_backgrounds && build/make_backgrounds data
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 404;
// White, because every text output paints its cell opaque white.
const QColor kPaper{255, 255, 255};
const QColor kInk{46, 74, 68};
const QColor kCaption{120, 104, 82};
const QColor kRule{196, 186, 168};

enum class Style { Clean, Reduced, Complete };

QFont font(const char* family, int pixels, bool bold = false, bool italic = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

void drawFrame(QPainter& p) {
    p.setPen(QPen(kInk, 4));
    p.drawRect(QRectF(10, 10, kWidth - 20, kHeight - 20));
    p.setPen(QPen(kInk, 1.5));
    p.drawRect(QRectF(18, 18, kWidth - 36, kHeight - 36));
}

// Row rules and captions; `baseline` is where the row's default font sits.
void drawRows(QPainter& p, bool captions) {
    struct Row {
        const char* caption;
        int baseline;
        int rule;
    };
    const Row rows[] = {{"Mineral", 66, 82}, {"Locality", 128, 138}, {"Formula", 164, 192}};
    for (const Row& row : rows) {
        p.setPen(QPen(kRule, 1.5, Qt::DotLine));
        p.drawLine(QPointF(151, row.rule), QPointF(kWidth - 34, row.rule));
        if (captions) {
            p.setPen(kCaption);
            p.setFont(font("Liberation Serif", 21, false, true));
            p.drawText(QPointF(34, row.baseline), row.caption);
        }
    }
}

void drawHeading(QPainter& p) {
    const QRectF band(18, 262, kWidth - 36, kHeight - 280);
    p.fillRect(band, QColor(238, 234, 222));
    p.setPen(QPen(kInk, 1.5));
    p.drawLine(band.topLeft(), band.topRight());

    // A small crystal: a hexagonal prism with a pointed termination.
    QPainterPath crystal;
    const qreal cx = 70, top = 282, w = 22;
    crystal.moveTo(cx, top);
    crystal.lineTo(cx + w, top + 22);
    crystal.lineTo(cx + w, top + 78);
    crystal.lineTo(cx, top + 96);
    crystal.lineTo(cx - w, top + 78);
    crystal.lineTo(cx - w, top + 22);
    crystal.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(crystal, QColor(206, 222, 216));
    p.setPen(QPen(kInk, 2));
    p.drawPath(crystal);
    p.drawLine(QPointF(cx, top), QPointF(cx, top + 96));
    p.drawLine(QPointF(cx - w, top + 22), QPointF(cx, top + 34));
    p.drawLine(QPointF(cx + w, top + 22), QPointF(cx, top + 34));

    p.setPen(kInk);
    p.setFont(font("Liberation Serif", 34, true));
    p.drawText(QRectF(110, 276, kWidth - 150, 44), Qt::AlignLeft | Qt::AlignVCenter,
               "MINERAL COLLECTION");
    p.setFont(font("Liberation Serif", 21, false, true));
    p.setPen(kCaption);
    p.drawText(QPointF(112, 356), "Catalogue no.");
    p.setPen(QPen(kRule, 1.5, Qt::DotLine));
    p.drawLine(QPointF(250, 358), QPointF(kWidth - 34, 358));
}

QImage draw(Style style) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawFrame(p);
    if (style != Style::Clean)
        drawRows(p, true);
    if (style == Style::Complete)
        drawHeading(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data"));
    const struct {
        const char* file;
        Style style;
    } files[] = {{"labelcomplete.bmp", Style::Complete},
                 {"labelreduced.bmp", Style::Reduced},
                 {"labelclean.bmp", Style::Clean}};
    for (const auto& f : files) {
        if (!draw(f.style).save(out.filePath(QString::fromLatin1(f.file)), "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", f.file);
            return 1;
        }
    }
    return 0;
}
