#include "sheet/DeviceMapping.h"

#include <cmath>
#include <limits>

namespace qlx {

namespace {

constexpr double kTenthsPerInch = 254.0;

int checkedDpi(int dpi) {
    return dpi >= 1 ? dpi : 96;
}

// Rounds to the nearest integer, halves away from zero; saturates rather than overflowing.
int roundToInt(double v) {
    const double r = std::round(v);
    if (!(r > std::numeric_limits<int>::min())) { // also catches NaN
        return std::isnan(r) ? 0 : std::numeric_limits<int>::min();
    }
    if (r > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(r);
}

} // namespace

DeviceMapping DeviceMapping::screen(int dotsPerInch) {
    return DeviceMapping(dotsPerInch, dotsPerInch, 0, 0);
}

DeviceMapping DeviceMapping::printer(int dpiX, int dpiY, int unprintableLeftDots,
                                     int unprintableTopDots) {
    const int dx = checkedDpi(dpiX);
    const int dy = checkedDpi(dpiY);
    return DeviceMapping(dx, dy, unprintableLeftDots * kTenthsPerInch / dx,
                         unprintableTopDots * kTenthsPerInch / dy);
}

DeviceMapping::DeviceMapping(int dpiX, int dpiY, double leftOffset, double topOffset)
    : m_dpiX(checkedDpi(dpiX))
    , m_dpiY(checkedDpi(dpiY))
    , m_leftOffset(leftOffset)
    , m_topOffset(topOffset) {}

int DeviceMapping::x(double v) const {
    return roundToInt((v - m_leftOffset) * m_dpiX / kTenthsPerInch);
}

int DeviceMapping::y(double v) const {
    return roundToInt((v - m_topOffset) * m_dpiY / kTenthsPerInch);
}

DeviceRect DeviceMapping::rect(double left, double top, double width, double height) const {
    return DeviceRect{x(left), y(top), x(left + width), y(top + height)};
}

int DeviceMapping::pageWidth(double paperWidth) const {
    return roundToInt(paperWidth * m_dpiX / kTenthsPerInch);
}

int DeviceMapping::pageHeight(double paperLength) const {
    return roundToInt(paperLength * m_dpiY / kTenthsPerInch);
}

int DeviceMapping::fontPixels(int pointSize) const {
    return roundToInt(double(pointSize) * m_dpiY / 72.0);
}

} // namespace qlx
