#pragma once

#include <string>
#include <vector>

#include "sheet/TextMeasurer.h"

namespace qlx {

// Every measure below is in tenths of a millimetre, as the report definition stores it.

enum class SheetElementKind { Rectangle, Text, Slot };

struct SheetElement {
    std::string name;
    SheetElementKind kind = SheetElementKind::Rectangle;
    double left = 0; // relative to the band's top-left corner
    double top = 0;
    double width = 0;
    double height = 0;
    // Text elements: the caption, its lines (split at carriage returns) and the font.
    std::string caption;
    std::vector<std::string> lines;
    SheetFont font;
    // Slot elements: 1 to 15.
    int slot = 0;
};

struct SheetBand {
    std::string name;
    double width = 0;
    double height = 0;
    std::vector<SheetElement> elements; // in drawing order
};

enum class SheetOrientation { Portrait, Landscape };

// The paper and its margins; the stored order of these page values is bottom margin, length,
// top margin, width, left margin, right margin, column spacing.
struct SheetPage {
    double width = 2100; // of the paper, as turned by the orientation
    double length = 2970;
    double topMargin = 100;
    double bottomMargin = 100;
    double leftMargin = 100;
    double rightMargin = 100;
    double columnSpacing = 0;
    SheetOrientation orientation = SheetOrientation::Portrait;
};

// The label sheet report `SheetReport`: A4 paper, a heading band with the title box, title
// and date line, and a band with fifteen label slots in three columns by five rows.
class SheetDefinition {
public:
    static constexpr int kSlotCount = 15;
    static constexpr double kSlotWidth = 573.264;
    static constexpr double kSlotHeight = 361.597;

    // The sheet as designed; the text elements are sized with the given measurer.
    explicit SheetDefinition(const TextMeasurer& measurer);

    // Report-wide settings.
    SheetFont reportFont; // Arial 10 pt
    std::string title;    // the print job's name; empty
    int copies = 1;
    int firstPage = 0; // 0: no limit on that side
    int lastPage = 0;
    bool showProgress = true;

    const SheetPage& page() const { return m_page; }
    const std::vector<SheetBand>& bands() const { return m_bands; }

    // Turns the page: landscape swaps paper width and length (297 x 210 mm).
    void setOrientation(SheetOrientation orientation);

    // Sets the caption of the date line `DateLine` and sizes it again at once.
    void setDateLineCaption(const std::string& caption, const TextMeasurer& measurer);
    const SheetElement& dateLine() const;

    // Finds an element by name; nullptr when there is none.
    const SheetElement* find(const std::string& name) const;

    // Left and top of slot n (1 to 15) within the slot band.
    static double slotLeft(int slot);
    static double slotTop(int slot);

    // A caption's lines: split at every carriage return, line feeds removed. No other
    // wrapping takes place.
    static std::vector<std::string> splitLines(const std::string& caption);

    // Sizes a text element to its caption: the width of the widest line (the left edge
    // stays), and at least the height of one line.
    static void autoSize(SheetElement& element, const TextMeasurer& measurer);

private:
    SheetElement* findMutable(const std::string& name);

    SheetPage m_page;
    std::vector<SheetBand> m_bands;
};

} // namespace qlx
