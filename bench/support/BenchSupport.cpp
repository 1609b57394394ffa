#include "support/BenchSupport.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

#include "app/SheetReport.h"
#include "metafile/MetafilePicture.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetLayout.h"

namespace qlx::bench {

int runWithApplication(int argc, char** argv, void (*cleanup)()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerMetafilePictures();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (cleanup)
        cleanup();
    return 0;
}

QString sourceData(const QString& name) {
    return QStringLiteral(QLX_SOURCE_DIR "/data/") + name;
}

std::vector<QRect> slotRects(const SheetReport& report) {
    std::vector<QRect> rects;
    const auto placed = SheetLayout::layout(report.definition(), DeviceMapping::screen());
    for (int slot = 1; slot <= SheetDefinition::kSlotCount; ++slot) {
        const std::string name = "SheetSlot" + std::to_string(slot);
        for (const PlacedElement& e : placed)
            if (e.name == name)
                rects.emplace_back(e.device.left, e.device.top, e.device.width(),
                                   e.device.height());
    }
    return rects;
}

std::vector<QImage> labelImages() {
    const QImage background(sourceData("labelcomplete.bmp"));
    std::vector<QImage> images;
    for (int i = 1; i <= SheetDefinition::kSlotCount; ++i) {
        QImage label = background.convertToFormat(QImage::Format_RGB32);
        QPainter p(&label);
        p.setFont(QFont("Liberation Sans", 14));
        p.drawText(label.rect(), Qt::AlignCenter, QStringLiteral("Mineral %1").arg(i));
        images.push_back(label);
    }
    return images;
}

void drawImagesBare(QImage& page, const std::vector<QImage>& images,
                    const std::vector<QRect>& places) {
    page.fill(Qt::white);
    QPainter p(&page);
    for (std::size_t i = 0; i < images.size() && i < places.size(); ++i) {
        const QImage copy = images[i].copy();
        p.drawImage(places[i], copy);
    }
}

namespace {

long statusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::stol(line.substr(key.size()));
    return 0;
}

} // namespace

long peakResidentKiB() {
    return statusField("VmHWM");
}

long residentKiB() {
    return statusField("VmRSS");
}

bool resetPeakResident() {
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    return bool(refs.flush());
}

} // namespace qlx::bench
