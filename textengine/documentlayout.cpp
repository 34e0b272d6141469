#include "textengine/documentlayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QVarLengthArray>

#include <climits>

namespace kalamora::textengine {

DocumentLayout::DocumentLayout(QTextDocument *document) : QTextDocumentLayout(document) {}

QSizeF DocumentLayout::sizeSoFar() const
{
    QSizeF size = dynamicDocumentSize();
    const int done = layoutStatus();
    if (done > 0)
        size.setHeight(size.height() * 100 / done);
    return size;
}

void DocumentLayout::documentChanged(int from, int oldLength, int length)
{
    const QTextDocument *doc = document();
    const int blocks = doc->blockCount();
    const int characters = doc->characterCount();
    const bool sameParagraphs = blocks == m_blocks;
    const int growth = characters - m_characters;
    m_blocks = blocks;
    m_characters = characters;
    if (sameParagraphs && layOutInPlace(from, length, growth)) {
        ++m_inPlace;
        return;
    }
    ++m_full;
    // A document replaced as a whole (a file loaded) is laid out as Qt lays
    // out a new document: the beginning now, the rest a piece at a time
    // while the window is idle, so that the window shows the first page
    // without waiting for the last. Qt takes it for new only when the change
    // covers every position, the last paragraph break included.
    if (from == 0 && length >= characters - 1 && length > 0) {
        oldLength = 0;
        length = characters;
    }
    layOutFully(from, oldLength, length);
}

// The text of the document from `from` on, `length` characters, is new and
// the document grew by `growth` characters, all in one paragraph if this is
// to succeed.
bool DocumentLayout::layOutInPlace(int from, int length, int growth)
{
    QTextDocument *doc = document();
    // Positions that ran ahead of the text would hide paragraphs from
    // drawing and hit testing (see the header): only growth may wait.
    if (m_staleGrowth + growth < 0 || layoutStatus() != 100 || doc->pageSize().isNull())
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || !block.isVisible())
        return false;
    const int start = block.position();
    if ((m_staleStart >= 0 && m_staleStart != start) || from + length > start + block.length() - 1)
        return false;  // another paragraph, or the paragraph break itself
    // Paragraphs in tables and frames, and those beside a table (which Qt
    // tucks into its border when empty), depend on more than their lines;
    // floating frames narrow the lines around them.
    QTextFrame *root = doc->rootFrame();
    const QTextBlock before = block.previous();
    const QTextBlock after = block.next();
    if (doc->frameAt(from) != root || (before.isValid() && doc->frameAt(before.position()) != root)
        || (after.isValid() && doc->frameAt(after.position()) != root))
        return false;
    const QList<QTextFrame *> frames = root->childFrames();
    for (const QTextFrame *f : frames) {
        if (f->frameFormat().position() != QTextFrameFormat::InFlow)
            return false;
    }

    // The lines as Qt's layout placed them: a line's text changed, its
    // place and width did not. A line exactly as wide as its text may have
    // been widened to hold it; leave that to Qt's layout.
    QTextLayout *layout = block.layout();
    const int count = layout->lineCount();
    if (count == 0 || layout->textOption().textDirection() != block.textDirection())
        return false;
    struct Line {
        QPointF position;
        qreal width, ascent, descent, leading;
        int textStart, textLength;
    };
    QVarLengthArray<Line, 32> lines;
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (!(line.naturalTextWidth() < line.width()))
            return false;
        lines.append({line.position(), line.width(), line.ascent(), line.descent(), line.leading(), line.textStart(),
                      line.textLength()});
    }

    // Break the paragraph into lines again at the same widths, as Qt's
    // layout does; each line must come out as tall as before.
    bool same = true;
    int n = 0;
    layout->beginLayout();
    while (same) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        if (n == count) {
            same = false;
            break;
        }
        const Line &was = lines[n++];
        line.setLeadingIncluded(true);
        line.setLineWidth(was.width);
        same = line.naturalTextWidth() < was.width && line.ascent() == was.ascent && line.descent() == was.descent
            && line.leading() == was.leading;
        line.setPosition(was.position);
    }
    layout->endLayout();
    if (!same || n != count)
        return false;  // Qt's layout lays the paragraph out again from scratch

    if (growth != 0)
        m_staleStart = start;
    m_staleGrowth += growth;
    if (m_staleGrowth == 0)
        m_staleStart = -1;

    // Repaint the lines that show something else now, the full width: those
    // that hold changed text, and those whose text moved to or from another
    // line. Typing at the end of a paragraph changes its last line only.
    const int changeStart = from - start;
    const int changeEnd = changeStart + length;
    QRectF dirty;
    qreal tallest = 0;
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        const int lineStart = line.textStart();
        const int lineEnd = lineStart + line.textLength();
        const Line &was = lines[i];
        const bool changed = lineStart <= changeEnd && lineEnd >= changeStart;
        const bool moved = lineEnd < changeStart ? lineStart != was.textStart || lineEnd - lineStart != was.textLength
                                                 : lineStart != was.textStart + growth || lineEnd - lineStart != was.textLength;
        if (changed || moved)
            dirty |= line.rect();
        tallest = std::max(tallest, line.height());
    }
    if (dirty.isValid()) {
        // In document coordinates, with a little of the lines above and below
        // for marks that reach beyond their line.
        const QPointF at = blockBoundingRect(block).topLeft() - layout->boundingRect().topLeft();
        dirty.translate(at);
        Q_EMIT update(QRectF(0, dirty.top() - tallest / 4, qreal(INT_MAX), dirty.height() + tallest / 2));
    }
    return true;
}

void DocumentLayout::layOutFully(int from, int oldLength, int length)
{
    if (m_staleStart >= 0) {
        // Qt's layout restarts from its last checkpoint before `from`; those
        // after the paragraph laid out in place lag behind the text. Restart
        // from that paragraph instead: with the change itself when the change
        // lies in it, else in a pass of its own.
        if (from > m_staleStart) {
            if (document()->findBlock(from).position() == m_staleStart) {
                const int back = from - m_staleStart;
                from = m_staleStart;
                oldLength += back;
                length += back;
            } else {
                // Its first character counts as changed: an empty change at
                // the very start would mark nothing for layout.
                QTextDocumentLayout::documentChanged(m_staleStart, 1, 1);
            }
        }
        m_staleStart = -1;
        m_staleGrowth = 0;
    }
    QTextDocumentLayout::documentChanged(from, oldLength, length);
}

} // namespace kalamora::textengine
