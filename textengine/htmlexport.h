#pragma once

#include "textcontrol.h"

#include <QByteArray>

class QTextDocument;

namespace textengine {

// The document as an HTML page (UTF-8) that carries everything it shows:
// its pictures and objects are embedded as data: URIs, so that the one file
// shows them in any browser, and the page size and margins are given to the
// browser for printing (@page).
QByteArray documentHtml(const QTextDocument &doc, const TextControl::PageSetup &page);

} // namespace textengine
