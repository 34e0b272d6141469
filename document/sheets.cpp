#include "document/sheets.h"

#include "document/documentfile.h"
#include "document/pageband.h"
#include "document/stories.h"
#include "document/units.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <memory>

using namespace Qt::StringLiterals;

namespace kalamora::document {

QPageLayout sheetLayout(const PageSetup &setup)
{
    const QPageSize size(QSizeF(setup.width / 20.0, setup.height / 20.0), QPageSize::Point, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point,
                       QMarginsF(0, 0, 0, 0));
}

void drawSheet(QPainter &p, const Sheets &sheets, int page, int zoom)
{
    const PageSetup &s = sheets.setup;
    const QPaintDevice *dev = p.device();
    const double scale = zoom / 100.0;
    const double perTwipX = dev->logicalDpiX() / 1440.0 * scale;
    const double perTwipY = dev->logicalDpiY() / 1440.0 * scale;
    const double unitsPerTwip = twipsToUnits(1.0);
    const QSizeF size = sheets.paged->pageSize();

    p.save();
    p.translate(s.marginL * perTwipX, s.marginT * perTwipY);
    p.scale(perTwipX / unitsPerTwip, perTwipY / unitsPerTwip);
    p.setClipRect(QRectF(QPointF(0, 0), size));
    p.translate(0, -(page - 1) * size.height());
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, (page - 1) * size.height(), size.width(), size.height());
    ctx.palette.setColor(QPalette::Text, Qt::black);
    drawDocumentBand(*sheets.paged, p, ctx);
    p.restore();
    p.save();
    p.scale(perTwipX / unitsPerTwip, perTwipY / unitsPerTwip);
    drawSheetStories(p, *sheets.doc, s, page, sheets.pages, QPointF(0, 0));
    p.restore();
}

void drawSheetStories(QPainter &p, const QTextDocument &doc, const PageSetup &setup, int page, int pages,
                      const QPointF &corner)
{
    drawPageStories(p, doc, QRectF(corner, QSizeF(twipsToUnits(setup.width), twipsToUnits(setup.height))),
                    twipsToUnits(setup.marginL), twipsToUnits(setup.marginR), page, pages);
}

bool drawSheets(QPagedPaintDevice &device, QPainter &p, const Sheets &sheets, int first, int last, int copies,
                QString *error)
{
    bool firstSheet = true;
    for (int copy = 1; copy <= copies; ++copy) {
        for (int page = first; page <= last; ++page) {
            if (!firstSheet && !device.newPage()) {
                if (error)
                    *error = u"The printer did not start a new page"_s;
                return false;
            }
            firstSheet = false;
            drawSheet(p, sheets, page);
        }
    }
    return true;
}

bool writePdf(const Sheets &sheets, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    bool ok;
    {
        QPdfWriter pdf(&file);
        pdf.setCreator(u"Kalamora"_s);
        pdf.setTitle(QFileInfo(path).completeBaseName());
        pdf.setResolution(1200);
        pdf.setPageLayout(sheetLayout(sheets.setup));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            if (error)
                *error = u"The PDF file could not be started"_s;
            file.cancelWriting();
            return false;
        }
        ok = drawSheets(pdf, painter, sheets, 1, sheets.pages, 1, error);
        painter.end();
    }
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writePdf(const QTextDocument &doc, const PageSetup &setup, const QString &path, QString *error)
{
    const std::unique_ptr<QTextDocument> paged(pagedCopy(doc, setup, nullptr));
    return writePdf(Sheets{&doc, paged.get(), setup, std::max(1, paged->pageCount())}, path, error);
}

} // namespace kalamora::document
