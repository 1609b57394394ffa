#include "render/SheetRun.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

#include "pictures/Text.h"
#include "render/LabelComposer.h"
#include "sheet/LabelSheet.h"
#include "sheet/SheetDefinition.h"
#include "stores/DataFolder.h"
#include "stores/Error.h"

namespace qlx {

namespace {

// The locale's long time format without the time zone that Qt's long format adds: hours,
// minutes and seconds with the regional separator and any AM/PM suffix.
QString longTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return format.trimmed();
}

bool sameRecord(const LabelRecord& a, const LabelRecord& b) {
    return a.mineral == b.mineral && a.locality == b.locality && a.info == b.info;
}

int screenPixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

LabelAppearance LabelAppearance::startUp() {
    LabelAppearance look;
    look.mineralFont = LabelFont::regular("Arial", 37);
    // The start-up load gives the locality row the mineral row's font.
    look.localityFont = look.mineralFont;
    look.infoFont = LabelFont::regular("Arial", 27);
    look.pixelsPerInch = screenPixelsPerInch();
    return look;
}

ComposedLabel composeRecordLabel(const LabelRecord& record, const LabelAppearance& appearance) {
    LabelLayoutInput input;
    input.mineral = record.mineral;
    input.locality = record.locality;
    input.info = record.info;
    input.mineralFont = appearance.mineralFont;
    input.localityFont = appearance.localityFont;
    input.infoFont = appearance.infoFont;
    input.corrections = appearance.corrections;
    input.pixelsPerInch = appearance.pixelsPerInch;
    input.fitLongRows = appearance.fitLongRows;

    ComposedLabel label;
    label.fields = record;
    label.picture = appearance.background;
    label.info = composeLabel(label.picture, appearance.blankSize, input);
    return label;
}

std::optional<ComposedLabel> fillSheet(LabelSheet& sheet, const std::vector<LabelRecord>& records,
                                       const LabelAppearance& appearance, int firstSlot,
                                       const SheetRunObserver& observer) {
    if (!isStartSlot(firstSlot))
        throw Error("The first label's slot must be " + std::to_string(kFirstStartSlot) + " to " +
                    std::to_string(kLastStartSlot) + ", not " + std::to_string(firstSlot));
    // An icon or metafile background becomes a bitmap once for the whole run.
    LabelAppearance drawable = appearance;
    drawable.background = appearance.background.toDrawableBitmap(kMaxLabelPixels);
    const QSize size = drawable.background.size();
    if (qint64(size.width()) * size.height() > kMaxLabelPixels)
        throw Error("The label background is too large: " + std::to_string(size.width()) + " x " +
                    std::to_string(size.height()) +
                    " pixels (a label background may have at most 2048 x 2048 pixels)");
    auto look = std::make_shared<const LabelAppearance>(std::move(drawable));

    // Composed up front: page 1's labels and the last record's, in list order.
    const std::size_t total = records.size();
    const std::size_t onFirstPage =
        std::min(total, std::size_t(SheetDefinition::kSlotCount - firstSlot + 1));
    const auto compose = [&](const LabelRecord& record) {
        if (observer.beforeLabel)
            observer.beforeLabel(record);
        ComposedLabel label = composeRecordLabel(record, *look);
        if (observer.afterLabel)
            observer.afterLabel(label);
        return label;
    };
    std::optional<ComposedLabel> last;
    for (std::size_t i = 0; i < onFirstPage; ++i)
        last = compose(records[i]);
    if (total > onFirstPage)
        last = compose(records.back());

    // Every label is kept as its drawing over the shared appearance; the same record twice in
    // a row shares one drawing, so the sheet draws it once for both.
    std::vector<std::shared_ptr<const LabelSheet::LabelDrawing>> drawings;
    drawings.reserve(total);
    for (std::size_t i = 0; i < total; ++i) {
        const LabelRecord& record = records[i];
        if (i > 0 && sameRecord(record, records[i - 1]))
            drawings.push_back(drawings.back());
        else
            drawings.push_back(std::make_shared<const LabelSheet::LabelDrawing>(
                [record, look] { return composeRecordLabel(record, *look).picture.bitmap(); }));
        if (observer.keepGoing && !observer.keepGoing(int(i + 1), int(total)))
            throw SheetRunCancelled();
    }
    sheet.clearLabels();
    int position = firstSlot;
    for (auto& drawing : drawings)
        sheet.setLabelDrawing(position++, std::move(drawing));
    return last;
}

QString sheetDateLine(const QDateTime& when, const QLocale& locale) {
    return QStringLiteral("Time ") + locale.toString(when.time(), longTimeFormat(locale)) +
           QStringLiteral(", Date ") + locale.toString(when.date(), QLocale::ShortFormat);
}

QString stockBackgroundPath(BackgroundChoice stock) {
    switch (stock) {
    case BackgroundChoice::Complete:
        return stockBackgroundPath("labelcomplete.bmp");
    case BackgroundChoice::Reduced:
        return stockBackgroundPath("labelreduced.bmp");
    case BackgroundChoice::Clean:
        return stockBackgroundPath("labelclean.bmp");
    case BackgroundChoice::Custom:
        break;
    }
    return {};
}

QString stockBackgroundPath(const char* fileName) {
    const QString here = QString::fromLatin1(fileName);
    const QString besideProgram = QString::fromStdString(dataFilePath(fileName));
    if (!QFileInfo::exists(here) && QFileInfo::exists(besideProgram))
        return besideProgram;
    return here;
}

} // namespace qlx
