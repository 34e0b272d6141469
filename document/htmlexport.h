#pragma once

#include "document/pagesetup.h"

#include <QByteArray>

class QTextDocument;

namespace kalamora::document {

// The document as an HTML page (UTF-8) that carries everything it shows:
// its pictures and objects are embedded as data: URIs, so that the one file
// shows them in any browser, and the page size and margins are given to the
// browser for printing (@page). The first page's header stands at the top,
// the last page's footer (of `pages`) at the bottom, and the footnotes and
// endnotes are numbered lists after the text, linked with their marks.
QByteArray documentHtml(const QTextDocument &doc, const PageSetup &page, int pages = 1);

} // namespace kalamora::document
