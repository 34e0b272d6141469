// The ruler bar and the control's ruler handle.
#include "textengine/ruler.h"

#include "document/units.h"
#include "textengine/textcontrol.h"
#include "textengine/zoomview.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>

#include <atomic>

namespace kalamora::textengine {

namespace {

QHash<quintptr, TXRuler *> &rulers()
{
    static QHash<quintptr, TXRuler *> all;
    return all;
}

constexpr double markerHalf = 5;

} // namespace

TXRuler::TXRuler(QWidget *parent) : QWidget(parent)
{
    static std::atomic<quintptr> serial{0};
    m_handle = ++serial;
    rulers().insert(m_handle, this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(false);
}

TXRuler::~TXRuler()
{
    rulers().remove(m_handle);
}

TXRuler *TXRuler::fromHandle(quintptr handle)
{
    return rulers().value(handle, nullptr);
}

QSize TXRuler::sizeHint() const
{
    return {400, 26};
}

void TXRuler::attach(TextControl *control)
{
    if (control == m_control)
        return;
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_control)
        m_control->viewport()->removeEventFilter(this);
    m_control = control;
    if (control) {
        control->viewport()->installEventFilter(this);
        const auto refresh = [this] { this->refresh(); };
        m_connections << connect(control, &TextControl::cursorPositionChanged, this, refresh)
                      << connect(control, &TextControl::Change, this, refresh)
                      << connect(control->document(), &QTextDocument::contentsChanged, this, refresh)
                      << connect(control->horizontalScrollBar(), &QScrollBar::valueChanged, this, refresh)
                      // The zoom, the view mode and the page's place on the
                      // screen change the scale and the text's left edge.
                      << connect(ZoomView::of(control), &ZoomView::changed, this, refresh)
                      << connect(control, &QObject::destroyed, this, [this] {
                             // The control is no TextControl any more: drop it
                             // without looking at it.
                             for (const auto &c : std::as_const(m_connections))
                                 disconnect(c);
                             m_connections.clear();
                             m_control.clear();
                             update();
                         });
    }
    update();
}

TXRuler::View TXRuler::currentView() const
{
    View v;
    if (!m_control)
        return v;
    v.left = textLeftX();
    v.perTwip = pixelsPerTwip();
    v.page = m_control->pageSetup();
    const QTextBlockFormat bf = m_control->textCursor().blockFormat();
    v.paragraph.setLeftMargin(bf.leftMargin());
    v.paragraph.setTextIndent(bf.textIndent());
    v.paragraph.setRightMargin(bf.rightMargin());
    v.paragraph.setTabPositions(bf.tabPositions());
    return v;
}

void TXRuler::refresh()
{
    if (!(currentView() == m_shown))
        update();
}

double TXRuler::pixelsPerTwip() const
{
    const double zoom = m_control ? m_control->ZoomFactor() / 100.0 : 1.0;
    return document::twipsToUnits(1.0) * zoom;
}

// The x of the text's left edge (indent 0) on the ruler.
double TXRuler::textLeftX() const
{
    if (!m_control)
        return 0;
    const QWidget *vp = m_control->viewport();
    // Through the screen: the ruler may stand in another window than the
    // control, where mapping through a common window would not reach.
    const QPoint origin = vp->mapToGlobal(QPoint(0, 0)) - mapToGlobal(QPoint(0, 0));
    const QTextFrameFormat root = m_control->document()->rootFrame()->frameFormat();
    const QPointF left(root.leftMargin() + root.padding(), 0);
    return origin.x() + ZoomView::of(m_control)->toViewport(left).x();
}

double TXRuler::xOfTwips(double t) const
{
    return textLeftX() + t * pixelsPerTwip();
}

double TXRuler::twipsOfX(double x) const
{
    return (x - textLeftX()) / pixelsPerTwip();
}

void TXRuler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    m_shown = currentView();
    if (!m_control)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    const TextControl &c = *m_control;
    const View &v = m_shown;
    const auto xOfTwips = [&v](double t) { return v.left + t * v.perTwip; };
    const double textWidth = c.PageWidth() - c.PageMarginL() - c.PageMarginR();
    const double pageL = xOfTwips(-c.PageMarginL()), pageR = xOfTwips(textWidth + c.PageMarginR());
    const QRectF band(pageL, 4, pageR - pageL, height() - 8);
    p.fillRect(band, QColor(0xC8, 0xC8, 0xC8));
    p.fillRect(QRectF(xOfTwips(0), band.top(), xOfTwips(textWidth) - xOfTwips(0), band.height()), Qt::white);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawRect(band);

