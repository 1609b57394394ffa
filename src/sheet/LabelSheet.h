#pragma once

// The label sheet. This folder defines the A4 sheet (heading, date line and fifteen label slots
// in tenths of a millimetre), lays it out for a device, maps report units to device pixels,
// and paints it through one function that serves both the page picture and the printer. The
// LabelSheet ties these together: it keeps the labels of every page and records the pages
// into a page store. Nothing here opens a window or needs a widget: the report that previews
// and prints the sheet is app/SheetReport.h.

#include <QImage>
#include <QSizeF>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "metafile/Metafile.h"
#include "pagestore/PageTarget.h"
#include "sheet/ScreenTextMeasurer.h"
#include "sheet/SheetDefinition.h"

class QPainter;

namespace qlx {

class PreviewDocument;

// The label sheet: the fixed page definition with the heading and fifteen label slots, and
// what the slots of each page and the date line hold, all kept for the run. Labels beyond the
// fifteenth go on further pages of the same layout, each page with the same heading. One
// drawing function serves the page picture and the printer.
class LabelSheet {
public:
    LabelSheet();
    virtual ~LabelSheet();
    LabelSheet(const LabelSheet&) = delete;
    LabelSheet& operator=(const LabelSheet&) = delete;

    // Slot n (1 to 15) of page 1 takes its own copy of the picture; a null image empties it.
    // Other numbers are ignored.
    void setSlotPicture(int slot, const QImage& picture);
    QImage slotPicture(int slot) const;

    // Labels counted across pages: position 1 to 15 is page 1, 16 to 30 page 2, and so on.
    // Placing a label beyond the last page adds pages up to it.
    void setLabelPicture(int position, const QImage& picture);
    QImage labelPicture(int position) const;

    // A label the sheet draws whenever its page is recorded or printed, instead of keeping
    // its pixels: the labels of a long list then share their background and hold only what
    // makes each its own, and a page holds one label's pixels at a time. Neighbouring
    // positions given the same drawing are drawn once and share the picture. A drawing that
    // throws is not left out: the page's recording or printing ends with qlx::Error "Label N
    // (page P, slot S) cannot be drawn: <why>", and the preview's run ends with that message.
    using LabelDrawing = std::function<QImage()>;
    void setLabelDrawing(int position, std::shared_ptr<const LabelDrawing> drawing);
    // The pixel bytes the sheet keeps for its labels (drawings keep none).
    qint64 keptPictureBytes() const;
    // Empties every slot and drops all pages but the first.
    void clearLabels();
    // The pages the report produces: at least one.
    int pageCount() const { return int(m_pages.size()); }

    // The caption of the date line; the element is measured again at once.
    void setDateLineCaption(const QString& caption);
    QString dateLineCaption() const;

    // A run whose pages would take more than this many bytes plain, judged by page 1 (each
    // label the size of page 1's, every page as full as a whole page), keeps its pages
    // compressed in the store: a 50,000-label list (3,334 pages of about 11.6 MB with the
    // stock backgrounds) then fits the store's 2 GiB - 1, while the short runs of everyday use
    // (20 stock pages take about 232 MB) stay plain, paged and saved without zlib's time.
    static constexpr qint64 kPlainRunBytes = 256LL * 1024 * 1024;
    // Another threshold for the runs that follow; 0 keeps every run compressed.
    void setPlainRunBytes(qint64 bytes) { m_plainRunBytes = bytes; }

    // Draws the target's page for a target: the page picture's screen or a printer, the page
    // laid out on the target's paper (portrait or landscape). A page beyond the last draws
    // empty slots.
    void drawPage(QPainter& painter, const PageTarget& target) const;
    // Page n's picture at 96 dots per inch, on the report's paper as it stands.
    Metafile recordPage(int page = 1) const;

    const SheetDefinition& definition() const { return sheet(); }

protected:
    // The paper the pages are recorded on, in tenths of a millimetre: A4 upright here; the
    // report turns it as its printer settings say.
    virtual QSizeF pagePaper() const;

    // One production run: each call records the next page into the store and returns whether
    // pages remain; the call that adds the last page finishes the store.
    using ProductionStep = std::function<bool()>;
    // Starts a run of the pages as they stand now into `document`, which must be a page
    // store.
    ProductionStep produce(PreviewDocument& document);

private:
    struct SlotLabel {
        QImage picture;
        std::shared_ptr<const LabelDrawing> drawing;
        bool isEmpty() const { return picture.isNull() && !drawing; }
    };
    using PageSlots = std::array<SlotLabel, SheetDefinition::kSlotCount>;

    SlotLabel* slotAt(int position);
    const SlotLabel* slotAt(int position) const;
    QImage pictureOf(const SlotLabel& label) const;
    void drawPageOf(QPainter& painter, const PageTarget& target, const SheetDefinition& sheet,
                    const std::vector<PageSlots>& pages) const;
    Metafile recordPageOf(int page, const SheetDefinition& sheet,
                          const std::vector<PageSlots>& pages) const;

    ScreenTextMeasurer m_measurer;
    SheetDefinition& sheet() const;

    mutable std::unique_ptr<SheetDefinition> m_sheet; // made at its first use
    std::vector<PageSlots> m_pages{1};
    qint64 m_plainRunBytes = kPlainRunBytes;
    // The label drawn last, kept so that a neighbour with the same drawing shares it.
    mutable std::shared_ptr<const LabelDrawing> m_lastDrawing;
    mutable QImage m_lastDrawn;
};

} // namespace qlx
