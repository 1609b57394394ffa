#include "render/LabelComposer.h"

#include "pictures/LabelFont.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "render/LabelPainter.h"
#include "render/SheetRun.h"
#include "sheet/ScreenTextMeasurer.h"

namespace qlx {

std::string composeLabel(Picture& label, const QSize& blankSize, const LabelLayoutInput& input) {
    if (label.isEmpty()) {
        QImage blank(blankSize, QImage::Format_RGB32);
        blank.fill(Qt::white);
        label = Picture(blank);
    } else if (!label.isBitmap()) {
        label = label.toDrawableBitmap(kMaxLabelPixels);
    }
    QImage& surface = label.bitmapForDrawing();
    // Rows are fitted against the width of the bitmap they are drawn on, measured with the
    // fonts at the pixel heights the painter uses.
    static const ScreenTextMeasurer measurer(LabelLayout::kMeasureDpi);
    LabelLayoutInput fitted = input;
    fitted.labelWidth = surface.width();
    LabelLayoutResult layout = LabelLayout::compute(fitted, &measurer);
    LabelPainter::paint(surface, input, layout.outputs);
    return std::move(layout.infoText);
}

} // namespace qlx
