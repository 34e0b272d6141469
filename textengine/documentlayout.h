#pragma once

#include <QtGui/private/qtextdocumentlayout_p.h>

#include <algorithm>

namespace kalamora::textengine {

// The control's document layout: Qt's own, except that an edit inside one
// paragraph whose lines keep their number and heights is laid out in place.
//
// Qt's layout answers every change by walking the document from the change
// to its end: it moves each later paragraph and, in page view, lays out
// again each paragraph that crosses a page boundary. A key typed in the
// middle of a long document thus costs time in proportion to what follows
// it. When the edited paragraph keeps the geometry of its lines, nothing
// after it moves: this layout breaks the paragraph into lines again at the
// widths and places it had, and repaints only that paragraph. Anything else
// (a line more or less, a taller line, a paragraph break, a table cell,
// floating frames, a layout still in progress) goes to Qt's layout.
//
// Qt's layout remembers document positions of a few paragraphs as
// checkpoints to restart from. An edit laid out in place moves the
// positions after it without telling it; the next change handed to Qt's
// layout starts again from before the edited paragraph, which renews them.
// Until then the positions only ever lag behind the text (insertions), never
// run ahead of it, so drawing and hit testing, which start their search at a
// checkpoint, still find every paragraph.
class DocumentLayout : public QTextDocumentLayout {
    Q_OBJECT
public:
    explicit DocumentLayout(QTextDocument *document);

    // The pages laid out so far, without waiting for the rest of a long
    // document (ensureLayouted(y) lays it out down to y first), and its
    // size, the height estimated from the part done as QTextEdit does.
    int pagesSoFar() const { return std::max(1, dynamicPageCount()); }
    QSizeF sizeSoFar() const;

    // Changes laid out in place, and changes handed to Qt's layout.
    int inPlaceCount() const { return m_inPlace; }
    int fullCount() const { return m_full; }

protected:
    void documentChanged(int from, int oldLength, int length) override;

private:
    bool layOutInPlace(int from, int length, int delta);
    void layOutFully(int from, int oldLength, int length);

    int m_blocks = -1;      // the document's paragraphs and characters at
    int m_characters = -1;  // the last change
    // The paragraph laid out in place since Qt's layout last ran, and by how
    // many characters it grew; -1 and 0 when none.
    int m_staleStart = -1;
    int m_staleGrowth = 0;
    int m_inPlace = 0;
    int m_full = 0;
};

} // namespace kalamora::textengine
