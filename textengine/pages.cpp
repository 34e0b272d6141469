// TextControl: view properties, pages and printing, tables and objects.
#include "textengine/textcontrol.h"

#include "document/documentfile.h"
#include "document/sheets.h"
#include "document/units.h"
#include "textengine/documentlayout.h"
#include "textengine/tablegrid.h"

#include <QFile>
#include <QImage>
#include <QMarginsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextformat_p.h>

#include <atomic>

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

// --- View ---------------------------------------------------------------------

namespace {

// The desk between two sheets in page view, in twips.
constexpr int deskGap = 300;

QMarginsF rootMargins(const QTextDocument &doc)
{
    const QTextFrameFormat f = doc.rootFrame()->frameFormat();
    return {f.leftMargin(), f.topMargin(), f.rightMargin(), f.bottomMargin()};
}

} // namespace

// The root frame's margins belong to the view, not to the text: a frame
// format set the ordinary way is an undo step of the document's (Undo would
// take a view switch back in place of the last edit, and a switch after an
// Undo would end the Redo) and marks it modified. The view sets them beside
// the history and lays the document out again.
void TextControl::setViewMargins(const QMarginsF &margins)
{
    m_viewMargins = margins;
    QTextDocument *doc = document();
    if (rootMargins(*doc) == margins)
        return;
    QTextFrame *root = doc->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    format.setLeftMargin(margins.left());
    format.setTopMargin(margins.top());
    format.setRightMargin(margins.right());
    format.setBottomMargin(margins.bottom());
    QTextFormatCollection *formats = QTextDocumentPrivate::get(doc)->formatCollection();
    ++m_ownEdits;
    formats->setObjectFormatIndex(root->objectIndex(), formats->indexForFormat(format));
    doc->markContentsDirty(root->firstPosition(), root->lastPosition() - root->firstPosition());
    --m_ownEdits;
}

void TextControl::keepViewMargins()
{
    // Headers and footers are kept in the root frame's format too, and their
    // changes are undo steps: Undo and Redo of one bring back the whole
    // format, with the margins of the view shown when it was made. The view
    // puts its own back once the change is done.
    if (!m_viewMargins || m_viewMarginsDue || rootMargins(*document()) == *m_viewMargins)
        return;
    m_viewMarginsDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_viewMarginsDue = false;
            if (m_viewMargins)
                setViewMargins(*m_viewMargins);
        },
        Qt::QueuedConnection);
}

void TextControl::setViewMode(int mode)
{
    if ((mode == 0 || mode == 1) && mode != m_viewMode) {
        m_viewMode = mode;
        applyViewMode();
    }
}

void TextControl::applyViewMode()
{
    QTextDocument *doc = document();
    if (m_viewMode == 1) {
        const double w = document::twipsToUnits(m_page.width);
        const int free = viewport()->width() + viewportMargins().left() + viewportMargins().right()
            - static_cast<int>(w * m_zoom / 100.0);
        // Every change of the viewport's width makes QTextEdit lay the whole
        // document out again without pages: change nothing that is already
        // right, and keep the vertical scroll bar, so that it does not come
        // and go with the document's length.
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        if (viewportMargins().left() != std::max(free / 2, 0))
            setViewportMargins(std::max(free / 2, 0), 0, 0, 0);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(pal);
        viewport()->setBackgroundRole(QPalette::Window);
        setAutoFillBackground(true);  // the desk beside a centred page too
        setLineWrapMode(QTextEdit::FixedPixelWidth);
        if (lineWrapColumnOrWidth() != static_cast<int>(w))
            setLineWrapColumnOrWidth(static_cast<int>(w));
        applyPageLayout();
    } else {
        // Page view's layout has counted the pages: continuous view takes the
        // count over for as long as the text and the page setup stay as they
        // are, rather than lay out a copy of the whole document again for it.
        // The two agree unless the page leaves less than half an inch for
        // text, where the copy keeps that half inch.
        const auto *layout = qobject_cast<const DocumentLayout *>(doc->documentLayout());
        if (layout && doc->pageSize().height() > 0 && layout->layoutStatus() == 100
            && m_page.width - m_page.marginL - m_page.marginR >= 720
            && m_page.height - m_page.marginT - m_page.marginB >= 720)
            m_viewPages = {m_docSerial, m_page, layout->pagesSoFar()};
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setAutoFillBackground(false);
        setViewportMargins(0, 0, 0, 0);
        viewport()->setBackgroundRole(QPalette::Base);
        const qreal m = doc->documentMargin();
        setViewMargins({m, m, m, m});
        setLineWrapMode(QTextEdit::WidgetWidth);
        doc->setPageSize(QSizeF(viewport()->width(), -1));
    }
    applyZoom();
    viewport()->update();
}

