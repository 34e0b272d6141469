#include "document/pageband.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

namespace kalamora::document {

namespace {

// A paint engine that passes the layout's drawing on to another painter,
// leaving out what belongs to other pages. Its own device coordinates are
// document units; the target painter's transform at the start maps them to
// the target's device.
class BandEngine : public QPaintEngine {
public:
    BandEngine(QPainter &target, const QRectF &band)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_target(target)
        , m_band(band)
        , m_base(target.worldTransform())
        , m_baseClip(target.hasClipping() ? target.clipPath() : QPainterPath())
        , m_baseClipOn(target.hasClipping())
    {
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &s) override
    {
        const DirtyFlags f = s.state();
        if (f & DirtyTransform) {
            m_transform = s.transform();
            m_target.setWorldTransform(m_transform * m_base);
        }
        if (f & DirtyPen)
            m_target.setPen(s.pen());
        if (f & DirtyBrush)
            m_target.setBrush(s.brush());
        if (f & DirtyBrushOrigin)
            m_target.setBrushOrigin(s.brushOrigin());
        if (f & DirtyFont)
            m_target.setFont(s.font());
        if (f & DirtyBackground)
            m_target.setBackground(s.backgroundBrush());
        if (f & DirtyBackgroundMode)
            m_target.setBackgroundMode(s.backgroundMode());
        if (f & DirtyHints) {
            m_target.setRenderHints(~s.renderHints(), false);
            m_target.setRenderHints(s.renderHints(), true);
        }
        if (f & DirtyCompositionMode)
            m_target.setCompositionMode(s.compositionMode());
        if (f & DirtyOpacity)
            m_target.setOpacity(s.opacity());
        // Clips of the layout come on top of the sheet's clip, never instead.
        if ((f & DirtyClipEnabled) && !s.isClipEnabled())
            restoreBaseClip();
        if (f & DirtyClipRegion) {
            if (s.clipOperation() != Qt::IntersectClip)
                restoreBaseClip();
            if (s.clipOperation() != Qt::NoClip)
                m_target.setClipRegion(s.clipRegion(), Qt::IntersectClip);
        }
        if (f & DirtyClipPath) {
            if (s.clipOperation() != Qt::IntersectClip)
                restoreBaseClip();
            if (s.clipOperation() != Qt::NoClip)
                m_target.setClipPath(s.clipPath(), Qt::IntersectClip);
        }
    }

    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        m_decorationLines = 0;
        const double baseline = m_transform.map(p).y();
        if (baseline <= m_band.top() + tolerance || baseline > m_band.bottom() + tolerance)
            return;
        m_target.drawTextItem(p, ti);
        // The target draws the item's lines itself; the ones this engine's
        // painter draws next for the same item are left out.
        const QTextItem::RenderFlags flags = ti.renderFlags();
        m_decorationLines = int(flags.testFlag(QTextItem::Underline)) + int(flags.testFlag(QTextItem::StrikeOut))
            + int(flags.testFlag(QTextItem::Overline));
    }

    void drawLines(const QLineF *lines, int count) override
    {
        if (m_decorationLines > 0 && count == 1) {
            --m_decorationLines;
            return;
        }
        m_decorationLines = 0;
        QRectF r;
        for (int i = 0; i < count; ++i)
            r = r.united(QRectF(lines[i].p1(), lines[i].p2()).normalized());
        if (reaches(r, true))
            m_target.drawLines(lines, count);
    }

    void drawRects(const QRectF *rects, int count) override
    {
        m_decorationLines = 0;
        QRectF r;
        for (int i = 0; i < count; ++i)
            r = r.united(rects[i]);
        if (reaches(r, true))
            m_target.drawRects(rects, count);
    }

    void drawEllipse(const QRectF &r) override
    {
        m_decorationLines = 0;
        if (reaches(r, true))
            m_target.drawEllipse(r);
    }

    void drawPath(const QPainterPath &path) override
    {
        m_decorationLines = 0;
        if (reaches(path.controlPointRect(), true))
            m_target.drawPath(path);
    }

