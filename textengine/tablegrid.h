#pragma once

#include <QList>
#include <QRectF>

class QPainter;
class QTextDocument;
class QTextTable;

namespace kalamora::textengine {

// Every table of the document, nested ones included, in document order.
QList<QTextTable *> tablesOf(QTextDocument *doc);

// The screen-only grid: a dotted outline around every cell of a borderless
// table that has no border of its own. `p` paints in the document layout's
// coordinates; nothing is painted outside `clip` (layout coordinates too),
// and tables outside it are not looked at.
void drawTableGridLines(QPainter &p, QTextDocument *doc, const QRectF &clip);

} // namespace kalamora::textengine
