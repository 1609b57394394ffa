#include "metafile/EmfRecorder.h"

#include <cmath>

namespace qlx {

EmfRecorder::EmfRecorder(QSize pagePixels, double dotsPerInch, const QString& description)
    : size_(pagePixels)
    , dpi_(dotsPerInch)
    , writer_(std::make_unique<EmfWriter>(
          pagePixels, dotsPerInch,
          description.isEmpty() ? QStringLiteral("Quillmar Mineral Label Studio") : description))
    , engine_(std::make_unique<EmfPaintEngine>(*writer_)) {}

EmfRecorder::~EmfRecorder() = default;

QPaintEngine* EmfRecorder::paintEngine() const {
    return writer_ ? engine_.get() : nullptr; // nothing more can be painted once finished
}

Metafile EmfRecorder::finish() {
    if (!writer_)
        throw Error("The metafile recording has already been finished");
    if (engine_->isActive())
        throw Error("The metafile is still being painted on");
    const std::string bytes = writer_->finish();
    writer_.reset();
    return Metafile::fromBytes(bytes);
}

int EmfRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return size_.width();
    case PdmHeight:
        return size_.height();
    case PdmWidthMM:
        return static_cast<int>(std::lround(size_.width() * 25.4 / dpi_));
    case PdmHeightMM:
        return static_cast<int>(std::lround(size_.height() * 25.4 / dpi_));
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return static_cast<int>(std::lround(dpi_));
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace qlx
