// The scaled view of a TextControl at zoom factors other than 100 percent.
#include "zoomview.h"

#include "textcontrol.h"
#include "units.h"

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

namespace textengine {

namespace {

void collectTables(QTextFrame *frame, QList<QTextTable *> &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *t = qobject_cast<QTextTable *>(child))
            out.append(t);
        collectTables(child, out);
    }
}

// A dotted outline around cells that have no border of their own.
void drawGridLines(QPainter &p, QTextDocument *doc, const QRectF &clip)
{
    QList<QTextTable *> tables;
    collectTables(doc->rootFrame(), tables);
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0, Qt::DotLine));
    for (QTextTable *t : tables) {
        if (t->format().border() > 0 || !layout->frameBoundingRect(t).intersects(clip))
            continue;
        const double pad = t->format().cellPadding();
        for (int r = 0; r < t->rows(); ++r) {
            for (int col = 0; col < t->columns(); ++col) {
                const QTextTableCell cell = t->cellAt(r, col);
                if (cell.row() != r || cell.column() != col)
                    continue;
                const QTextTableCellFormat cf = cell.format().toTableCellFormat();
                if (cf.topBorder() > 0 || cf.leftBorder() > 0 || cf.bottomBorder() > 0 || cf.rightBorder() > 0)
                    continue;
                QRectF rect;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (it.currentBlock().isValid())
                        rect = rect.united(layout->blockBoundingRect(it.currentBlock()));
                }
                if (!rect.isNull())
                    p.drawRect(rect.adjusted(-pad, -pad, pad, pad));
            }
        }
    }
}

} // namespace

ZoomView::ZoomView(TextControl *control) : QObject(control), m_control(control)
{
    setObjectName(QStringLiteral("ZoomView"));
    control->viewport()->installEventFilter(this);
    control->installEventFilter(this);
    const auto repaint = [this] {
        if (scale() != 1.0) {
            m_caretOn = true;
            m_control->viewport()->update();
        }
    };
    connect(control, &TextControl::cursorPositionChanged, this, [this, repaint] {
        repaint();
        if (scale() != 1.0)
            QTimer::singleShot(0, this, [this] { ensureCaretVisible(); });
    });
    connect(control, &TextControl::selectionChanged, this, repaint);
    connect(control->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] {
                if (scale() != 1.0)
                    adjustScrollBars();
            });
    connect(control->document()->documentLayout(), &QAbstractTextDocumentLayout::update, this, repaint);
    const int flash = QApplication::styleHints()->cursorFlashTime();
    m_blink.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        m_control->viewport()->update();
    });
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
    const double page = twipsToUnits(m_control->PageWidth()) * scale();
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
    // A zoomed view sets the scroll ranges itself. Left to come and go, a
    // bar that QTextEdit shows for the unscaled layout and the zoom hides
    // again (or the other way round) would change the viewport without end.
    const bool zoomed = m_zoom != 100;
    setHorizontalScrollBarPolicy(zoomed ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(zoomed || m_viewMode == 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    if (m_viewMode == 1) {
        // The viewport is moved right to centre the page as the zoom shows it
        // (the same margin applyViewMode sets).
        const int total = viewport()->width() + viewportMargins().left() + viewportMargins().right();
        const int free = total - static_cast<int>(twipsToUnits(m_page.width) * m_zoom / 100.0);
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
    } else {
        m_caretOn = true;
        m_blink.start();
    }
    adjustScrollBars();
    c->viewport()->update();
}

void ZoomView::adjustScrollBars()
{
    const double z = scale();
    const QSizeF doc = m_control->document()->documentLayout()->documentSize();
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
        const QSizeF sheet(twipsToUnits(c->PageWidth()), twipsToUnits(c->PageHeight()));
        if (step > 0) {
            const int first = std::max(0, static_cast<int>(layoutClip.top() / step));
            const int last = std::min(std::max(doc->pageCount(), 1) - 1, static_cast<int>(layoutClip.bottom() / step));
            for (int i = first; i <= last; ++i) {
                const QRectF r(QPointF(0, i * step), sheet);
                p.fillRect(r.translated(3 / z, 3 / z), QColor(0x50, 0x50, 0x50));
                p.fillRect(r, Qt::white);
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
        drawGridLines(p, doc, layoutClip);
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

} // namespace textengine
