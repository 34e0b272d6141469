#pragma once

#include "document/rtf/rtfmodel.h"

#include <memory>

class QPainter;
class QString;
class QTextFormat;
class QRectF;
class QTextDocument;

namespace kalamora::document {

// Lets a document lay out and draw the characters that stand for footnote
// marks (the note's number, raised) and fields (their text), the objects
// documentmodel.h names. Any number of calls.
void registerStructureObjects(QTextDocument *doc);

// Draws the header and the footer that page `page` (from 1) of `pages`
// shows, on a sheet `sheet` whose text stands `marginL` and `marginR` in
// from its sides; the painter works in document units.
void drawPageStories(QPainter &p, const QTextDocument &doc, const QRectF &sheet, double marginL, double marginR,
                     int page, int pages);

// What the mark of the `n`th numbered footnote (or endnote) shows.
QString noteNumber(int n, bool endnote);

// The header or footer of `kind` that page `page` (from 1) of `pages`
// shows, as a document of its own with its page numbers filled in; null
// when the page has none.
std::unique_ptr<QTextDocument> pageStory(const QTextDocument &doc, rtf::HeaderFooter::Kind kind, int page, int pages);

// The paragraphs of the footnote whose mark carries `mark`, as a document
// of its own in the default font of `doc`.
std::unique_ptr<QTextDocument> noteStory(const QTextDocument &doc, const QTextFormat &mark);

} // namespace kalamora::document
