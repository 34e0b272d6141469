// kalamora mime: the mail text that the HTML conversion and the message
// layouts make of a document, on standard output.
#include "app/commandline.h"
#include "app/commands.h"

#include "document/documentfile.h"
#include "mail/htmlparse.h"
#include "mail/mailtext.h"

#include "settings/mailsettings.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace kalamora {

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

} // namespace

int runMime(int argc, char **argv)
{
    kalamora::CommandLine line("kalamora mime", mimeUsage, kalamora::CommandLine::Usage::AfterErrors,
                               {u"omit-headers"_s, u"attach-font"_s}, {u"subject"_s});
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    const bool omitHeaders = line.isSet(u"omit-headers"_s);
    const bool attachFont = line.isSet(u"attach-font"_s);
    const QString subject = line.text(u"subject"_s);
    std::optional<QString> given;
    if (const std::optional<int> status = line.atMostOnePositional(&given, "only one input file"))
        return *status;
    if (!line.isSet(u"subject"_s))
        return line.bad("--subject is required");
    const QString input = given ? kalamora::CommandLine::toText(*given) : QString();
    if (input.isEmpty())
        return line.bad("no input file");

    const auto app = kalamora::CommandLine::headlessApplication(argv);
    QTextDocument doc;
    if (!line.readDocument(input, doc))
        return 1;
    HTMLParse parse(subject, [](const QString &title, const QString &text) {
        QString line = text;
        line.replace(u"\r\n"_s, u": "_s);
        std::fprintf(stderr, "kalamora mime: %s: %s\n", title.toLocal8Bit().constData(), line.toLocal8Bit().constData());
    }, mail::bodyOptions(kalamora::MailSettings::read()));
    const QByteArray out = mail::encodeMailText(parse.ParseHTML(doc, omitHeaders, attachFont));
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace kalamora
