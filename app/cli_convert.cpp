// kalamora convert: a document loaded and saved through the document
// library, optionally turned between Kruti Dev glyph text and Unicode, or
// printed to a PDF file by the library's sheet painter.
#include "app/commandline.h"
#include "app/commands.h"
#include "app/filecommands.h"

#include "app/gui.h"
#include "document/conversion.h"
#include "document/documentfile.h"
#include "document/sheets.h"

#include <QGuiApplication>
#include <QFileInfo>
#include <QTextDocument>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const char convertUsage[] =
    "usage: kalamora convert [--to-unicode|--to-kruti] IN OUT\n"
    "Loads IN as the Open command does (by its ending: RTF, TXT, HTM or HTML;\n"
    "anything else as plain text) and writes OUT by its extension:\n"
    ".rtf, .txt, .htm or .html, or .pdf as it prints.\n"
    "  --to-unicode  Kruti Dev glyph text (runs in a Glyphora or Kruti Dev\n"
    "                font, or the whole of a plain-text file) to Unicode\n"
    "  --to-kruti    Unicode Devanagari to glyph text in Glyphora 010\n";

} // namespace

int runConvert(int argc, char **argv)
{
    kalamora::CommandLine line("kalamora convert", convertUsage, kalamora::CommandLine::Usage::AfterErrors,
                               {u"to-unicode"_s, u"to-kruti"_s}, {});
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    std::optional<document::Conversion> conversion;
    if (const std::optional<int> status = line.exclusive(u"to-unicode"_s, u"to-kruti"_s))
        return *status;
    if (line.isSet(u"to-unicode"_s))
        conversion = document::Conversion::ToUnicode;
    else if (line.isSet(u"to-kruti"_s))
        conversion = document::Conversion::ToKruti;
    const QStringList files = line.positional();
    if (files.size() != 2)
        return line.bad("IN and OUT are needed");
    const QString in = kalamora::CommandLine::toText(files[0]);
    const QString out = kalamora::CommandLine::toText(files[1]);
    const QString suffix = QFileInfo(out).suffix().toLower();
    int outFormat;
    if (suffix == u"rtf"_s)
        outFormat = document::FileRtf;
    else if (suffix == u"txt"_s)
        outFormat = document::FileText;
    else if (suffix == u"htm"_s || suffix == u"html"_s)
        outFormat = document::FileHtml;
    else if (suffix == u"pdf"_s)
        outFormat = 0; // as it prints
    else
        return line.bad("OUT must end in .rtf, .txt, .htm, .html or .pdf");

    // Headless: the document needs a GUI application (fonts), but no
    // display and no widgets.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    const int format = FileCommands::formatForName(in);
    QGuiApplication app(appArgc, argv);
    // The program's own font is embedded in a PDF like any other.
    if (outFormat == 0)
        kalamora::registerProgramFont();
    QTextDocument doc;
    document::PageSetup page;
    QString error;
    if (!document::loadDocumentFile(doc, page, in, format, &error))
        return line.fail(error.toStdString());
    if (conversion)
        document::convertDocument(doc, *conversion, format == document::FileText);
    if (outFormat == 0) {
        if (!document::writePdf(doc, page, out, &error))
            return line.fail(error.toStdString());
        return 0;
    }
    int pages = 1;
    if (outFormat == document::FileHtml)
        pages = std::max(1, std::unique_ptr<QTextDocument>(document::pagedCopy(doc, page, nullptr))->pageCount());
    QByteArray data;
    if (!document::encodeDocument(doc, page, outFormat, pages, data, &error)
        || !document::writeFileBytes(out, 0, data, &error))
        return line.fail(error.toStdString());
    return 0;
}

} // namespace kalamora
