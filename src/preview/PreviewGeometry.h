#pragma once

// The arithmetic of the preview's page view, kept free of widgets so that it can be checked
// against tables: page size in screen pixels, zoom for each zoom mode, the size and place of
// the page image, and the paging keys.

namespace qlx {

enum class ZoomMode { Fit, Width, Fixed };

inline constexpr int kMinZoom = 2;
inline constexpr int kMaxZoom = 2000;

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize& o) const { return width == o.width && height == o.height; }
};

struct ImagePlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ImagePlacement& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

// The page in screen pixels at 100%: tenths of a millimetre times dots per inch / 254, rounded.
PixelSize pagePixels(double widthTenthsMm, double heightTenthsMm, double dpiX, double dpiY);

bool zoomAllowed(int zoom);

// The zoom a mode asks for on a view of the given outer size; `current` when the mode is fixed,
// when the page has no size, or when the result falls outside the allowed range.
int zoomForMode(ZoomMode mode, PixelSize view, PixelSize page, int current);

// The page image at a zoom: the page scaled (each product rounded) plus 4 pixels for the outline
// and shadow, centred in the view on each axis where it is smaller (half the difference,
// rounded down), otherwise at 0.
ImagePlacement placeImage(PixelSize page, int zoom, PixelSize view);

// The zoom steps of Zoom in and Zoom out, in percent.
inline constexpr int kZoomSteps[] = {25, 50, 75, 100, 125, 150, 200, 300, 400};

// The next step above `current` (direction > 0) or below it (direction < 0); `current` when
// there is none that way.
int zoomStep(int current, int direction);

enum class PagingCommand { None, Close, First, Previous, Next, Last, ZoomIn, ZoomOut };

// The window's paging and zoom keys. Ctrl turns Page Up and Page Down into First and Last page
// only when no other modifier is held; Shift and Alt are otherwise ignored. Ctrl with + (or =,
// the same key unshifted) zooms in, Ctrl with - zooms out.
PagingCommand pagingCommandForKey(int key, int modifiers);

} // namespace qlx
