#include "metafile/EmfRecorder.h"

#include <cmath>

#include "stores/Product.h"

namespace qlx {

EmfRecorder::EmfRecorder(QSize pagePixels, double dotsPerInch, const QString& description)
    : m_size(pagePixels)
    , m_dpi(dotsPerInch)
    , m_writer(std::make_unique<EmfWriter>(pagePixels, dotsPerInch,
                                           description.isEmpty() ? QString::fromUtf8(kProductName)
                                                                 : description))
    , m_engine(std::make_unique<EmfPaintEngine>(*m_writer)) {}

EmfRecorder::~EmfRecorder() = default;

QPaintEngine* EmfRecorder::paintEngine() const {
    return m_writer ? m_engine.get() : nullptr; // nothing more can be painted once finished
}

Metafile EmfRecorder::finish() {
    if (!m_writer)
        throw Error("The metafile recording has already been finished");
    if (m_engine->isActive())
        throw Error("The metafile is still being painted on");
    const std::string bytes = m_writer->finish();
    m_writer.reset();
    return Metafile::fromBytes(bytes);
}

int EmfRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return static_cast<int>(std::lround(m_size.width() * 25.4 / m_dpi));
    case PdmHeightMM:
        return static_cast<int>(std::lround(m_size.height() * 25.4 / m_dpi));
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return static_cast<int>(std::lround(m_dpi));
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace qlx
