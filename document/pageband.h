#pragma once

#include <QAbstractTextDocumentLayout>

class QPainter;
class QTextDocument;

namespace kalamora::document {

// Draws the part of a paginated document that `context.clip` covers (one
// page, in document units) with `painter`, whose transform maps document
// units to its device and whose clip keeps the drawing on the sheet.
//
// QTextDocumentLayout draws whole lines around its clip rectangle: the line
// that stands just above it and one that starts at its bottom edge. A clip
// on the painter hides them, but printers and PDF files still receive their
// text, so a PDF page would hold text of its neighbours. Here a line's text
// goes out only on the page that holds its baseline, and anything else that
// lies wholly outside the band is left out; what reaches into the band is
// drawn as the layout draws it.
void drawDocumentBand(const QTextDocument &doc, QPainter &painter,
                      const QAbstractTextDocumentLayout::PaintContext &context);

} // namespace kalamora::document