    // Ticks every eighth of an inch, numbers every inch from the left margin.
    QFont f = font();
    f.setPixelSize(9);
    p.setFont(f);
    const double step = 180 * v.perTwip;
    if (step >= 2) {
        for (int i = int(-c.PageMarginL() / 180); xOfTwips(i * 180.0) <= pageR; ++i) {
            const double x = xOfTwips(i * 180.0);
            if (x < pageL)
                continue;
            const double len = i % 8 == 0 ? 0 : i % 4 == 0 ? 6 : 3;
            if (i % 8 == 0 && i != 0) {
                p.drawText(QRectF(x - 15, band.top(), 30, band.height()), Qt::AlignCenter, QString::number(std::abs(i / 8)));
            } else if (len > 0) {
                const double mid = band.center().y();
                p.drawLine(QPointF(x, mid - len / 2), QPointF(x, mid + len / 2));
            }
        }
    }

    // Tab stops of the current paragraph.
    const QTextBlockFormat &bf = v.paragraph;
    p.setPen(QPen(Qt::black, 1.5));
    for (const QTextOption::Tab &tab : bf.tabPositions()) {
        const double x = xOfTwips(document::unitsToTwips(tab.position));
        const double y = band.bottom() - 3;
        p.drawLine(QPointF(x, y - 6), QPointF(x, y));
        if (tab.type == QTextOption::RightTab)
            p.drawLine(QPointF(x - 5, y), QPointF(x, y));
        else if (tab.type == QTextOption::CenterTab)
            p.drawLine(QPointF(x - 3, y), QPointF(x + 3, y));
        else
            p.drawLine(QPointF(x, y), QPointF(x + 5, y));
        if (tab.type == QTextOption::DelimiterTab)
            p.drawPoint(QPointF(x + 2, y - 3));
    }

    // Indent markers: first line (down-pointing, top), other lines (up,
    // bottom), right indent (up, bottom right).
    const double left = document::unitsToTwips(bf.leftMargin());
    const double first = left + document::unitsToTwips(bf.textIndent());
    const double right = textWidth - document::unitsToTwips(bf.rightMargin());
    const auto triangle = [&](double x, bool down) {
        QPainterPath path;
        const double y0 = down ? 0 : height();
        const double y1 = down ? 7 : height() - 7;
        path.moveTo(x - markerHalf, y0);
        path.lineTo(x + markerHalf, y0);
        path.lineTo(x, y1);
        path.closeSubpath();
        p.fillPath(path, QColor(0x40, 0x60, 0xA0));
    };
    triangle(xOfTwips(first), true);
    triangle(xOfTwips(left), false);
    triangle(xOfTwips(right), false);
}

bool TXRuler::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport moves and resizes as page view centres the page.
    if (m_control && watched == m_control->viewport()
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        update();
    return false;
}

TXRuler::Marker TXRuler::markerAt(const QPointF &pos) const
{
    if (!m_control)
        return None;
    const QTextBlockFormat bf = m_control->textCursor().blockFormat();
    const double textWidth = m_control->PageWidth() - m_control->PageMarginL() - m_control->PageMarginR();
    const double left = document::unitsToTwips(bf.leftMargin());
    const double first = left + document::unitsToTwips(bf.textIndent());
    const double right = textWidth - document::unitsToTwips(bf.rightMargin());
    const bool top = pos.y() < height() / 2.0;
    const auto near = [&](double t) { return std::abs(pos.x() - xOfTwips(t)) <= markerHalf + 2; };
    if (top && near(first))
        return FirstLine;
    if (!top && near(left))
        return LeftIndent;
    if (!top && near(right))
        return RightIndent;
    for (const QTextOption::Tab &tab : bf.tabPositions()) {
        if (!top && near(document::unitsToTwips(tab.position)))
            return Tab;
    }
    return None;
}

