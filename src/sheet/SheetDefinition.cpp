#include "sheet/SheetDefinition.h"

#include <algorithm>
#include <stdexcept>

#include "stores/Product.h"

namespace qlx {

namespace {

constexpr double kBandWidth = 1894.417;
constexpr double kColumnLefts[3] = {52.917, 670.278, 1270.000};
constexpr double kRowTops[5] = {70.556, 493.889, 917.222, 1340.556, 1763.889};

SheetElement textElement(const std::string& name, double left, double top, double width,
                         double height, const std::string& caption, const SheetFont& font) {
    SheetElement e;
    e.name = name;
    e.kind = SheetElementKind::Text;
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    e.caption = caption;
    e.font = font;
    return e;
}

} // namespace

SheetDefinition::SheetDefinition(const TextMeasurer& measurer) {
    SheetBand heading;
    heading.name = "HeadingBand";
    heading.width = kBandWidth;
    heading.height = 264.583;

    SheetElement box;
    box.name = "TitleBox";
    box.kind = SheetElementKind::Rectangle;
    box.left = 282.222;
    box.top = 35.278;
    box.width = 1278.819;
    box.height = 149.931;
    heading.elements.push_back(box);

    SheetFont titleFont = reportFont;
    titleFont.pointSize = 12;
    heading.elements.push_back(
        textElement("TitleText", 645.583, 52.917, 571.5, 52.917, kProductName, titleFont));
    heading.elements.push_back(
        textElement("DateLine", 687.917, 127.000, 158.75, 52.917, "DateLine", reportFont));
    for (SheetElement& e : heading.elements) {
        if (e.kind == SheetElementKind::Text) {
            autoSize(e, measurer);
        }
    }

    SheetBand slots;
    slots.name = "SlotBand";
    slots.width = kBandWidth;
    slots.height = 2455.333;
    for (int n = 1; n <= kSlotCount; ++n) {
        SheetElement slot;
        slot.name = "SheetSlot" + std::to_string(n);
        slot.kind = SheetElementKind::Slot;
        slot.left = slotLeft(n);
        slot.top = slotTop(n);
        slot.width = kSlotWidth;
        slot.height = kSlotHeight;
        slot.slot = n;
        slots.elements.push_back(slot);
    }

    m_bands.push_back(std::move(heading));
    m_bands.push_back(std::move(slots));
}

double SheetDefinition::slotLeft(int slot) {
    if (slot < 1 || slot > kSlotCount) {
        throw std::out_of_range("slot number out of range");
    }
    return kColumnLefts[(slot - 1) % 3];
}

double SheetDefinition::slotTop(int slot) {
    if (slot < 1 || slot > kSlotCount) {
        throw std::out_of_range("slot number out of range");
    }
    return kRowTops[(slot - 1) / 3];
}

void SheetDefinition::setOrientation(SheetOrientation orientation) {
    if (orientation == m_page.orientation) {
        return;
    }
    std::swap(m_page.width, m_page.length);
    m_page.orientation = orientation;
}

void SheetDefinition::setDateLineCaption(const std::string& caption, const TextMeasurer& measurer) {
    SheetElement* e = findMutable("DateLine");
    e->caption = caption;
    autoSize(*e, measurer);
}

const SheetElement& SheetDefinition::dateLine() const {
    return *find("DateLine");
}

const SheetElement* SheetDefinition::find(const std::string& name) const {
    for (const SheetBand& band : m_bands) {
        for (const SheetElement& e : band.elements) {
            if (e.name == name) {
                return &e;
            }
        }
    }
    return nullptr;
}

SheetElement* SheetDefinition::findMutable(const std::string& name) {
    return const_cast<SheetElement*>(find(name));
}

std::vector<std::string> SheetDefinition::splitLines(const std::string& caption) {
    std::vector<std::string> lines(1);
    for (char c : caption) {
        if (c == '\r') {
            lines.emplace_back();
        } else if (c != '\n') {
            lines.back() += c;
        }
    }
    return lines;
}

void SheetDefinition::autoSize(SheetElement& element, const TextMeasurer& measurer) {
    element.lines = splitLines(element.caption);
    double widest = 0;
    for (const std::string& line : element.lines) {
        widest = std::max(widest, measurer.lineWidth(element.font, line));
    }
    element.width = widest;
    element.height = std::max(element.height, measurer.lineHeight(element.font));
}

} // namespace qlx
