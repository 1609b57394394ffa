#pragma once

#include <QFont>

#include "sheet/DeviceMapping.h"
#include "sheet/TextMeasurer.h"

namespace qlx {

// Measures report text with the fonts as the screen shows them (whole pixels at the
// screen's resolution), converted to tenths of a millimetre. Text elements are sized once,
// when their caption changes, whatever device they are later drawn on.
class ScreenTextMeasurer : public TextMeasurer {
public:
    explicit ScreenTextMeasurer(int dotsPerInch = 96);

    double lineWidth(const SheetFont& font, const std::string& line) const override;
    double lineHeight(const SheetFont& font) const override;

    // The Qt font of a report font at a device's resolution.
    static QFont qtFont(const SheetFont& font, const DeviceMapping& mapping);

private:
    DeviceMapping m_screen;
};

} // namespace qlx
