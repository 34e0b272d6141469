#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace kalamora::textengine {
class TextControl;
} // namespace kalamora::textengine

namespace kalamora::format {

// Sets the printer's paper to the control's page size, with the page's
// origin at the paper's corner (the control draws its own margins); the
// orientation stays the one Print Setup chose.
void preparePrinter(QPrinter &printer, const textengine::TextControl &text);

// Prints pages first..last of the control, `copies` times, one printer page
// each, at their real size. Returns false (with `error` set) when the
// printer cannot be opened or a page cannot be drawn.
bool printPages(textengine::TextControl &text, QPrinter &printer, int first, int last, int copies,
                QString *error = nullptr);

// The print command: shows the print dialog (through textengine::runDialog,
// so a test can answer it) for the whole document, with a choice of pages
// when `pageRange` is set, then prints what it chose. A cancelled dialog
// prints nothing and returns false; so does a failure, reported through
// textengine::showMessage.
bool PrintDocument(QWidget *parent, textengine::TextControl &text, QPrinter &printer, bool pageRange);

// File > Print Setup...: the printer's page setup dialog; Cancel changes
// nothing. Returns whether it was confirmed.
bool PrintSetup(QWidget *parent, QPrinter &printer);

// A printer of the system's default, or a PDF file in the user's documents
// folder when the system has no printer.
void chooseDefaultOutput(QPrinter &printer, const QString &documentName);

// Writes every page of the control to a PDF file as it prints, with the
// fonts it uses embedded (document::writePdf). The file is replaced only
// once it is whole.
bool exportPdf(textengine::TextControl &text, const QString &path, QString *error = nullptr);

} // namespace kalamora::format
