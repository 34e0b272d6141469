// The scaled view of a TextControl at zoom factors other than 100 percent.
#include "textengine/zoomview.h"

#include "document/stories.h"
#include "document/units.h"
#include "textengine/documentlayout.h"
#include "textengine/tablegrid.h"
#include "textengine/textcontrol.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextTable>

namespace kalamora::textengine {

ZoomView::ZoomView(TextControl *control) : QObject(control), m_control(control)
{
    setObjectName(QStringLiteral("ZoomView"));
    control->viewport()->installEventFilter(this);
    control->installEventFilter(this);
    // What changed is repainted, scaled: the caret where it was and where
    // it is, the text the layout reports changed, everything when a
    // selection or the scrolling changes.
    const auto caretMoved = [this] {
        if (scale() == 1.0)
            return;
        m_caretOn = true;
        if (m_control->textCursor().hasSelection() || m_selection)
            m_control->viewport()->update();
        else
            updateCaret();
        m_selection = m_control->textCursor().hasSelection();
    };
    connect(control, &TextControl::cursorPositionChanged, this, [this, caretMoved] {
        caretMoved();
        if (scale() != 1.0)
            QTimer::singleShot(0, this, [this] { ensureCaretVisible(); });
    });
    connect(control, &TextControl::selectionChanged, this, caretMoved);
    for (QScrollBar *bar : {control->horizontalScrollBar(), control->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (scale() != 1.0)
                m_control->viewport()->update();
        });
    }
    connect(control->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] {
                if (scale() != 1.0)
                    adjustScrollBars();
            });
    connect(control->document()->documentLayout(), &QAbstractTextDocumentLayout::update, this,
            [this](const QRectF &changed) {
                if (scale() == 1.0)
                    return;
                m_caretOn = true;
                updateLayoutRect(changed);
                // The layout reports while it is still at work (inside a key's
                // edit the caret's paragraph may be half laid out, and
                // measuring the caret there reads past a justified line's
                // end): the caret is measured once it is done.
                if (!m_caretPending) {
                    m_caretPending = true;
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            m_caretPending = false;
                            updateCaret();
                        },
                        Qt::QueuedConnection);
                }
            });
    const int flash = QApplication::styleHints()->cursorFlashTime();
    m_blink.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        updateCaret();
    });
}

void ZoomView::updateLayoutRect(const QRectF &changed)
{
    QWidget *vp = m_control->viewport();
    if (!changed.isValid()) {
        vp->update();
        return;
    }
    const QRectF shown = QRectF(toViewport(changed.topLeft()), toViewport(changed.bottomRight())).intersected(vp->rect());
    if (!shown.isEmpty())
        vp->update(shown.toAlignedRect().adjusted(-1, -1, 1, 1));
}

void ZoomView::updateCaret()
{
    QWidget *vp = m_control->viewport();
    vp->update(m_caret);
    // cursorRect() is the layout rectangle less the scroll offsets.
    const QRectF caret = QRectF(m_control->cursorRect())
                             .translated(m_control->horizontalScrollBar()->value(),
                                         m_control->verticalScrollBar()->value());
    m_caret = QRectF(toViewport(caret.topLeft()), toViewport(caret.bottomRight()))
                  .toAlignedRect()
                  .adjusted(-2, -2, 2, 2)
                  .intersected(vp->rect());
    vp->update(m_caret);
}

ZoomView *ZoomView::of(TextControl *control)
{
    if (auto *z = control->findChild<ZoomView *>(QString(), Qt::FindDirectChildrenOnly))
        return z;
    return new ZoomView(control);
}

double ZoomView::scale() const
{
    return m_control->ZoomFactor() / 100.0;
}

QPointF ZoomView::origin() const
{
    if (m_control->ViewMode() != 1)
        return {0, 0};
    // Page view moves the viewport right to centre the scaled page; this
    // covers the rounding of that margin.
    const int marginLeft = m_control->viewport()->x() - m_control->frameWidth();
    const double total = m_control->viewport()->width() + marginLeft;
    const double page = document::twipsToUnits(m_control->PageWidth()) * scale();
    return {std::max(std::floor((total - page) / 2) - marginLeft, 0.0), 0};
}

QPointF ZoomView::toLayout(const QPointF &pos) const
{
    const QPointF scroll(m_control->horizontalScrollBar()->value(), m_control->verticalScrollBar()->value());
    return (pos - origin()) / scale() + scroll;
}

QPointF ZoomView::toViewport(const QPointF &pos) const
{
    const QPointF scroll(m_control->horizontalScrollBar()->value(), m_control->verticalScrollBar()->value());
    return (pos - scroll) * scale() + origin();
}

