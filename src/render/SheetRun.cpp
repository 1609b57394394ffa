#include "render/SheetRun.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include "platform/Text.h"
#include "render/LabelComposer.h"
#include "sheet/SheetDefinition.h"
#include "sheet/SheetReport.h"
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

int screenPixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

LabelAppearance LabelAppearance::startUp() {
    LabelAppearance look;
    look.mineralFont = LabelFont::regular(QStringLiteral("Arial"), 37);
    // The start-up load gives the locality row the mineral row's font.
    look.localityFont = look.mineralFont;
    look.infoFont = LabelFont::regular(QStringLiteral("Arial"), 27);
    look.pixelsPerInch = screenPixelsPerInch();
    return look;
}

ComposedLabel composeRecordLabel(const LabelRecord& record, const LabelAppearance& appearance) {
    LabelLayoutInput input;
    input.mineral = record.mineral;
    input.locality = record.locality;
    input.info = record.info;
    input.mineralFont = rowFont(appearance.mineralFont);
    input.localityFont = rowFont(appearance.localityFont);
    input.infoFont = rowFont(appearance.infoFont);
    input.corrections = appearance.corrections;
    input.pixelsPerInch = appearance.pixelsPerInch;
    input.fitLongRows = appearance.fitLongRows;

    ComposedLabel label;
    label.fields = record;
    label.picture = appearance.background;
    label.info = composeLabel(label.picture, appearance.blankSize, input);
    return label;
}

std::optional<ComposedLabel> fillSheet(SheetReport& sheet, const std::vector<LabelRecord>& records,
                                       const LabelAppearance& appearance, int firstSlot,
                                       const SheetRunObserver& observer) {
    if (!isStartSlot(firstSlot))
        throw Error("The first label's slot must be " + std::to_string(kFirstStartSlot) + " to " +
                    std::to_string(kLastStartSlot) + ", not " + std::to_string(firstSlot));
    // An icon or metafile background becomes a bitmap once for the whole run.
    LabelAppearance look = appearance;
    look.background = appearance.background.toDrawableBitmap(kMaxLabelPixels);
    const QSize size = look.background.size();
    if (qint64(size.width()) * size.height() > kMaxLabelPixels)
        throw Error("The label background is too large: " + std::to_string(size.width()) + " x " +
                    std::to_string(size.height()) +
                    " pixels (a label background may have at most 2048 x 2048 pixels)");
    std::optional<ComposedLabel> last;
    sheet.clearLabels();
    int position = firstSlot;
    for (const LabelRecord& record : records) {
        if (observer.beforeLabel)
            observer.beforeLabel(record);
        last = composeRecordLabel(record, look);
        if (observer.afterLabel)
            observer.afterLabel(*last);
        sheet.setLabelPicture(position, last->picture.bitmap());
        ++position;
    }
    return last;
}

QString sheetDateLine(const QDateTime& when, const QLocale& locale) {
    return QStringLiteral("Time ") + locale.toString(when.time(), longTimeFormat(locale)) +
           QStringLiteral(", Date ") + locale.toString(when.date(), QLocale::ShortFormat);
}

QString stockBackgroundPath(const char* fileName) {
    const QString here = QString::fromLatin1(fileName);
    const QString besideProgram = QString::fromStdString(dataFilePath(fileName));
    if (!QFileInfo::exists(here) && QFileInfo::exists(besideProgram))
        return besideProgram;
    return here;
}

} // namespace qlx
