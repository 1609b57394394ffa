#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QTransform>
#include <optional>
#include <string>
#include <vector>

namespace qlx {

struct GdiPen {
    bool null = false;
    bool cosmetic = true;
    double width = 0; // logical units
    Qt::PenStyle style = Qt::SolidLine;
    Qt::PenCapStyle cap = Qt::RoundCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
    QVector<qreal> dashes; // user style, logical units
    QColor colour = Qt::black;
};

struct GdiBrush {
    bool null = false;
    Qt::BrushStyle style = Qt::SolidPattern;
    QColor colour = Qt::white;
    QImage pattern;
};

struct GdiFont {
    int32_t height = -16;
    int32_t escapement = 0;
    int32_t weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    uint8_t charSet = 1;
    QString face = QStringLiteral("Arial");
};

// The drawing state of a metafile player (a GDI device context) and its drawing operations
// on a QPainter. Coordinates come in logical units and go through the world transform and
// the window/viewport mapping to the picture's device space, and from there through the base
// transform onto the painter. With no painter, every operation only updates the state, which
// is how a metafile is checked without drawing it.
class MetafileCanvas {
public:
    enum MapMode {
        MM_TEXT = 1,
        MM_LOMETRIC,
        MM_HIMETRIC,
        MM_LOENGLISH,
        MM_HIENGLISH,
        MM_TWIPS,
        MM_ISOTROPIC,
        MM_ANISOTROPIC
    };
    static constexpr int kMaxSavedStates = 1024;

    struct State {
        GdiPen pen;
        GdiBrush brush;
        GdiFont font;
        QColor textColour = Qt::black, bkColour = Qt::white;
        int bkMode = 2; // OPAQUE
        int polyFillMode = 1;
        int textAlign = 0;
        int stretchMode = 1;
        int rop2 = 13;
        int mapMode = MM_TEXT;
        bool arcClockwise = false;
        QPointF winOrg, winExt{1, 1}, vpOrg, vpExt{1, 1};
        QTransform world;
        QPointF position;
        std::optional<QRegion> clip; // the painter's device pixels; none: not clipped
        QPointF pxPerMm{96 / 25.4, 96 / 25.4};
    };

    // painter may be null (checking only). base maps the device space onto the painter.
    MetafileCanvas(QPainter* painter, const QTransform& base);
    ~MetafileCanvas();
    MetafileCanvas(const MetafileCanvas&) = delete;
    MetafileCanvas& operator=(const MetafileCanvas&) = delete;

    State& state() { return m_state; }
    // The picture's rectangle in its device space. Clip regions are cut to where it lands on
    // the painter's device, with a margin: they never grow beyond the size drawn at.
    void setDeviceBounds(const QRectF& bounds);
    bool drawing() const { return m_painter != nullptr; }

    // Counts points (or characters) a record brings; throws qlx::Error once the picture
    // holds more than metafile_limits::kMaxPointsPerPicture.
    void countPoints(uint64_t n);
    // The painted-pixel units this playback has spent (metafile_limits::kMaxPaintUnits).
    uint64_t workSpent() const { return m_work; }
    void setWorkBudget(uint64_t units) { m_workBudget = units; }
    // A part of the picture that could not be drawn (a bitmap that cannot be decoded): the
    // playback goes on, and the first such problem is kept for the caller.
    void noteProblem(const std::string& what) {
        if (m_problem.empty())
            m_problem = what;
    }
    const std::string& problem() const { return m_problem; }
    QTransform logicalToDevice() const;

    void saveDc();
    void restoreDc(int which);

    // Shapes; boxes are GDI boxes (right and bottom exclusive).
    void moveTo(QPointF p) { m_state.position = p; }
    void lineTo(QPointF p);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void polygon(const QPolygonF& points);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polyBezier(const QPolygonF& points, bool fromCurrent);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void setPixel(QPointF p, QColor c);
    void fillRegion(const QRegion& logical, const GdiBrush& brush);
    void patBlt(const QRectF& rect, uint32_t rop);

    // Text: reference point, UTF-16 text, optional advances (logical units), ETO options
    // and rectangle.
    void text(QPointF reference, const QString& text, const std::vector<double>& dx,
              uint32_t options, const QRectF& rect);

    // A bitmap stretched from src (bitmap pixels) to dest (logical units).
    void image(const QRectF& dest, const QImage& image, const QRectF& src, uint32_t rop);

    // Paths.
    void beginPath();
    void endPath() { m_pathOpen = false; }
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);

    // Clipping; regions in the picture's device space, rectangles in logical units.
    void selectClipRegion(const std::optional<QRegion>& deviceRegion, int mode);
    void intersectClipRect(const QRectF& box);
    void excludeClipRect(const QRectF& box);
    void offsetClip(QPointF logicalOffset);

private:
    QTransform pageTransform() const;
    bool collecting() const { return m_pathOpen; }
    void prepare(bool usePen, bool useBrush);
    void applyClip();
    QPen qtPen() const;
    QBrush qtBrush(const GdiBrush& b) const;
    void drawShape(const QPainterPath& path, bool fill, bool stroke);
    // Charges the work of drawing `box` (in the painter's current coordinates, after
    // prepare) before it is drawn; throws qlx::Error once the budget is spent.
    void spend(const QRectF& box, bool stroke, bool fill);
    void spendUnits(double units);
    QRegion toTargetRegion(const QRectF& box) const;
    QTransform logicalToTarget() const { return logicalToDevice() * m_base; }
    void combineClip(const QRegion& region, int mode);

    QPainter* m_painter;
    QTransform m_base;
    State m_state;
    std::vector<State> m_saved;
    QPainterPath m_path; // logical units
    bool m_pathOpen = false;
    bool m_clipDirty = true;
    bool m_hadClip = false;
    QPainterPath m_initialClip;
    QTransform m_initialTransform;
    QRectF m_clipLimit{0, 0, 4096, 4096}; // the painter's device pixels
    uint64_t m_points = 0;
    uint64_t m_work = 0;
    uint64_t m_workBudget;
    // What a device pixel costs: 1 on raster devices; on a printer or a PDF, which draw
    // shapes rather than pixels, a pixel at 96 dpi's share.
    double m_pixelCost = 1;
    std::string m_problem;
};

} // namespace qlx