void TextControl::applyZoom()
{
    if (m_zoom == 100 && !findChild<ZoomView *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    if (m_viewMode == 1) {
        // The viewport is moved right to centre the page as the zoom shows it
        // (the same margin applyViewMode sets).
        const int total = viewport()->width() + viewportMargins().left() + viewportMargins().right();
        const int free = total - static_cast<int>(document::twipsToUnits(m_page.width) * m_zoom / 100.0);
        const int left = std::max(free / 2, 0);
        if (viewportMargins().left() != left)
            setViewportMargins(left, 0, 0, 0);
    }
    ZoomView::of(this)->refresh();
}

QPointF TextControl::mousePoint(const QMouseEvent *event) const
{
    const auto *zoom = findChild<ZoomView *>(QString(), Qt::FindDirectChildrenOnly);
    const QPointF *original = zoom ? zoom->forwardedFrom() : nullptr;
    return viewport()->mapTo(this, original ? *original : event->position());
}

void ZoomView::refresh()
{
    TextControl *c = m_control;
    const double z = scale();
    if (c->ViewMode() != 1) {
        // Continuous text wraps to the window as the zoom shows it.
        if (z == 1.0) {
            if (c->lineWrapMode() == QTextEdit::FixedPixelWidth)
                c->setLineWrapMode(QTextEdit::WidgetWidth);
        } else {
            c->setLineWrapMode(QTextEdit::FixedPixelWidth);
            c->setLineWrapColumnOrWidth(std::max(static_cast<int>(c->viewport()->width() / z), 40));
        }
    }
    if (z == 1.0) {
        m_blink.stop();
        // The control's own scroll bars again, as they were before the zoom
        // (page view keeps its vertical one).
        if (m_ownsBars) {
            m_ownsBars = false;
            const auto vertical = c->ViewMode() == 1 ? Qt::ScrollBarAlwaysOn : m_verticalPolicy;
            if (c->verticalScrollBarPolicy() != vertical)
                c->setVerticalScrollBarPolicy(vertical);
            if (c->horizontalScrollBarPolicy() != m_horizontalPolicy)
                c->setHorizontalScrollBarPolicy(m_horizontalPolicy);
        }
    } else {
        m_caretOn = true;
        // A flash time of 0 asks for a steady caret, as the unscaled view draws it.
        if (QApplication::styleHints()->cursorFlashTime() > 0)
            m_blink.start();
    }
    adjustScrollBars();
    c->viewport()->update();
    Q_EMIT changed();
}

void ZoomView::adjustScrollBars()
{
    const double z = scale();
    // Unscaled, the ranges go back to what QTextEdit gives them, which
    // sizes a long document still being laid out from the part done (and
    // does not wait for the rest of it).
    const auto *layout = qobject_cast<const DocumentLayout *>(m_control->document()->documentLayout());
    const QSizeF doc = z == 1.0 && layout ? layout->sizeSoFar() : m_control->document()->documentLayout()->documentSize();
    const QSize vp = m_control->viewport()->size();
    QScrollBar *v = m_control->verticalScrollBar();
    QScrollBar *h = m_control->horizontalScrollBar();
    const int vMax = std::max(0, static_cast<int>(std::ceil(doc.height() - vp.height() / z)));
    const int hMax = std::max(0, static_cast<int>(std::ceil(doc.width() - (vp.width() - origin().x()) / z)));
    if (v->maximum() != vMax)
        v->setRange(0, vMax);
    v->setPageStep(std::max(static_cast<int>(vp.height() / z), 1));
    v->setSingleStep(std::max(static_cast<int>(20 / z), 1));
    if (h->maximum() != hMax)
        h->setRange(0, hMax);
    h->setPageStep(std::max(static_cast<int>(vp.width() / z), 1));
    // The bars show what the scaled view needs. Left to the control, which
    // sizes them for its layout at 100 percent, a bar that it shows and
    // this view hides resizes the viewport, and each resize starts both
    // over: page view hung so at 50 percent in a window narrower than the
    // page. The vertical bar stays, so that the viewport's width (which the
    // horizontal range follows) never waits on a bar.
    if (z == 1.0)
        return;
    if (!m_ownsBars) {
        m_ownsBars = true;
        m_horizontalPolicy = m_control->horizontalScrollBarPolicy();
        m_verticalPolicy = m_control->verticalScrollBarPolicy();
    }
    if (m_control->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn)
        m_control->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const auto horizontal = hMax > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (m_control->horizontalScrollBarPolicy() != horizontal)
        m_control->setHorizontalScrollBarPolicy(horizontal);
}

void ZoomView::ensureCaretVisible()
{
    const double z = scale();
    if (z == 1.0)
        return;
    adjustScrollBars();
    QScrollBar *v = m_control->verticalScrollBar();
    QScrollBar *h = m_control->horizontalScrollBar();
    // cursorRect() is the layout rectangle less the scroll offsets.
    const QRectF caret = QRectF(m_control->cursorRect()).translated(h->value(), v->value());
    const double shownH = m_control->viewport()->height() / z;
    const double shownW = (m_control->viewport()->width() - origin().x()) / z;
    if (caret.top() < v->value())
        v->setValue(static_cast<int>(caret.top()));
    else if (caret.bottom() > v->value() + shownH)
        v->setValue(static_cast<int>(std::ceil(caret.bottom() - shownH)));
    if (caret.left() < h->value())
        h->setValue(static_cast<int>(caret.left()));
    else if (caret.right() > h->value() + shownW)
        h->setValue(static_cast<int>(std::ceil(caret.right() - shownW)));
}

void ZoomView::paint(QPainter &p, const QRect &clip)
{
    TextControl *c = m_control;
    QWidget *vp = c->viewport();
    p.fillRect(clip, vp->palette().brush(vp->backgroundRole()));
    const double z = scale();
    const QPointF scroll(c->horizontalScrollBar()->value(), c->verticalScrollBar()->value());
    p.translate(origin());
    p.scale(z, z);
    p.translate(-scroll);
    const QRectF layoutClip = QRectF(toLayout(clip.topLeft()), toLayout(clip.bottomRight() + QPoint(1, 1)));
    QTextDocument *doc = c->document();

    if (c->ViewMode() == 1) {
        // The sheets: one per page of the layout, the desk showing between.
        const double step = doc->pageSize().height();
        const QSizeF sheet(document::twipsToUnits(c->PageWidth()), document::twipsToUnits(c->PageHeight()));
        if (step > 0) {
            const int first = std::max(0, static_cast<int>(layoutClip.top() / step));
            // The pages laid out so far, down to the bottom of what is shown.
            auto *layout = qobject_cast<DocumentLayout *>(doc->documentLayout());
            if (layout)
                layout->ensureLayouted(layoutClip.bottom());
            const int pages = layout ? layout->pagesSoFar() : std::max(doc->pageCount(), 1);
            const int last = std::min(pages - 1, static_cast<int>(layoutClip.bottom() / step));
            for (int i = first; i <= last; ++i) {
                const QRectF r(QPointF(0, i * step), sheet);
                p.fillRect(r.translated(3 / z, 3 / z), QColor(0x50, 0x50, 0x50));
                p.fillRect(r, Qt::white);
                drawPageStories(p, *c, i + 1, r.topLeft());
            }
        }
    }

    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = layoutClip;
    ctx.palette = c->palette();
    const QTextCursor cursor = c->textCursor();
    if (m_caretOn && c->hasFocus() && !c->isReadOnly())
        ctx.cursorPosition = cursor.position();
    if (cursor.hasSelection()) {
        QAbstractTextDocumentLayout::Selection sel;
        sel.cursor = cursor;
        sel.format.setBackground(ctx.palette.brush(QPalette::Highlight));
        sel.format.setForeground(ctx.palette.brush(QPalette::HighlightedText));
        ctx.selections.append(sel);
    }
    for (const QTextEdit::ExtraSelection &extra : c->extraSelections())
        ctx.selections.append({extra.cursor, extra.format});
    doc->documentLayout()->draw(&p, ctx);
    if (c->TableGridLines())
        drawTableGridLines(p, doc, layoutClip);
}

bool ZoomView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Resize:
        break;
    default:
        return false;  // nothing else, not even while the control is torn down
    }
    if (m_forwarding || scale() == 1.0)
        return false;
    if (watched == m_control) {
        if (event->type() == QEvent::Resize)
            QTimer::singleShot(0, this, [this] { refresh(); });
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter p(m_control->viewport());
        paint(p, static_cast<QPaintEvent *>(event)->rect());
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        // The control reads the layout position as the event's position
        // plus the scroll offsets.
        auto *me = static_cast<QMouseEvent *>(event);
        const QPointF scroll(m_control->horizontalScrollBar()->value(), m_control->verticalScrollBar()->value());
        QMouseEvent mapped(me->type(), toLayout(me->position()) - scroll, me->globalPosition(), me->button(),
                           me->buttons(), me->modifiers(), me->pointingDevice());
        m_forwarding = true;
        m_forwardedFrom = me->position();
        QCoreApplication::sendEvent(m_control->viewport(), &mapped);
        m_forwarding = false;
        event->setAccepted(mapped.isAccepted());
        m_caretOn = true;
        return true;
    }
    case QEvent::Resize:
        QTimer::singleShot(0, this, [this] { refresh(); });
        return false;
    default:
        return false;
    }
}

} // namespace kalamora::textengine
