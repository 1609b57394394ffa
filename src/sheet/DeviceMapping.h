#pragma once

#include <cstdint>

namespace qlx {

// A rectangle in device units: left and top included, right and bottom excluded.
struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const DeviceRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Maps report positions (tenths of a millimetre from the paper's edges) to a device: the
// screen for page pictures, or a printer whose origin is the corner of its printable area.
class DeviceMapping {
public:
    // The screen: offsets 0.
    static DeviceMapping screen(int dotsPerInch = 96);
    // A printer: its resolution and its unprintable left and top margins in device dots, so
    // that positions stay measured from the paper's edges.
    static DeviceMapping printer(int dpiX, int dpiY, int unprintableLeftDots,
                                 int unprintableTopDots);

    // Resolutions below 1 are taken as 96.
    DeviceMapping(int dpiX, int dpiY, double leftOffset, double topOffset);

    int dpiX() const { return m_dpiX; }
    int dpiY() const { return m_dpiY; }
    double leftOffset() const { return m_leftOffset; } // tenths of a millimetre
    double topOffset() const { return m_topOffset; }

    // (v - offset) x dpi / 254, rounded to the nearest whole unit (halves away from zero) and
    // kept within the int range.
    int x(double v) const;
    int y(double v) const;
    // Each corner is mapped on its own.
    DeviceRect rect(double left, double top, double width, double height) const;

    // The page picture's size for a paper of the given size: each side x dpi / 254, rounded.
    int pageWidth(double paperWidth) const;
    int pageHeight(double paperLength) const;

    // A font's pixel height on this device: points x vertical dpi / 72, rounded.
    int fontPixels(int pointSize) const;

private:
    int m_dpiX;
    int m_dpiY;
    double m_leftOffset;
    double m_topOffset;
};

} // namespace qlx
