#include "format/printing.h"

#include "document/sheets.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace kalamora::format {

void preparePrinter(QPrinter &printer, const textengine::TextControl &text)
{
    // The paper is the document's; which way it lies is Print Setup's.
    const QPageLayout::Orientation orientation = printer.pageLayout().orientation();
    printer.setFullPage(true);
    QPageLayout layout = document::sheetLayout(text.pageSetup());
    layout.setOrientation(orientation);
    printer.setPageLayout(layout);
}

bool printPages(textengine::TextControl &text, QPrinter &printer, int first, int last, int copies,
                QString *error)
{
    const int pages = text.CurrentPages();
    first = std::max(first, 1);
    last = std::min(last, pages);
    if (first > last || copies < 1) {
        if (error)
            *error = u"There are no pages to print"_s;
        return false;
    }
    preparePrinter(printer, text);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = u"The printer could not be opened"_s;
        return false;
    }
    // At their real size, whatever scale the preview last drew them at.
    const bool ok = document::drawSheets(printer, painter, text.sheets(), first, last, copies, error);
    painter.end();
    return ok;
}

void chooseDefaultOutput(QPrinter &printer, const QString &documentName)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty() && printer.outputFormat() == QPrinter::NativeFormat)
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printer.outputFileName().isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        QString base = QFileInfo(documentName).completeBaseName();
        if (base.isEmpty())
            base = u"Document"_s;
        printer.setOutputFileName(QDir(folder).filePath(base + u".pdf"_s));
    }
}

bool PrintDocument(QWidget *parent, textengine::TextControl &text, QPrinter &printer, bool pageRange)
{
    const int pages = text.CurrentPages();
    printer.setCopyCount(1);
    printer.setFromTo(1, pages);
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, pages);
    QAbstractPrintDialog::PrintDialogOptions options;
    if (pageRange)
        options |= QAbstractPrintDialog::PrintPageRange;
    // Printing to a file is offered only where there is no printer, as
    // the only way to print at all.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        options |= QAbstractPrintDialog::PrintToFile;
    dialog.setOptions(options);
    if (textengine::runDialog(&dialog) != QDialog::Accepted)
        return false;

    int first = 1, last = pages;
    if (pageRange && printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = printer.toPage() > 0 ? printer.toPage() : pages;
    }
    // The copies are printed here, one after the other, so the printer is
    // asked for one.
    const int copies = std::max(printer.copyCount(), 1);
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    QString error;
    if (!printPages(text, printer, first, last, copies, &error)) {
        textengine::showMessage(parent, QMessageBox::Warning, u"Print"_s,
                                u"The document could not be printed: %1"_s.arg(error));
        return false;
    }
    return true;
}

bool PrintSetup(QWidget *parent, QPrinter &printer)
{
    // The dialog works on a copy of the settings; they reach the printer
    // only on OK.
    QPrinter scratch(printer.outputFormat() == QPrinter::PdfFormat ? QPrinter::HighResolution
                                                                    : QPrinter::ScreenResolution);
    scratch.setOutputFormat(printer.outputFormat());
    scratch.setOutputFileName(printer.outputFileName());
    if (printer.outputFormat() == QPrinter::NativeFormat)
        scratch.setPrinterName(printer.printerName());
    scratch.setPageLayout(printer.pageLayout());
    QPageSetupDialog dialog(&scratch, parent);
    if (textengine::runDialog(&dialog) != QDialog::Accepted)
        return false;
    if (printer.outputFormat() == QPrinter::NativeFormat && !scratch.printerName().isEmpty())
        printer.setPrinterName(scratch.printerName());
    printer.setPageOrientation(scratch.pageLayout().orientation());
    return true;
}

bool exportPdf(textengine::TextControl &text, const QString &path, QString *error)
{
    return document::writePdf(text.sheets(), path, error);
}

} // namespace kalamora::format
