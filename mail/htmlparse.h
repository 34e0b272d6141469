#pragma once

#include "settings/mailsettings.h"

#include <QString>

#include <functional>

class QTextCharFormat;
class QTextDocument;

namespace kalamora {

namespace mail {

// What the user's mail settings say about a mail body; the caller reads them
// (see kalamora::MailSettings) and the defaults are the settings' own.
struct BodyOptions {
    bool fontInfo = true;   // the notice that tells readers about the font
    bool attachFont = true; // a font file may go with the mail
};

inline BodyOptions bodyOptions(const kalamora::MailSettings &settings)
{
    return {settings.fontInfo, settings.attachFont};
}

} // namespace mail

// Turns a document into an HTML mail text: mail header lines (unless only the
// HTML is wanted), a notice for readers without the Devanagari font, and the
// document as HTML in which only the font face and size of each run survive.
// One object serves one conversion.
class HTMLParse {
public:
    // Shows one of the font-file messages (title "Font File Missing"); the
    // mail window puts it in a message box, headless callers print it.
    using Notify = std::function<void(const QString &title, const QString &text)>;

    // The format of one run of text: what IsSameRun compares. Only the size
    // and the face ever reach the HTML.
    struct RunFormat {
        QString fontName;
        double pointSize = 0;   // as the document holds it
        qint16 fontSize = 0;    // whole points (fraction dropped), compared
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeThru = false;
    };

    explicit HTMLParse(QString subject = {}, Notify notify = {}, mail::BodyOptions options = {});

    // Converts `box` into the mail text and returns it. The font layout is
    // chosen when both `attachFont` and the options' attachFont are true.
    // Paragraph ends come out as CR + "<br>"; the document is not changed.
    QString ParseHTML(const QTextDocument &box, bool omitHeaders, bool attachFont);

    bool attachFont() const { return m_attachFont; }
    bool omitHeaders() const { return m_omitHeaders; }
    void setAttachFont(bool on) { m_attachFont = on; }
    void setOmitHeaders(bool on) { m_omitHeaders = on; }

    // The operations ParseHTML is made of, open to the message builders'
    // callers and to tests.
    static QString EscapeEntities(const QString &text);
    static QString FontSizeValue(const RunFormat &run);
    QString FontFaceAttribute(const RunFormat &run) const;
    // True when `run` has the remembered face, whole size and attributes.
    bool IsSameRun(const RunFormat &run) const;
    void RememberRun(const RunFormat &run) { m_run = run; }

    // The message layouts around a converted body (see mailcompose.cpp).
    QString ComposeMessage(const QString &body);
    QString ComposeSimpleMessage(const QString &body);
    QString ComposeFontMessage(const QString &body);

    // The format of a character as the document resolves it against its
    // default font.
    static RunFormat runFormat(const QTextCharFormat &format, const QTextDocument &doc);

    // True when FNT.ATT, the font file's prepared base64 text, is in the
    // program folder.
    static bool fontAttachmentAvailable();

private:
    void notify(const QString &title, const QString &text) const;

    QString m_subject;
    Notify m_notify;
    mail::BodyOptions m_options;
    RunFormat m_run;
    bool m_attachFont = false;
    bool m_omitHeaders = false;
};

} // namespace kalamora
