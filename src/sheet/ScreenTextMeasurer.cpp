#include "sheet/ScreenTextMeasurer.h"

#include <QFontMetrics>
#include <algorithm>

#include "pictures/Text.h"

namespace qlx {

ScreenTextMeasurer::ScreenTextMeasurer(int dotsPerInch)
    : m_screen(DeviceMapping::screen(dotsPerInch)) {}

QFont ScreenTextMeasurer::qtFont(const SheetFont& font, const DeviceMapping& mapping) {
    QFont f(toQString(font.face));
    f.setPixelSize(std::max(1, mapping.fontPixels(font.pointSize)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    return f;
}

double ScreenTextMeasurer::lineWidth(const SheetFont& font, const std::string& line) const {
    const QFontMetrics metrics(qtFont(font, m_screen));
    return metrics.horizontalAdvance(toQString(line)) * 254.0 / m_screen.dpiX();
}

double ScreenTextMeasurer::lineHeight(const SheetFont& font) const {
    const QFontMetrics metrics(qtFont(font, m_screen));
    return metrics.height() * 254.0 / m_screen.dpiY();
}

} // namespace qlx
