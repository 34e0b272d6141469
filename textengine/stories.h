#pragma once

class QPainter;
class QPointF;
class QRectF;
class QTextDocument;

namespace textengine {

class TextControl;

// Lets a document lay out and draw the characters that stand for footnote
// marks (the note's number, raised) and fields (their text), the objects
// documentmodel.h names. Any number of calls.
void registerStructureObjects(QTextDocument *doc);

// Draws the header and the footer that page `page` (from 1) of `pages`
// shows, on a sheet `sheet` whose text stands `marginL` and `marginR` in
// from its sides; the painter works in document units.
void drawPageStories(QPainter &p, const QTextDocument &doc, const QRectF &sheet, double marginL, double marginR,
                     int page, int pages);

// The same for a page of the control, the sheet's top left corner at
// `corner` (pages.cpp).
void drawPageStories(QPainter &p, const TextControl &text, int page, const QPointF &corner);

} // namespace textengine
