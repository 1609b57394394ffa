#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace qlx {

// The font of one label row as the font dialog holds it: face, character height in pixels,
// style, colour and Windows character set.
struct LabelFont {
    static constexpr int kAnsiCharset = 0;
    static constexpr int kDefaultCharset = 1;

    QString face = QStringLiteral("Arial");
    int pixelHeight = 37;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor colour = Qt::black;
    int charset = kAnsiCharset;

    // A regular black font (the window-text colour of the classic desktop) with the ANSI
    // character set.
    static LabelFont regular(const QString& face, int pixelHeight);

    // The drawing font: the character set has no counterpart in QFont and is left out.
    QFont toQFont() const;
    static LabelFont fromQFont(const QFont& font, const QColor& colour, int charset);

    // Points at 96 pixels per inch, rounded half away from zero, and back.
    static int pointsFromPixels(int pixels);
    static int pixelsFromPoints(double points);

    bool operator==(const LabelFont& other) const;
    bool operator!=(const LabelFont& other) const { return !(*this == other); }
};

} // namespace qlx
