#include "preview/PreviewGeometry.h"

#include <iterator>

#include <Qt>
#include <algorithm>
#include <cmath>

namespace qlx {

namespace {

int roundToInt(double v) {
    return static_cast<int>(std::lround(v));
}

// Long products stay exact in 64 bits; the page image is never wider than int.
int scaled(int pixels, int zoom) {
    const long long product = static_cast<long long>(pixels) * zoom;
    return static_cast<int>((product * 2 + 100) / 200); // rounded half up, products are >= 0
}

int centred(int image, int view) {
    return image < view ? (view - image) / 2 : 0;
}

} // namespace

PixelSize pagePixels(double widthTenthsMm, double heightTenthsMm, double dpiX, double dpiY) {
    return {roundToInt(widthTenthsMm * dpiX / 254.0), roundToInt(heightTenthsMm * dpiY / 254.0)};
}

bool zoomAllowed(int zoom) {
    return zoom >= kMinZoom && zoom <= kMaxZoom;
}

int zoomForMode(ZoomMode mode, PixelSize view, PixelSize page, int current) {
    if (mode == ZoomMode::Fixed || page.width <= 0 || page.height <= 0)
        return current;
    int zoom = roundToInt(double(view.width) / page.width * 90.0);
    if (mode == ZoomMode::Fit)
        zoom = std::min(roundToInt(double(view.width) / page.width * 95.0),
                        roundToInt(double(view.height) / page.height * 95.0));
    return zoomAllowed(zoom) ? zoom : current;
}

ImagePlacement placeImage(PixelSize page, int zoom, PixelSize view) {
    ImagePlacement p;
    p.width = scaled(page.width, zoom) + 4;
    p.height = scaled(page.height, zoom) + 4;
    p.left = centred(p.width, view.width);
    p.top = centred(p.height, view.height);
    return p;
}

int zoomStep(int current, int direction) {
    if (direction > 0) {
        for (int step : kZoomSteps)
            if (step > current)
                return step;
    } else if (direction < 0) {
        for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
            if (*it < current)
                return *it;
    }
    return current;
}

PagingCommand pagingCommandForKey(int key, int modifiers) {
    const int relevant =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrlOnly = relevant == Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        return PagingCommand::Close;
    case Qt::Key_PageUp:
        return ctrlOnly ? PagingCommand::First : PagingCommand::Previous;
    case Qt::Key_PageDown:
        return ctrlOnly ? PagingCommand::Last : PagingCommand::Next;
    case Qt::Key_Home:
        return PagingCommand::First;
    case Qt::Key_End:
        return PagingCommand::Last;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return (relevant & ~Qt::ShiftModifier) == Qt::ControlModifier ? PagingCommand::ZoomIn
                                                                      : PagingCommand::None;
    case Qt::Key_Minus:
        return ctrlOnly ? PagingCommand::ZoomOut : PagingCommand::None;
    default:
        return PagingCommand::None;
    }
}

} // namespace qlx
