#include "sheet/SheetReport.h"

#include <QPainter>
#include <QWidget>

#include "metafile/EmfRecorder.h"
#include "pagestore/PageStoreDocument.h"
#include "platform/Text.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetPainter.h"
#include "stores/Error.h"

namespace qlx {

namespace {

bool validSlot(int slot) {
    return slot >= 1 && slot <= SheetDefinition::kSlotCount;
}

} // namespace

SheetReport::SheetReport(QWidget* owner)
    : QObject(owner)
    , m_sheet(std::make_unique<SheetDefinition>(m_measurer)) {
    m_previewer = std::make_unique<ReportPreview>(
        [this]() -> std::unique_ptr<PreviewDocument> {
            return std::make_unique<PageStoreDocument>(m_previewer->pagePaper(), this);
        },
        [this](PreviewDocument& document) { produce(document); },
        [this](QPainter& painter, const PageTarget& target) { drawPage(painter, target); },
        [this] { return pageCount(); });
    m_previewer->settings().jobTitle = QStringLiteral("Mineral labels");
}

SheetReport::~SheetReport() = default;

void SheetReport::setSlotPicture(int slot, const QImage& picture) {
    if (validSlot(slot))
        setLabelPicture(slot, picture);
}

QImage SheetReport::slotPicture(int slot) const {
    return validSlot(slot) ? labelPicture(slot) : QImage();
}

void SheetReport::setLabelPicture(int position, const QImage& picture) {
    if (position < 1)
        return;
    const std::size_t page = std::size_t(position - 1) / SheetDefinition::kSlotCount;
    if (page >= m_pages.size())
        m_pages.resize(page + 1);
    QImage& slot = m_pages[page][std::size_t(position - 1) % SheetDefinition::kSlotCount];
    // A label the same as the one before it (copies of one specimen's label follow each other
    // in a list) shares that label's pixels: a PDF then holds the image once, as its engine
    // keeps one image object per shared image.
    const QImage before = labelPicture(position - 1);
    if (!before.isNull() && before == picture) {
        slot = before;
        return;
    }
    // A deep copy: an image made over someone else's buffer would otherwise follow it.
    slot = picture.copy();
}

QImage SheetReport::labelPicture(int position) const {
    if (position < 1)
        return {};
    const std::size_t page = std::size_t(position - 1) / SheetDefinition::kSlotCount;
    if (page >= m_pages.size())
        return {};
    return m_pages[page][std::size_t(position - 1) % SheetDefinition::kSlotCount];
}

void SheetReport::clearLabels() {
    m_pages.assign(1, PageSlots());
}

void SheetReport::setDateLineCaption(const QString& caption) {
    m_sheet->setDateLineCaption(fromQString(caption), m_measurer);
}

QString SheetReport::dateLineCaption() const {
    return toQString(m_sheet->dateLine().caption);
}

void SheetReport::preview() {
    m_previewer->preview();
}

void SheetReport::print(QWidget* parent) {
    m_previewer->print(parent);
}

void SheetReport::drawPage(QPainter& painter, const PageTarget& target) const {
    // The definition is turned to the target's paper on a copy: the page already shown in a
    // preview keeps its orientation while a landscape print is laid out.
    SheetDefinition sheet = *m_sheet;
    const QSizeF paper = target.paperTenthsMm;
    sheet.setOrientation(paper.width() > paper.height() ? SheetOrientation::Landscape
                                                        : SheetOrientation::Portrait);
    SheetContent content;
    content.sheet = &sheet;
    if (target.page >= 1 && target.page <= pageCount())
        content.pictures = m_pages[std::size_t(target.page - 1)];
    const DeviceMapping mapping(qRound(target.dpiX), qRound(target.dpiY), target.offsetLeft,
                                target.offsetTop);
    drawSheet(painter, mapping, content);
}

Metafile SheetReport::recordPage(int page) const {
    const DeviceMapping screen = DeviceMapping::screen(96);
    PageTarget target;
    target.page = page;
    target.paperTenthsMm = m_previewer->pagePaper();
    const QSize pixels(screen.pageWidth(target.paperTenthsMm.width()),
                       screen.pageHeight(target.paperTenthsMm.height()));
    EmfRecorder recorder(pixels, 96.0);
    {
        QPainter painter(&recorder);
        drawPage(painter, target);
    }
    return recorder.finish();
}

void SheetReport::produce(PreviewDocument& document) {
    auto* store = qobject_cast<PageStoreDocument*>(&document);
    if (!store)
        throw Error("The sheet report produces its page into a page store only");
    // One page per fifteen labels, at least one.
    for (int page = 1; page <= pageCount(); ++page)
        store->addPage(recordPage(page));
    store->finish(QDateTime::currentDateTime());
}

} // namespace qlx
