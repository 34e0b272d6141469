#pragma once

#include "document/pagesetup.h"

#include <QString>

class QPageLayout;
class QPagedPaintDevice;
class QPainter;
class QPointF;
class QTextDocument;

namespace kalamora::document {

// A document's sheets as they print, on any painter: a printer, a PDF
// file, the print preview's picture. `doc` gives the headers and footers,
// `paged` (pagedCopy of `doc` for `setup`) the body laid out on its pages,
// `pages` how many pages there are (what "page X of Y" counts).
struct Sheets {
    const QTextDocument *doc = nullptr;
    const QTextDocument *paged = nullptr;
    PageSetup setup;
    int pages = 1;
};

// The paper of a sheet for a printer or a PDF writer: the page's size, in
// points, and no margins (the sheet draws its own).
QPageLayout sheetLayout(const PageSetup &setup);

// Draws page `page` (from 1) at `zoom` percent of its real size, its top
// left corner at the painter's origin, at the resolution of the painter's
// device: the body's lines that stand on that page (pageband.h) and the
// header and footer it shows, with their page numbers.
void drawSheet(QPainter &p, const Sheets &sheets, int page, int zoom = 100);

// The header and footer alone that page `page` (from 1) of `pages` shows,
// on a sheet of `setup` whose top left corner stands at `corner`; the
// painter works in document units. The page view draws the body itself.
void drawSheetStories(QPainter &p, const QTextDocument &doc, const PageSetup &setup, int page, int pages,
                      const QPointF &corner);

// Pages first..last, `copies` times one after the other, one sheet of
// `device` each at their real size; `p` is already painting on `device`.
// False with `error` set when the device does not start a new sheet.
bool drawSheets(QPagedPaintDevice &device, QPainter &p, const Sheets &sheets, int first, int last, int copies,
                QString *error = nullptr);

// Writes every page to a PDF file as it prints, with the fonts it uses
// embedded, titled after the file. The file is replaced only once it is
// whole; false with `error` set when it cannot be written.
bool writePdf(const Sheets &sheets, const QString &path, QString *error = nullptr);
// The same for a document and its page setup, laid out on its pages here.
bool writePdf(const QTextDocument &doc, const PageSetup &setup, const QString &path, QString *error = nullptr);

} // namespace kalamora::document