void TXRuler::moveMarker(double x)
{
    if (!m_control)
        return;
    TextControl &c = *m_control;
    const double textWidth = c.PageWidth() - c.PageMarginL() - c.PageMarginR();
    // Snap to sixteenths of an inch, keep within the text width.
    const int t = static_cast<int>(std::clamp(std::round(twipsOfX(x) / 90.0) * 90.0, 0.0, textWidth));
    // SelIndent is the first line's start, SelHangingIndent the other lines'
    // distance from it.
    const int first = c.SelIndent();
    const int left = first + c.SelHangingIndent();
    switch (m_drag) {
    case FirstLine:
        c.setSelIndent(t);
        c.setSelHangingIndent(left - t);
        break;
    case LeftIndent:
        c.setSelHangingIndent(t - first);
        break;
    case RightIndent:
        c.setSelRightIndent(static_cast<int>(textWidth) - t);
        break;
    case Tab: {
        QList<QTextOption::Tab> tabs = c.textCursor().blockFormat().tabPositions();
        if (m_tab >= 0 && m_tab < tabs.size()) {
            tabs[m_tab].position = document::twipsToUnits(t);
            setTabs(tabs);
        }
        break;
    }
    case None:
        break;
    }
    update();
}

void TXRuler::setTabs(QList<QTextOption::Tab> tabs)
{
    // The dragged stop keeps its index: sort only when the drag ends.
    QTextBlockFormat f;
    f.setTabPositions(tabs);
    QTextCursor c = m_control->textCursor();
    c.mergeBlockFormat(f);
}

void TXRuler::mousePressEvent(QMouseEvent *event)
{
    m_drag = event->button() == Qt::LeftButton ? markerAt(event->position()) : None;
    m_tab = -1;
    if (!m_control || event->button() != Qt::LeftButton)
        return;
    const QTextBlockFormat bf = m_control->textCursor().blockFormat();
    QList<QTextOption::Tab> tabs = bf.tabPositions();
    if (m_drag == Tab) {
        for (int i = 0; i < tabs.size(); ++i) {
            if (std::abs(event->position().x() - xOfTwips(document::unitsToTwips(tabs[i].position))) <= markerHalf + 2)
                m_tab = i;
        }
        return;
    }
    if (m_drag != None)
        return;
    // A click elsewhere on the text's width adds a tab stop there.
    const double textWidth = m_control->PageWidth() - m_control->PageMarginL() - m_control->PageMarginR();
    const double t = std::round(twipsOfX(event->position().x()) / 90.0) * 90.0;
    if (t <= 0 || t >= textWidth)
        return;
    QTextOption::Tab tab;
    tab.position = document::twipsToUnits(t);
    switch (m_control->TabType()) {
    case TextControl::TabRight: tab.type = QTextOption::RightTab; break;
    case TextControl::TabCenter: tab.type = QTextOption::CenterTab; break;
    case TextControl::TabDecimal:
        tab.type = QTextOption::DelimiterTab;
        tab.delimiter = u'.';
        break;
    default: tab.type = QTextOption::LeftTab; break;
    }
    tabs.append(tab);
    m_tab = static_cast<int>(tabs.size()) - 1;
    m_drag = Tab;
    setTabs(tabs);
    update();
}

void TXRuler::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag != None)
        moveMarker(event->position().x());
}

void TXRuler::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag == Tab && m_control && m_tab >= 0) {
        QList<QTextOption::Tab> tabs = m_control->textCursor().blockFormat().tabPositions();
        const double y = event->position().y();
        if (m_tab < tabs.size() && (y < -height() || y > 2 * height())) {
            tabs.removeAt(m_tab);  // dragged off the ruler
        } else {
            moveMarker(event->position().x());
            tabs = m_control->textCursor().blockFormat().tabPositions();
        }
        std::sort(tabs.begin(), tabs.end(),
                  [](const QTextOption::Tab &a, const QTextOption::Tab &b) { return a.position < b.position; });
        setTabs(tabs);
    } else if (m_drag != None) {
        moveMarker(event->position().x());
    }
    m_drag = None;
    m_tab = -1;
    update();
}

// --- TextControl's ruler handle ---------------------------------------------------

quintptr TextControl::RulerHandle() const
{
    for (TXRuler *r : std::as_const(rulers())) {
        if (r->control() == this)
            return r->handle();
    }
    return 0;
}

void TextControl::setRulerHandle(quintptr handle)
{
    TXRuler *wanted = TXRuler::fromHandle(handle);
    for (TXRuler *r : std::as_const(rulers())) {
        if (r->control() == this && r != wanted)
            r->attach(nullptr);
    }
    if (wanted)
        wanted->attach(this);
}

} // namespace kalamora::textengine
