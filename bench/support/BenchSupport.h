#pragma once

// What the window, sheet and preview benchmarks share: a main that runs Google Benchmark
// inside a QApplication, the slot rectangles of the sheet, label images of the stock
// background's size, and the process's memory figures.

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

namespace qlx {
class SheetReport;
}

namespace qlx::bench {

// Runs the registered benchmarks inside a QApplication (offscreen unless a platform is
// chosen); `cleanup` runs before the application ends, to let go of widgets.
int runWithApplication(int argc, char** argv, void (*cleanup)() = nullptr);

// The path of one of the program's data files in the source tree.
QString sourceData(const QString& name);

// The device rectangles of the fifteen label places of a sheet at 96 dpi.
std::vector<QRect> slotRects(const SheetReport& report);

// Fifteen label images: the stock "Complete" background, each with a text of its own.
std::vector<QImage> labelImages();

// The bare reference: each image copied and drawn into its slot on a white page.
void drawImagesBare(QImage& page, const std::vector<QImage>& images,
                    const std::vector<QRect>& places);

// VmHWM and VmRSS of this process in KiB (0 when unknown).
long peakResidentKiB();
long residentKiB();
// Resets VmHWM to the current resident size, so the next peak belongs to what follows.
bool resetPeakResident();

} // namespace qlx::bench