void TextControl::applyPageLayout()
{
    // Each page of the layout is a sheet and the desk below it; the bottom
    // margin keeps text off the desk.
    QTextDocument *doc = document();
    const double w = document::twipsToUnits(m_page.width);
    {
        // Each of these lays the whole document out again: only when needed.
        setViewMargins({document::twipsToUnits(m_page.marginL), document::twipsToUnits(m_page.marginT),
                        document::twipsToUnits(m_page.marginR), document::twipsToUnits(m_page.marginB + deskGap)});
        const QSizeF size(w, document::twipsToUnits(m_page.height + deskGap));
        if (doc->pageSize() != size)
            doc->setPageSize(size);
    }
}

void TextControl::keepPageLayout()
{
    // QTextEdit lays the document out again to its own width whenever a
    // scroll bar comes or goes; page view puts its pages back.
    if (m_viewMode == 1 && document()->pageSize().height() <= 0)
        applyPageLayout();
}

QRectF TextControl::sheetRect(int page) const
{
    const double h = document::twipsToUnits(m_page.height);
    const double step = document::twipsToUnits(m_page.height + deskGap);
    return QRectF(0, page * step, document::twipsToUnits(m_page.width), h);
}

void TextControl::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    if (m_viewMode == 1)
        applyViewMode();
}

void TextControl::setZoomFactor(int percent)
{
    m_zoom = std::clamp(percent, 10, 400);
    applyZoom();
}

int TextControl::Width() const
{
    return width() * 1440 / std::max(logicalDpiX(), 1);
}

int TextControl::Height() const
{
    return height() * 1440 / std::max(logicalDpiY(), 1);
}

int TextControl::ScrollPosY() const
{
    return static_cast<int>(std::lround(document::unitsToTwips(verticalScrollBar()->value())));
}

// --- Pages and printing ------------------------------------------------------------

QTextDocument *TextControl::pagedDocument() const
{
    if (m_paged && m_pagedSerial == m_docSerial && m_pagedSetup == m_page)
        return m_paged;
    delete m_paged;
    m_paged = pagedCopy(*document(), m_page, const_cast<TextControl *>(this));
    m_pagedSerial = m_docSerial;
    m_pagedSetup = m_page;
    return m_paged;
}

int TextControl::CurrentPages() const
{
    // Page view already holds the document on its pages; counting them
    // there spares copying a large document after every change.
    if (m_viewMode == 1 && document()->pageSize().height() > 0)
        return std::max(1, document()->pageCount());
    if (m_viewPages.serial == m_docSerial && m_viewPages.setup == m_page)
        return m_viewPages.pages;
    return std::max(1, pagedDocument()->pageCount());
}

void TextControl::setPrintZoom(int percent)
{
    if (percent > 0)
        m_printZoom = std::min(percent, 1000);
}

document::Sheets TextControl::sheets() const
{
    return document::Sheets{document(), pagedDocument(), m_page, CurrentPages()};
}

bool TextControl::PrintPage(int page)
{
    if (page < 1 || page > CurrentPages())
        return fail(u"There is no page %1"_s.arg(page));
    QPainter own;
    QPainter *p = m_printPainter;
    if (!p) {
        if (!m_printDevice || !own.begin(m_printDevice))
            return fail(u"No device to print on"_s);
        p = &own;
    }
    document::drawSheet(*p, sheets(), page, m_printZoom);
    return true;
}

void drawPageStories(QPainter &p, const TextControl &text, int page, const QPointF &corner)
{
    drawSheetStories(p, *text.document(), text.pageSetup(), page, text.CurrentPages(), corner);
}

// --- Tables ------------------------------------------------------------------------

bool TextControl::TableInsert(int rows, int columns, int position)
{
    if (rows < 1 || columns < 1 || rows > 1000 || columns > 64)
        return fail(u"A table needs 1 to 1000 rows and 1 to 64 columns"_s);
    QTextCursor c = textCursor();
    if (position >= 0) {
        c.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    } else {
        c.setPosition(c.selectionStart());
    }
    if (c.currentTable())
        return fail(u"A table cannot be inserted inside a table"_s);
    const int textWidth = std::max(m_page.width - m_page.marginL - m_page.marginR, 1440);
    QTextTableFormat tf;
    tf.setBorder(0);
    tf.setCellSpacing(0);
    tf.setBorderCollapse(true);
    tf.setCellPadding(document::twipsToUnits(108));
    tf.setAlignment(Qt::AlignLeft);
    QList<QTextLength> widths;
    for (int i = 0; i < columns; ++i)
        widths.append(QTextLength(QTextLength::FixedLength, document::twipsToUnits(double(textWidth) / columns)));
    tf.setColumnWidthConstraints(widths);
    ownEdit([&] {
        QTextTable *t = c.insertTable(rows, columns, tf);
        setTextCursor(t->cellAt(0, 0).firstCursorPosition());
    });
    return true;
}

