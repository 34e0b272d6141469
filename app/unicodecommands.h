#pragma once

#include <QObject>
#include <QString>

class QTextDocument;
class QTextDocumentFragment;

namespace kalamora {

class frmMain;

// Getting Hindi out as Unicode and in from Unicode: File > Export As Unicode
// Text..., Edit > Copy As Unicode and File > Import Unicode Text.... Runs set
// in a font of the Kruti Dev encoding are converted; other text is kept.
class UnicodeCommands : public QObject {
    Q_OBJECT

public:
    explicit UnicodeCommands(frmMain *main);

    // The plain Unicode text of a document or of a piece of one.
    static QString unicodeText(const QTextDocument &document);
    static QString unicodeText(const QTextDocumentFragment &fragment);

    // Writes the active document as UTF-8 text to `path`, replacing the file
    // only once the new one is complete. False with `error` set on failure.
    bool exportTo(const QString &path, QString *error);
    // Opens a UTF-8 text as a new document in Kruti Dev glyphs set in the
    // Hindi font. False with `error` set when the file cannot be read.
    bool importFrom(const QString &path, QString *error);
    void copySelection();

private:
    void exportCommand();
    void importCommand();
    void withTextFile(bool save, const QString &title, const QString &failure,
                      bool (UnicodeCommands::*action)(const QString &, QString *));

    frmMain *m_main;
};

} // namespace kalamora
