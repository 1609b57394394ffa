#pragma once

#include "metafile/EmfPaintEngine.h"
#include "metafile/EmfWriter.h"
#include "metafile/Metafile.h"

#include <QPaintDevice>
#include <QSize>
#include <memory>

namespace qlx {

// A paint device that records what a QPainter draws into an enhanced metafile of the given
// page size (device pixels) and resolution. Paint on it, end the painter, then finish().
class EmfRecorder : public QPaintDevice {
public:
    explicit EmfRecorder(QSize pagePixels, double dotsPerInch = 96.0,
                         const QString& description = QString());
    ~EmfRecorder() override;
    EmfRecorder(const EmfRecorder&) = delete;
    EmfRecorder& operator=(const EmfRecorder&) = delete;

    QPaintEngine* paintEngine() const override;

    // Ends the recording and returns the metafile. Throws while a painter is still active
    // or when called twice.
    Metafile finish();
    // See EmfWriter::setByteLimit: the size is kept in check while the page is recorded.
    void setByteLimit(size_t limit) {
        if (m_writer)
            m_writer->setByteLimit(limit);
    }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    double m_dpi;
    std::unique_ptr<EmfWriter> m_writer;
    std::unique_ptr<EmfPaintEngine> m_engine;
};

} // namespace qlx
