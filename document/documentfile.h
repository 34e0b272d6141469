#pragma once

#include "document/pagesetup.h"
#include "document/rtf/rtfmodel.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;
class QTextCursor;
class QTextDocument;

namespace kalamora::document {

// Loading and saving documents, without a control: the file formats'
// codes (those TextControl's Load and Save take), reading and writing a
// file from a byte offset on, and turning bytes into a QTextDocument and
// back. Each function that can fail returns false with `error` set.
enum FileFormat { FileText = 1, FileHtml = 4, FileRtf = 5 };

// The format of a file by its extension: .rtf, .htm or .html, anything
// else plain text.
int fileFormatForSuffix(const QString &path);

// The bytes of `file` from byte `offset` on.
bool readFileBytes(const QString &file, qint64 offset, QByteArray &bytes, QString *error);
// Writes `data` into `file` from byte `offset` on, keeping the bytes before
// it; the old file stays whole when the write fails.
bool writeFileBytes(const QString &file, qint64 offset, const QByteArray &data, QString *error);

// What a caller may have a load of a whole document do beside it: `ready`
// once the document is empty and the page setup taken, `step` after each
// paragraph or table, `beforeLayout` before the one layout at the end.
struct LoadHooks {
    std::function<void()> ready, step, beforeLayout;
};

// RTF bytes as the model; false when they are no RTF.
bool readRtf(const QByteArray &bytes, rtf::Document &model, QString *error);
// Replaces what `doc` holds with `model`, taking the page setup the model
// gives (within what a page can be) into `page`.
void loadRtf(QTextDocument &doc, PageSetup &page, const rtf::Document &model, const LoadHooks &hooks = {});

// Plain-text bytes as text (see plaintext.h for the encodings).
QString decodeText(const QByteArray &bytes);
// Replaces what `doc` holds with `text`, keeping the format at its start.
void loadText(QTextDocument &doc, const QString &text, const LoadHooks &hooks = {});

// HTML bytes as text. A page that names its character set other than
// Windows-1252 or Latin-1 is read in it; otherwise UTF-8 when the bytes are
// valid UTF-8, else Windows-1252 as this program maps it (glyph codes that
// code page leaves undefined stay as they are, where a strict decoder would
// lose them).
QString decodeHtml(const QByteArray &bytes);

// Writes text at the cursor, replacing its selection; line feeds, carriage
// returns (a CR LF pair once) and paragraph separators become paragraph
// breaks.
void writeText(QTextCursor &c, const QString &text);

// Replaces what `doc` holds with the bytes, or the file, in `format`.
bool loadDocument(QTextDocument &doc, PageSetup &page, const QByteArray &bytes, int format, QString *error);
bool loadDocumentFile(QTextDocument &doc, PageSetup &page, const QString &file, int format, QString *error);

// The document's text: a paragraph break, and the start and end of a table
// cell, read as a line feed.
QString documentText(const QTextDocument &doc);

// The document as the model the RTF writer takes.
rtf::Document documentModel(const QTextDocument &doc, const PageSetup &page);
// The document as RTF, as a plain-text file (CR LF line ends, no object
// characters) and as an HTML page of `pages` pages (htmlexport.h).
QByteArray documentRtf(const QTextDocument &doc, const PageSetup &page);
QByteArray documentTextFile(const QTextDocument &doc);

// A copy of `doc` laid out on the pages of `page` (the text area of each
// sheet), its margins those of the pages, not the screen's.
QTextDocument *pagedCopy(const QTextDocument &doc, const PageSetup &page, QObject *parent);

// The document's bytes in `format`, `pages` its number of pages.
bool encodeDocument(const QTextDocument &doc, const PageSetup &page, int format, int pages, QByteArray &data,
                    QString *error);

} // namespace kalamora::document
