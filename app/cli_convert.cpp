// kalamora convert: a document loaded and saved through the document
// library, optionally turned between Kruti Dev glyph text and Unicode; a PDF
// is printed through the text-engine control.
#include "commands.h"
#include "filecommands.h"

#include "conversion.h"
#include "documentfile.h"
#include "gui.h"
#include "printing.h"
#include "textcontrol.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextDocument>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const char convertUsage[] =
    "usage: kalamora convert [--to-unicode|--to-kruti] IN OUT\n"
    "Loads IN as the Open command does (by its ending: RTF, TXT, HTM or HTML;\n"
    "anything else as plain text) and writes OUT by its extension:\n"
    ".rtf, .txt, .htm or .html, or .pdf as it prints.\n"
    "  --to-unicode  Kruti Dev glyph text (runs in a Glyphora or Kruti Dev\n"
    "                font, or the whole of a plain-text file) to Unicode\n"
    "  --to-kruti    Unicode Devanagari to glyph text in Glyphora 010\n";

int fail(const std::string &message)
{
    std::fprintf(stderr, "kalamora convert: %s\n", message.c_str());
    return 1;
}

int badArguments(const std::string &message)
{
    std::fprintf(stderr, "kalamora convert: %s\n%s", message.c_str(), convertUsage);
    return 2;
}

} // namespace

int runConvert(int argc, char **argv)
{
    std::optional<textengine::Conversion> conversion;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsDone && (arg == "--help" || arg == "-h")) {
            std::fputs(convertUsage, stdout);
            return 0;
        }
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && (arg == "--to-unicode" || arg == "--to-kruti")) {
            const auto chosen = arg == "--to-unicode" ? textengine::Conversion::ToUnicode
                                                      : textengine::Conversion::ToKruti;
            if (conversion && *conversion != chosen)
                return badArguments("--to-unicode and --to-kruti exclude each other");
            conversion = chosen;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return badArguments("unknown option " + std::string(arg));
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.size() != 2)
        return badArguments("IN and OUT are needed");
    const QString in = QString::fromLocal8Bit(files[0]);
    const QString out = QString::fromLocal8Bit(files[1]);
    const QString suffix = QFileInfo(out).suffix().toLower();
    int outFormat;
    if (suffix == u"rtf"_s)
        outFormat = textengine::TextControl::FormatRtf;
    else if (suffix == u"txt"_s)
        outFormat = textengine::TextControl::FormatText;
    else if (suffix == u"htm"_s || suffix == u"html"_s)
        outFormat = textengine::TextControl::FormatHtml;
    else if (suffix == u"pdf"_s)
        outFormat = 0; // as it prints
    else
        return badArguments("OUT must end in .rtf, .txt, .htm, .html or .pdf");

    // Headless: the document needs a GUI application (fonts), but no
    // display; only printing a PDF needs the control, and with it widgets.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    const int format = FileCommands::formatForName(in);
    if (outFormat == 0) {
        QApplication app(appArgc, argv);
        // The program's own font is embedded in a PDF like any other.
        kalamora::registerProgramFont();
        textengine::TextControl control;
        if (!control.Load(in, 0, format))
            return fail(control.errorString().toStdString());
        if (conversion)
            textengine::convertDocument(*control.document(), *conversion,
                                        format == textengine::TextControl::FormatText);
        QString error;
        if (!format::exportPdf(control, out, &error))
            return fail(error.toStdString());
        return 0;
    }

    QGuiApplication app(appArgc, argv);
    QTextDocument doc;
    textengine::PageSetup page;
    QString error;
    if (!textengine::loadDocumentFile(doc, page, in, format, &error))
        return fail(error.toStdString());
    if (conversion)
        textengine::convertDocument(doc, *conversion, format == textengine::FileText);
    int pages = 1;
    if (outFormat == textengine::FileHtml)
        pages = std::max(1, std::unique_ptr<QTextDocument>(textengine::pagedCopy(doc, page, nullptr))->pageCount());
    QByteArray data;
    if (!textengine::encodeDocument(doc, page, outFormat, pages, data, &error)
        || !textengine::writeFileBytes(out, 0, data, &error))
        return fail(error.toStdString());
    return 0;
}