int TextControl::TableAtInputPos() const
{
    QTextTable *current = textCursor().currentTable();
    if (!current)
        return 0;
    return static_cast<int>(tablesOf(document()).indexOf(current)) + 1;
}

bool TextControl::TableCanInsert() const
{
    return !textCursor().currentTable() && !isReadOnly();
}

bool TextControl::TableCanDeleteLines() const
{
    return textCursor().currentTable() != nullptr && !isReadOnly();
}

bool TextControl::TableDeleteLines()
{
    const QTextCursor c = textCursor();
    QTextTable *t = c.currentTable();
    if (!t)
        return fail(u"The caret is in no table"_s);
    const QTextTableCell a = t->cellAt(c.selectionStart());
    const QTextTableCell b = t->cellAt(c.selectionEnd());
    const int first = a.isValid() ? a.row() : 0;
    const int last = b.isValid() ? b.row() + b.rowSpan() - 1 : t->rows() - 1;
    ownEdit([&] { t->removeRows(first, std::max(last - first + 1, 1)); });
    return true;
}

void TextControl::setTableGridLines(bool on)
{
    if (on != m_gridLines) {
        m_gridLines = on;
        viewport()->update();
    }
}

void TextControl::paintEvent(QPaintEvent *event)
{
    if (m_viewMode == 1) {
        // The sheets, under the text that QTextEdit draws on them.
        QPainter p(viewport());
        const int dx = -horizontalScrollBar()->value();
        const int dy = -verticalScrollBar()->value();
        // Only the sheets in the window: a long document has thousands, and
        // may still be being laid out.
        auto *layout = qobject_cast<DocumentLayout *>(document()->documentLayout());
        if (layout)
            layout->ensureLayouted(verticalScrollBar()->value() + viewport()->height());
        const int pages = layout ? layout->pagesSoFar() : std::max(1, document()->pageCount());
        const double step = document::twipsToUnits(m_page.height + deskGap);
        const int first = std::clamp(static_cast<int>(-dy / step) - 1, 0, pages - 1);
        const int last = std::clamp(static_cast<int>((viewport()->height() - dy) / step) + 1, 0, pages - 1);
        for (int i = first; i <= last; ++i) {
            const QRect r = sheetRect(i).toRect().translated(dx, dy);
            if (r.bottom() < 0 || r.top() > viewport()->height())
                continue;
            p.fillRect(r.translated(3, 3), QColor(0x50, 0x50, 0x50));
            p.fillRect(r, Qt::white);
            drawPageStories(p, *this, i + 1, r.topLeft());
        }
    }
    QTextEdit::paintEvent(event);
    if (!m_gridLines)
        return;
    // Cells without borders get a dotted outline, on the screen only.
    QPainter p(viewport());
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    p.translate(-scroll);
    drawTableGridLines(p, document(), QRectF(event->rect()).translated(scroll));
}

// --- Objects -------------------------------------------------------------------------

bool TextControl::ObjectInsertAsChar(int kind, const QString &file, int position, int scaleX, int scaleY, int, int)
{
    if (kind != 0)
        return insertObjectAsChar(kind, file, position, scaleX, scaleY);  // objects.cpp
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(u"Cannot open %1: %2"_s.arg(file, f.errorString()));
    const QByteArray data = f.readAll();
    const QImage img = QImage::fromData(data);
    if (img.isNull())
        return fail(u"%1 is not a picture this program can show"_s.arg(file));
    static std::atomic<int> serial{0};
    const QString name = u"inserted:%1"_s.arg(++serial);
    // PNG and JPEG files are kept as they are; other pictures as images.
    if (data.startsWith("\x89PNG") || data.startsWith("\xFF\xD8"))
        document()->addResource(QTextDocument::ImageResource, QUrl(name), data);
    else
        document()->addResource(QTextDocument::ImageResource, QUrl(name), img);
    QTextImageFormat fmt;
    fmt.setName(name);
    // Pixels at 96 per inch, scaled.
    fmt.setWidth(document::twipsToUnits(img.width() * 15.0 * std::clamp(scaleX, 1, 1000) / 100.0));
    fmt.setHeight(document::twipsToUnits(img.height() * 15.0 * std::clamp(scaleY, 1, 1000) / 100.0));
    QTextCursor c = textCursor();
    if (position >= 0)
        c.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    ownEdit([&] {
        c.insertImage(fmt);
        setTextCursor(c);
    });
    return true;
}

} // namespace kalamora::textengine
