#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <utility>
#include <vector>

namespace qlx::test {

// A step of a picture of 100 x 100 logical units drawn at one pixel a unit on white, the same
// for a Windows metafile and an enhanced one: SaveDC, RestoreDC, the clip rectangles, and a
// rectangle filled without an outline.
struct ClipStep {
    enum Kind { SaveDc, RestoreDc, IntersectClip, ExcludeClip, Fill };
    Kind kind;
    QRect rect = {}; // the clip or the filled rectangle
    QColor colour = {};
    int level = -1; // RestoreDc: negative counts back from the current level, positive from 1
};

// Pictures that clip between SaveDC and RestoreDC, then draw after RestoreDC: what is drawn
// after it is clipped as before the SaveDC, no more and no less. A clip that is not one
// rectangle (everything but an excluded one) must hold when it comes back and when it
// changes. `pixels` are sampled away from the edges of every rectangle.
struct ClipScene {
    const char* name;
    std::vector<ClipStep> steps;
    std::vector<std::pair<QPoint, QColor>> pixels;
};

inline std::vector<ClipScene> saveDcClipScenes() {
    using S = ClipStep;
    const QRect all(0, 0, 100, 100), leftHalf(0, 0, 50, 100), rightHalf(50, 0, 50, 100),
        topHalf(0, 0, 100, 50), topLeft(0, 0, 50, 50), bottomRight(50, 50, 50, 50),
        bottomHalf(0, 50, 100, 50);
    const QColor red(Qt::red), blue(Qt::blue), white(Qt::white);
    const QPoint tl(25, 25), tr(75, 25), bl(25, 75), br(75, 75);
    return {
        {"intersection taken back by RestoreDC(-1)",
         {{S::SaveDc},
          {S::IntersectClip, topLeft},
          {S::Fill, all, red},
          {S::RestoreDc},
          {S::Fill, bottomRight, blue}},
         {{tl, red}, {tr, white}, {bl, white}, {br, blue}}},
        {"exclusion taken back by RestoreDC(-1)",
         {{S::SaveDc},
          {S::ExcludeClip, rightHalf},
          {S::Fill, all, red},
          {S::RestoreDc},
          {S::Fill, bottomRight, blue}},
         {{tl, red}, {tr, white}, {bl, red}, {br, blue}}},
        {"two levels taken back by RestoreDC(1)",
         {{S::SaveDc},
          {S::IntersectClip, leftHalf},
          {S::SaveDc},
          {S::IntersectClip, topHalf},
          {S::Fill, all, red},
          {S::RestoreDc, {}, {}, 1},
          {S::Fill, bottomRight, blue}},
         {{tl, red}, {tr, white}, {bl, white}, {br, blue}}},
        {"two levels taken back by RestoreDC(-2)",
         {{S::SaveDc},
          {S::IntersectClip, leftHalf},
          {S::SaveDc},
          {S::IntersectClip, topHalf},
          {S::Fill, all, red},
          {S::RestoreDc, {}, {}, -2},
          {S::Fill, bottomRight, blue}},
         {{tl, red}, {tr, white}, {bl, white}, {br, blue}}},
        {"clip set before SaveDC comes back",
         {{S::IntersectClip, topHalf},
          {S::SaveDc},
          {S::IntersectClip, leftHalf},
          {S::Fill, all, red},
          {S::RestoreDc},
          {S::Fill, rightHalf, blue}},
         {{tl, red}, {tr, blue}, {bl, white}, {br, white}}},
        {"exclusion set before SaveDC comes back",
         {{S::ExcludeClip, rightHalf},
          {S::Fill, all, red},
          {S::SaveDc},
          {S::IntersectClip, topHalf},
          {S::Fill, all, blue},
          {S::RestoreDc},
          {S::Fill, bottomRight, blue}},
         {{tl, blue}, {tr, white}, {bl, red}, {br, white}}},
        {"second exclusion after drawing",
         {{S::ExcludeClip, rightHalf},
          {S::Fill, all, red},
          {S::ExcludeClip, bottomHalf},
          {S::Fill, all, blue}},
         {{tl, blue}, {tr, white}, {bl, red}, {br, white}}},
    };
}

// The scene's pixels as "x,y #rrggbb" each, with the colours expected or, given an image, the
// colours it has there: compared as lists, a failure names the place.
inline QStringList pixelColours(const ClipScene& scene, const QImage* img = nullptr) {
    QStringList colours;
    for (const auto& [at, colour] : scene.pixels)
        colours << QString("%1,%2 %3")
                       .arg(at.x())
                       .arg(at.y())
                       .arg((img ? img->pixelColor(at) : colour).name());
    return colours;
}

} // namespace qlx::test
