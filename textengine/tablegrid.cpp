#include "textengine/tablegrid.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace kalamora::textengine {

namespace {

void collectTables(QTextFrame *frame, QList<QTextTable *> &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *t = qobject_cast<QTextTable *>(child))
            out.append(t);
        collectTables(child, out);
    }
}

bool hasBorder(const QTextTableCellFormat &f)
{
    return f.topBorder() > 0 || f.leftBorder() > 0 || f.bottomBorder() > 0 || f.rightBorder() > 0;
}

} // namespace

QList<QTextTable *> tablesOf(QTextDocument *doc)
{
    QList<QTextTable *> tables;
    collectTables(doc->rootFrame(), tables);
    return tables;
}

void drawTableGridLines(QPainter &p, QTextDocument *doc, const QRectF &clip)
{
    const QList<QTextTable *> tables = tablesOf(doc);
    if (tables.isEmpty())
        return;
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    p.save();
    p.setClipRect(clip, Qt::IntersectClip);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0, Qt::DotLine));
    for (QTextTable *t : tables) {
        if (t->format().border() > 0 || !layout->frameBoundingRect(t).intersects(clip))
            continue;
        const double pad = t->format().cellPadding();
        for (int r = 0; r < t->rows(); ++r) {
            for (int col = 0; col < t->columns(); ++col) {
                const QTextTableCell cell = t->cellAt(r, col);
                if (cell.row() != r || cell.column() != col || hasBorder(cell.format().toTableCellFormat()))
                    continue;
                QRectF rect;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (it.currentBlock().isValid())
                        rect = rect.united(layout->blockBoundingRect(it.currentBlock()));
                }
                if (!rect.isNull())
                    p.drawRect(rect.adjusted(-pad, -pad, pad, pad));
            }
        }
    }
    p.restore();
}

} // namespace kalamora::textengine
