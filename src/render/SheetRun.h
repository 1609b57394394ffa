#pragma once

// The render run. This folder turns label records into the labels on the sheet: the layout of
// a label's three rows (plain C++: fonts as values, the corrections, formula subscripts, long
// rows fitted or cut), the painter that draws that layout onto a bitmap, the composer that
// draws one label on its own copy of the background, and the run that fills a label sheet's
// slots with one drawing per label, telling an observer of each label and able to stop. It
// draws with QtGui and knows no window: the preview and the printing of the sheet are above
// it.

#include <QDateTime>
#include <QLocale>
#include <QSize>
#include <QString>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pictures/LabelFont.h"
#include "pictures/Picture.h"
#include "render/LabelLayout.h"
#include "sheet/SheetDefinition.h"
#include "stores/LabelFont.h"
#include "stores/LabelList.h"
#include "stores/LabelSettings.h"

namespace qlx {

class LabelSheet;

// Everything a label's look depends on, as plain values: what the window's appearance
// controls hold, and what the command-line program sets from its options.
struct LabelAppearance {
    Picture background;    // the label background; each label draws on its own copy
    LabelFont mineralFont; // row fonts
    LabelFont localityFont;
    LabelFont infoFont;
    LabelCorrections corrections;
    int pixelsPerInch = 96;    // of the screen the label is laid out for
    QSize blankSize{153, 113}; // the label made when there is no background
    // Mineral and locality rows too wide for the label are drawn smaller, down to 60 % of
    // their font, and then cut at a word with an ellipsis. Off by default.
    bool fitLongRows = false;

    // The window's look right after its start-up load: Arial 37 pixels for the mineral and
    // locality rows, Arial 27 for the info row, no corrections, the screen's resolution. The
    // background is left empty.
    static LabelAppearance startUp();
};

// One composed label: the record's fields, the info text as the label shows it (with its lead
// space) and the picture.
struct ComposedLabel {
    LabelRecord fields;
    std::string info;
    Picture picture;
};

// Draws one label: the record onto a fresh copy of the background (an icon or a metafile
// drawn into a bitmap first, as composeLabel does).
ComposedLabel composeRecordLabel(const LabelRecord& record, const LabelAppearance& appearance);

// Called around each label a run composes before the preview (with its fields before, with
// the label after). `keepGoing` is asked as the labels are placed, with the labels placed
// and the total; false cancels the run.
struct SheetRunObserver {
    std::function<void(const LabelRecord&)> beforeLabel;
    std::function<void(const ComposedLabel&)> afterLabel;
    std::function<bool(int done, int total)> keepGoing;
};

// Thrown by fillSheet when the observer cancelled the run; the sheet is then as before.
struct SheetRunCancelled : std::exception {
    const char* what() const noexcept override { return "The run was cancelled"; }
};

// The "Render and preview" run over a sheet: the sheet is emptied, then record i (from 0)
// goes to label position firstSlot + i, fifteen to a page: slot 1 of page 2 follows slot 15
// of page 1. So the sheet shows this run's labels and nothing of an earlier run. Returns the
// last record's label, if any.
//
// Only what the run must know before the preview is composed here: the labels of page 1
// (which show that labels can be made at all, and which the preview draws first) and the
// last record's label (what the window shows afterwards), in list order, each between the
// observer's beforeLabel and afterLabel. A label among those that cannot be composed ends
// the run with its error, and a cancelled run ends it with SheetRunCancelled; either way the
// sheet is as before. So a list of 50,000 labels reaches its preview in a few milliseconds
// of composing.
//
// The sheet keeps each label as its drawing over the one shared background, not as pixels:
// it composes the label when its page is recorded or printed, to the same pixels. A label
// that fails then is not dropped: that recording or print ends with "Label N (page P, slot
// S) cannot be drawn: <why>" (see LabelSheet::LabelDrawing).

// The most pixels a label background may have: every label drawn is a full copy of it.
// Beyond it fillSheet refuses a bitmap before any label is made; an icon or a metafile is
// drawn into a bitmap scaled down to fit.
constexpr qint64 kMaxLabelPixels = qint64(2048) * 2048;

// The slots of the first page a run may start at, for a partly used sheet of label stock.
constexpr int kFirstStartSlot = 1;
constexpr int kLastStartSlot = SheetDefinition::kSlotCount;
constexpr bool isStartSlot(int slot) {
    return slot >= kFirstStartSlot && slot <= kLastStartSlot;
}

// Throws qlx::Error when firstSlot is not a start slot.
std::optional<ComposedLabel> fillSheet(LabelSheet& sheet, const std::vector<LabelRecord>& records,
                                       const LabelAppearance& appearance, int firstSlot = 1,
                                       const SheetRunObserver& observer = {});

// The date line stamped on the sheet: "Time " the long time without its zone ", Date " the
// short date, both in the locale's format.
QString sheetDateLine(const QDateTime& when, const QLocale& locale = QLocale());

// A stock background is looked up in the current folder first and then in the program's data
// folder, so the program finds its own backgrounds when started from elsewhere; one found in
// neither keeps its bare name, so the error names it. The window and qlxsheet both look here.
QString stockBackgroundPath(const char* fileName);
// The same for a stock background by its choice: "Complete", "Reduced" or "Clean" (Custom is
// the user's own file and has none: an empty path).
QString stockBackgroundPath(BackgroundChoice stock);

} // namespace qlx
