#include "sheet/SheetLayout.h"

#include <cmath>

namespace qlx {

double SheetLayout::wholeTenths(double v) {
    return std::round(v);
}

BandPlacement SheetLayout::placeBands(const SheetPage& page, const std::vector<SheetBand>& bands) {
    BandPlacement result;
    const double x = page.leftMargin;
    double y = page.topMargin;
    const double emptyPageSpace = page.length - page.topMargin - page.bottomMargin;
    for (const SheetBand& band : bands) {
        const double h = wholeTenths(band.height);
        const double spaceLeft = wholeTenths(page.length - page.bottomMargin - y);
        if (result.pageCount == 0 || (h > spaceLeft && h <= emptyPageSpace)) {
            ++result.pageCount;
            y = page.topMargin;
        }
        result.bands.push_back(PlacedBand{&band, result.pageCount, x, y});
        y += h;
    }
    result.endY = y;
    return result;
}

std::vector<PlacedElement> SheetLayout::layout(const SheetDefinition& sheet,
                                               const DeviceMapping& mapping) {
    std::vector<PlacedElement> out;
    const BandPlacement placement = placeBands(sheet.page(), sheet.bands());
    for (const PlacedBand& pb : placement.bands) {
        const SheetBand& band = *pb.band;
        PlacedElement bg;
        bg.kind = PlacedKind::BandBackground;
        bg.name = band.name;
        bg.page = pb.page;
        bg.left = pb.left;
        bg.top = pb.top;
        bg.right = pb.left + band.width;
        bg.bottom = pb.top + band.height;
        bg.device = mapping.rect(pb.left, pb.top, band.width, band.height);
        out.push_back(std::move(bg));

        for (const SheetElement& e : band.elements) {
            PlacedElement p;
            switch (e.kind) {
            case SheetElementKind::Rectangle:
                p.kind = PlacedKind::Rectangle;
                break;
            case SheetElementKind::Text:
                p.kind = PlacedKind::Text;
                break;
            case SheetElementKind::Slot:
                p.kind = PlacedKind::Slot;
                break;
            }
            p.name = e.name;
            p.page = pb.page;
            p.left = pb.left + e.left;
            p.top = pb.top + e.top;
            p.right = p.left + e.width;
            p.bottom = p.top + e.height;
            p.device = mapping.rect(p.left, p.top, e.width, e.height);
            p.lines = e.lines;
            p.font = e.font;
            p.slot = e.slot;
            out.push_back(std::move(p));
        }
    }
    return out;
}

bool SheetLayout::pageInRange(int page, int firstPage, int lastPage) {
    if (firstPage > 0 && page < firstPage) {
        return false;
    }
    if (lastPage > 0 && page > lastPage) {
        return false;
    }
    return true;
}

} // namespace qlx
