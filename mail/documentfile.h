#pragma once

#include <QString>

class QTextDocument;

namespace mail {

// Reads a document file into `doc`, by its extension as the Open command
// does: RTF, HTML or plain text (Windows-1252 bytes, the glyph codes).
// False with `error` set when the file cannot be read.
bool loadDocumentFile(const QString &path, QTextDocument &doc, QString *error);

} // namespace mail
