// kalamora mime: the mail text that the HTML conversion and the message
// layouts make of a document, on standard output.
#include "commands.h"

#include "frmmail.h"
#include "htmlparse.h"
#include "mailtext.h"
#include "textcontrol.h"

#include <QApplication>

#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

const char *const mimeUsage =
    "usage: kalamora mime [--omit-headers] [--attach-font] --subject S IN\n"
    "\n"
    "Prints the mail text made of the document IN (RTF, HTML or text) as the\n"
    "direct mail route builds it: header lines, the font notice (setting\n"
    "FntInfo) and the HTML body, quoted-printable in glyph codes (Windows-1252).\n"
    "\n"
    "  --omit-headers   only the HTML part as it is, in glyph-code bytes\n"
    "  --attach-font    the multipart layout with the font file FNT.ATT of the\n"
    "                   program folder (when the setting AttachFnt is Yes)\n"
    "  --subject S      the subject line\n";

int usageError(const char *message)
{
    std::fprintf(stderr, "kalamora mime: %s\n%s", message, mimeUsage);
    return 2;
}

} // namespace

int runMime(int argc, char **argv)
{
    bool omitHeaders = false;
    bool attachFont = false;
    bool haveSubject = false;
    QString subject;
    QString input;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(mimeUsage, stdout);
            return 0;
        }
        if (a == "--omit-headers") {
            omitHeaders = true;
        } else if (a == "--attach-font") {
            attachFont = true;
        } else if (a == "--subject") {
            if (++i >= argc)
                return usageError("--subject needs a value");
            subject = QString::fromLocal8Bit(argv[i]);
            haveSubject = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option");
        } else if (input.isEmpty()) {
            input = QString::fromLocal8Bit(argv[i]);
        } else {
            return usageError("only one input file");
        }
    }
    if (!haveSubject)
        return usageError("--subject is required");
    if (input.isEmpty())
        return usageError("no input file");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QApplication app(qargc, argv);

    textengine::TextControl box;
    QString error;
    if (!mail::loadDocumentFile(input, box, &error)) {
        std::fprintf(stderr, "kalamora mime: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    HTMLParse parse(subject, [](const QString &title, const QString &text) {
        QString line = text;
        line.replace(u"\r\n"_s, u": "_s);
        std::fprintf(stderr, "kalamora mime: %s: %s\n", title.toLocal8Bit().constData(), line.toLocal8Bit().constData());
    });
    const QByteArray out = mail::encodeMailText(parse.ParseHTML(*box.document(), omitHeaders, attachFont));
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
