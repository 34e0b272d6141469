#pragma once

#include <QObject>
#include <QPointF>
#include <QRect>
#include <QTimer>

class QEvent;
class QPainter;

namespace kalamora::textengine {

class TextControl;

// Shows a TextControl's document scaled by its zoom factor without touching
// the document's formats: the control lays the document out as at 100
// percent, and this helper, sitting on its viewport, paints the layout
// through a scaling transform and maps the mouse back into the layout.
// Scroll bars stay in layout units, so ScrollPosY and the caret's position
// mean the same at every zoom; their ranges cover what the scaled view
// shows. At 100 percent it stands aside and the control paints itself.
class ZoomView : public QObject {
    Q_OBJECT
public:
    explicit ZoomView(TextControl *control);

    // The helper of `control`, made on first use.
    static ZoomView *of(TextControl *control);

    double scale() const;
    // Where layout point (0, 0) is drawn on the viewport before scrolling,
    // in viewport pixels: page view centres a narrow page.
    QPointF origin() const;
    // Viewport pixels to layout units and back (scrolling included).
    QPointF toLayout(const QPointF &viewportPos) const;
    QPointF toViewport(const QPointF &layoutPos) const;

    // The viewport position of the mouse event being passed on to the
    // control, mapped into the layout; null when none is.
    const QPointF *forwardedFrom() const { return m_forwarding ? &m_forwardedFrom : nullptr; }

    // Called when the zoom, the view mode or the size changed.
    void refresh();

Q_SIGNALS:
    // The scale or the place of the shown page changed (emitted by refresh).
    void changed();

public:
    // Draws the visible part of the document, scaled, as the viewport shows
    // it (sheets, text, caret, selection, grid lines).
    void paint(QPainter &p, const QRect &clip);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void adjustScrollBars();
    void ensureCaretVisible();
    // Repaint a rectangle of the layout, and the caret where it was and is.
    void updateLayoutRect(const QRectF &changed);
    void updateCaret();

    TextControl *m_control;
    QTimer m_blink;
    bool m_caretOn = true;
    bool m_caretPending = false; // a caret update waits for the layout to finish
    bool m_selection = false;  // the control showed a selection
    QRect m_caret;             // where the caret was drawn, viewport pixels
    bool m_forwarding = false;
    QPointF m_forwardedFrom;
    // While zoomed the scroll bars are this view's; the control's own
    // policies come back at 100 percent.
    bool m_ownsBars = false;
    Qt::ScrollBarPolicy m_horizontalPolicy = Qt::ScrollBarAsNeeded;
    Qt::ScrollBarPolicy m_verticalPolicy = Qt::ScrollBarAsNeeded;
};

} // namespace kalamora::textengine
