#pragma once

#include <string>
#include <vector>

#include "sheet/DeviceMapping.h"
#include "sheet/SheetDefinition.h"

namespace qlx {

// Where a band lands: its page (from 1) and its top-left corner on the paper.
struct PlacedBand {
    const SheetBand* band = nullptr;
    int page = 1;
    double left = 0; // tenths of a millimetre from the paper's left edge
    double top = 0;  // tenths of a millimetre from the paper's top edge
};

struct BandPlacement {
    std::vector<PlacedBand> bands;
    int pageCount = 0;
    double endY = 0; // current y after the last band
};

enum class PlacedKind { BandBackground, Rectangle, Text, Slot };

// One thing to draw on a page, in drawing order.
struct PlacedElement {
    PlacedKind kind = PlacedKind::BandBackground;
    std::string name;
    int page = 1;
    // On the paper, tenths of a millimetre from its edges.
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    // On the device; each corner mapped on its own.
    DeviceRect device;
    // Text: the lines and the font; slot: its number.
    std::vector<std::string> lines;
    SheetFont font;
    int slot = 0;
};

// The band placement and the mapping of the sheet to a device.
class SheetLayout {
public:
    // Places the bands one below the other from the top margin. A band starts a new page
    // when no page has been started yet, or when it does not fit in the space left but
    // would fit on an empty page; a band too high even for an empty page stays where it is
    // and runs past the bottom edge.
    static BandPlacement placeBands(const SheetPage& page, const std::vector<SheetBand>& bands);

    // Every band background and element of the sheet, placed on the paper and mapped.
    static std::vector<PlacedElement> layout(const SheetDefinition& sheet,
                                             const DeviceMapping& mapping);

    // Whether a page goes to the printer under the first/last page limits (0: no limit).
    static bool pageInRange(int page, int firstPage, int lastPage);

    // Rounds to a whole tenth of a millimetre, halves away from zero.
    static double wholeTenths(double v);
};

} // namespace qlx
