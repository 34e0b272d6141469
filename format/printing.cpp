#include "format/printing.h"

#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace kalamora::kalamora::format {

namespace {

// Pages print at their real size whatever the preview last set; the
// preview's scale is put back afterwards.
class RealSize {
public:
    explicit RealSize(textengine::TextControl &text)
        : m_text(text)
        , m_zoom(text.PrintZoom())
    {
        m_text.setPrintZoom(100);
    }
    ~RealSize()
    {
        m_text.setPrintZoom(m_zoom);
        m_text.setPrintPainter(nullptr);
        m_text.setPrintDevice(nullptr);
    }

private:
    textengine::TextControl &m_text;
    int m_zoom;
};

QPageLayout pageLayoutOf(const textengine::TextControl &text)
{
    const QPageSize size(QSizeF(text.PageWidth() / 20.0, text.PageHeight() / 20.0), QPageSize::Point, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point,
                       QMarginsF(0, 0, 0, 0));
}

bool drawPages(textengine::TextControl &text, QPagedPaintDevice &device, QPainter &painter, int first, int last,
               int copies, QString *error)
{
    RealSize realSize(text);
    text.setPrintPainter(&painter);
    bool firstSheet = true;
    for (int copy = 1; copy <= copies; ++copy) {
        for (int page = first; page <= last; ++page) {
            if (!firstSheet && !device.newPage()) {
                if (error)
                    *error = u"The printer did not start a new page"_s;
                return false;
            }
            firstSheet = false;
            if (!text.PrintPage(page)) {
                if (error)
                    *error = text.errorString();
                return false;
            }
        }
    }
    return true;
}

} // namespace

void preparePrinter(QPrinter &printer, const textengine::TextControl &text)
{
    // The paper is the document's; which way it lies is Print Setup's.
    const QPageLayout::Orientation orientation = printer.pageLayout().orientation();
    printer.setFullPage(true);
    QPageLayout layout = pageLayoutOf(text);
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
    const bool ok = drawPages(text, printer, painter, first, last, copies, error);
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
        pdf.setPageLayout(pageLayoutOf(text));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            if (error)
                *error = u"The PDF file could not be started"_s;
            file.cancelWriting();
            return false;
        }
        ok = drawPages(text, pdf, painter, 1, text.CurrentPages(), 1, error);
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

} // namespace kalamora::kalamora::format
