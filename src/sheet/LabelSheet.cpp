#include "sheet/LabelSheet.h"

#include <QDateTime>
#include <QPainter>
#include <QPointer>

#include "metafile/EmfRecorder.h"
#include "pagestore/PageStoreDocument.h"
#include "pagestore/ReportFileFormat.h"
#include "pagestore/ReportFileReader.h"
#include "pictures/ClockDateTime.h"
#include "pictures/Text.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetPainter.h"
#include "stores/Error.h"

namespace qlx {

namespace {

bool validSlot(int slot) {
    return slot >= 1 && slot <= SheetDefinition::kSlotCount;
}

// What a run's pages would take plain, judged by page 1's picture of `firstPageBytes`: one
// page is what it is; more are each counted as full as a whole page of labels the size of
// page 1's (the labels of a run share one background, so one size), which never counts too
// little.
template <typename Pages> qint64 plainRunEstimate(qint64 firstPageBytes, const Pages& pages) {
    const qint64 count = qint64(pages.size());
    qint64 perPage = firstPageBytes;
    if (count > 1) {
        qint64 labels = 0;
        for (const auto& label : pages.front())
            labels += label.isEmpty() ? 0 : 1;
        perPage = firstPageBytes * SheetDefinition::kSlotCount / qMax<qint64>(labels, 1);
    }
    return ReportFileFormat::kHeaderSize + count * (ReportFileFormat::kRecordOverhead + perPage);
}

} // namespace

LabelSheet::LabelSheet() = default;

LabelSheet::~LabelSheet() = default;

QSizeF LabelSheet::pagePaper() const {
    return QSizeF(2100, 2970);
}

// The definition measures its texts with the report's fonts, which loads them; the window's
// first frame does not need that, so it happens at the first use.
SheetDefinition& LabelSheet::sheet() const {
    if (!m_sheet)
        m_sheet = std::make_unique<SheetDefinition>(m_measurer);
    return *m_sheet;
}

void LabelSheet::setSlotPicture(int slot, const QImage& picture) {
    if (validSlot(slot))
        setLabelPicture(slot, picture);
}

QImage LabelSheet::slotPicture(int slot) const {
    return validSlot(slot) ? labelPicture(slot) : QImage();
}

LabelSheet::SlotLabel* LabelSheet::slotAt(int position) {
    if (position < 1)
        return nullptr;
    const std::size_t page = std::size_t(position - 1) / SheetDefinition::kSlotCount;
    if (page >= m_pages.size())
        m_pages.resize(page + 1);
    return &m_pages[page][std::size_t(position - 1) % SheetDefinition::kSlotCount];
}

const LabelSheet::SlotLabel* LabelSheet::slotAt(int position) const {
    if (position < 1)
        return nullptr;
    const std::size_t page = std::size_t(position - 1) / SheetDefinition::kSlotCount;
    if (page >= m_pages.size())
        return nullptr;
    return &m_pages[page][std::size_t(position - 1) % SheetDefinition::kSlotCount];
}

void LabelSheet::setLabelPicture(int position, const QImage& picture) {
    SlotLabel* slot = slotAt(position);
    if (!slot)
        return;
    slot->drawing.reset();
    // A label the same as the one before it (copies of one specimen's label follow each other
    // in a list) shares that label's pixels: a PDF then holds the image once, as its engine
    // keeps one image object per shared image.
    const QImage before = labelPicture(position - 1);
    if (!before.isNull() && before == picture) {
        slot->picture = before;
        return;
    }
    // A deep copy: an image made over someone else's buffer would otherwise follow it.
    slot->picture = picture.copy();
}

void LabelSheet::setLabelDrawing(int position, std::shared_ptr<const LabelDrawing> drawing) {
    if (SlotLabel* slot = slotAt(position)) {
        slot->picture = QImage();
        slot->drawing = std::move(drawing);
    }
}

QImage LabelSheet::pictureOf(const SlotLabel& label) const {
    if (!label.drawing || !*label.drawing)
        return label.picture;
    if (label.drawing != m_lastDrawing) {
        // Let go of the last label's pixels before drawing the next; a drawing that throws
        // leaves nothing cached.
        m_lastDrawing.reset();
        m_lastDrawn = QImage();
        m_lastDrawn = (*label.drawing)();
        m_lastDrawing = label.drawing;
    }
    return m_lastDrawn;
}

QImage LabelSheet::labelPicture(int position) const {
    const SlotLabel* slot = slotAt(position);
    return slot ? pictureOf(*slot) : QImage();
}

qint64 LabelSheet::keptPictureBytes() const {
    qint64 bytes = 0;
    for (const PageSlots& page : m_pages)
        for (const SlotLabel& label : page)
            bytes += label.picture.sizeInBytes();
    return bytes;
}

void LabelSheet::clearLabels() {
    m_pages.assign(1, PageSlots());
    m_lastDrawing.reset();
    m_lastDrawn = QImage();
}

void LabelSheet::setDateLineCaption(const QString& caption) {
    sheet().setDateLineCaption(fromQString(caption), m_measurer);
}

QString LabelSheet::dateLineCaption() const {
    return toQString(sheet().dateLine().caption);
}

void LabelSheet::drawPage(QPainter& painter, const PageTarget& target) const {
    drawPageOf(painter, target, sheet(), m_pages);
}

void LabelSheet::drawPageOf(QPainter& painter, const PageTarget& target,
                            const SheetDefinition& definition,
                            const std::vector<PageSlots>& pages) const {
    // The definition is turned to the target's paper on a copy: the page already shown in a
    // preview keeps its orientation while a landscape print is laid out.
    SheetDefinition sheet = definition;
    const QSizeF paper = target.paperTenthsMm;
    sheet.setOrientation(paper.width() > paper.height() ? SheetOrientation::Landscape
                                                        : SheetOrientation::Portrait);
    SheetContent content;
    content.sheet = &sheet;
    if (target.page >= 1 && target.page <= int(pages.size())) {
        const PageSlots& shown = pages[std::size_t(target.page - 1)];
        content.pictureOf = [this, &shown, page = target.page](int slot) {
            try {
                return pictureOf(shown[std::size_t(slot - 1)]);
            } catch (const std::exception& failure) {
                const int position = (page - 1) * SheetDefinition::kSlotCount + slot;
                throw Error("Label " + std::to_string(position) + " (page " + std::to_string(page) +
                            ", slot " + std::to_string(slot) +
                            ") cannot be drawn: " + failure.what());
            }
        };
    }
    const DeviceMapping mapping(qRound(target.dpiX), qRound(target.dpiY), target.offsetLeft,
                                target.offsetTop);
    drawSheet(painter, mapping, content);
}

Metafile LabelSheet::recordPage(int page) const {
    return recordPageOf(page, sheet(), m_pages);
}

Metafile LabelSheet::recordPageOf(int page, const SheetDefinition& sheet,
                                  const std::vector<PageSlots>& pages) const {
    const DeviceMapping screen = DeviceMapping::screen(96);
    PageTarget target;
    target.page = page;
    target.paperTenthsMm = pagePaper();
    const QSize pixels(screen.pageWidth(target.paperTenthsMm.width()),
                       screen.pageHeight(target.paperTenthsMm.height()));
    EmfRecorder recorder(pixels, 96.0);
    // The page's size is checked while it is recorded: the labels of a page stop going in
    // once it could not be stored.
    recorder.setByteLimit(size_t(ReportFileReader::kMaxPictureSize));
    {
        QPainter painter(&recorder);
        drawPageOf(painter, target, sheet, pages);
    }
    return recorder.finish();
}

LabelSheet::ProductionStep LabelSheet::produce(PreviewDocument& document) {
    auto* store = qobject_cast<PageStoreDocument*>(&document);
    if (!store)
        throw Error("The sheet report produces its page into a page store only");
    // The run records the pages as they stand now, one page per step, so that the window
    // can show page 1 while the rest follow; labels are kept by their drawings, so this copy
    // costs no pixels.
    auto definition = std::make_shared<const SheetDefinition>(sheet());
    auto pages = std::make_shared<const std::vector<PageSlots>>(m_pages);
    auto next = std::make_shared<int>(1);
    QPointer<PageStoreDocument> target = store;
    const qint64 plainRunBytes = m_plainRunBytes;
    return [this, definition, pages, next, target, plainRunBytes]() -> bool {
        if (!target)
            return false;
        const int count = int(pages->size()); // one page per fifteen labels, at least one
        const Metafile picture = recordPageOf(*next, *definition, *pages);
        // A long run keeps its pages compressed, decided before page 1 goes in.
        if (*next == 1 && plainRunEstimate(picture.bytes().size(), *pages) > plainRunBytes)
            target->keepPagesCompressed();
        target->addPage(picture);
        if (count > 1) // a one-page sheet has nothing to count
            target->setProgress(*next * 100 / count);
        if (++*next <= count)
            return true;
        target->finish(clockDateTime());
        return false;
    };
}

} // namespace qlx