    void drawPoints(const QPointF *points, int count) override
    {
        m_decorationLines = 0;
        m_target.drawPoints(points, count);
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        m_decorationLines = 0;
        QRectF r;
        for (int i = 0; i < count; ++i)
            r = r.united(QRectF(points[i], QSizeF(0, 0)));
        if (!reaches(r, true))
            return;
        switch (mode) {
        case PolylineMode: m_target.drawPolyline(points, count); break;
        case ConvexMode: m_target.drawConvexPolygon(points, count); break;
        case OddEvenMode: m_target.drawPolygon(points, count, Qt::OddEvenFill); break;
        case WindingMode: m_target.drawPolygon(points, count, Qt::WindingFill); break;
        }
    }

    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        m_decorationLines = 0;
        if (reaches(r, false))
            m_target.drawPixmap(r, pm, sr);
    }

    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags flags) override
    {
        m_decorationLines = 0;
        if (reaches(r, false))
            m_target.drawImage(r, image, sr, flags);
    }

    void drawTiledPixmap(const QRectF &r, const QPixmap &pm, const QPointF &p) override
    {
        m_decorationLines = 0;
        if (reaches(r, false))
            m_target.drawTiledPixmap(r, pm, p);
    }

private:
    // Positions in document units count as equal this close together.
    static constexpr double tolerance = 0.01;

    // Whether `r` (in the layout's coordinates) reaches into the band; a
    // pen widens what it draws.
    bool reaches(const QRectF &r, bool stroked) const
    {
        QRectF inDoc = m_transform.mapRect(r);
        if (stroked && m_target.pen().style() != Qt::NoPen) {
            const double w = std::max(m_target.pen().widthF(), 1.0);
            inDoc.adjust(-w, -w, w, w);
        }
        return inDoc.bottom() > m_band.top() + tolerance && inDoc.top() < m_band.bottom() - tolerance;
    }

    void restoreBaseClip()
    {
        const QTransform now = m_target.worldTransform();
        m_target.setWorldTransform(m_base);
        if (m_baseClipOn)
            m_target.setClipPath(m_baseClip, Qt::ReplaceClip);
        else
            m_target.setClipping(false);
        m_target.setWorldTransform(now);
    }

    QPainter &m_target;
    const QRectF m_band;
    const QTransform m_base;
    const QPainterPath m_baseClip;
    const bool m_baseClipOn;
    QTransform m_transform;
    int m_decorationLines = 0;
};

// The device the layout draws on: as large and as fine as the target's.
class BandDevice : public QPaintDevice {
public:
    BandDevice(QPainter &target, const QRectF &band) : m_engine(target, band), m_like(target.device()) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return m_like->width();
        case PdmHeight: return m_like->height();
        case PdmWidthMM: return m_like->widthMM();
        case PdmHeightMM: return m_like->heightMM();
        case PdmNumColors: return m_like->colorCount();
        case PdmDepth: return m_like->depth();
        case PdmDpiX: return m_like->logicalDpiX();
        case PdmDpiY: return m_like->logicalDpiY();
        case PdmPhysicalDpiX: return m_like->physicalDpiX();
        case PdmPhysicalDpiY: return m_like->physicalDpiY();
        case PdmDevicePixelRatio: return int(m_like->devicePixelRatio());
        case PdmDevicePixelRatioScaled:
            return int(m_like->devicePixelRatioF() * QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    mutable BandEngine m_engine;
    const QPaintDevice *m_like;
};

} // namespace

void drawDocumentBand(const QTextDocument &doc, QPainter &painter,
                      const QAbstractTextDocumentLayout::PaintContext &context)
{
    painter.save();
    {
        BandDevice device(painter, context.clip);
        QPainter inner(&device);
        inner.setRenderHints(painter.renderHints());
        inner.setPen(painter.pen());
        inner.setBrush(painter.brush());
        inner.setFont(painter.font());
        doc.documentLayout()->draw(&inner, context);
    }
    painter.restore();
}

} // namespace kalamora::document
