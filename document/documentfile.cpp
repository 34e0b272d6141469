#include "document/documentfile.h"

#include "document/documentmodel.h"
#include "document/htmlexport.h"
#include "document/plaintext.h"
#include "document/stories.h"
#include "document/units.h"
#include "kruti/cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kalamora::document {

namespace {

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString fromUtf16(const std::u16string &text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

} // namespace

int fileFormatForSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"rtf"_s)
        return FileRtf;
    if (suffix == u"htm"_s || suffix == u"html"_s)
        return FileHtml;
    return FileText;
}

bool readFileBytes(const QString &file, qint64 offset, QByteArray &bytes, QString *error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(error, u"Cannot open %1: %2"_s.arg(file, f.errorString()));
    if (offset < 0 || (offset > 0 && !f.seek(offset)))
        return fail(error, u"Cannot read %1 from byte %2"_s.arg(file).arg(offset));
    bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return fail(error, u"Cannot read %1: %2"_s.arg(file, f.errorString()));
    return true;
}

bool writeFileBytes(const QString &file, qint64 offset, const QByteArray &data, QString *error)
{
    if (offset < 0)
        return fail(error, u"Cannot write %1 from byte %2"_s.arg(file).arg(offset));
    QByteArray prefix;
    if (offset > 0) {
        QFile old(file);
        if (old.open(QIODevice::ReadOnly))
            prefix = old.read(offset);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, u"Cannot write %1: %2"_s.arg(file, out.errorString()));
    // A write the disk takes only part of (full, or over the file size
    // limit) reports no error of its own: compare the counts. Without the
    // commit the old file stays as it was.
    if (out.write(prefix) != prefix.size() || out.write(data) != data.size())
        return fail(error, u"Cannot write %1: the disk took only part of it"_s.arg(file));
    if (!out.commit())
        return fail(error, u"Cannot write %1: %2"_s.arg(file, out.errorString()));
    return true;
}

bool readRtf(const QByteArray &bytes, rtf::Document &model, QString *error)
{
    const rtf::ReadResult r = rtf::read(std::string_view(bytes.constData(), size_t(bytes.size())), model,
                                        decodeCodePage);
    if (!r.ok)
        return fail(error, u"The file is not an RTF file (%1)"_s.arg(QString::fromStdString(r.error)));
    return true;
}

namespace {

void run(const std::function<void()> &hook)
{
    if (hook)
        hook();
}

} // namespace

void loadRtf(QTextDocument &doc, PageSetup &page, const rtf::Document &model, const LoadHooks &hooks)
{
    doc.setUndoRedoEnabled(false);
    doc.clear();
    const auto &p = model.page;
    const auto take = [](const std::optional<int> &v, int &into, int least) {
        if (v && *v >= least)
            into = std::min(*v, maxPageTwips);
    };
    take(p.width, page.width, 1);
    take(p.height, page.height, 1);
    take(p.marginL, page.marginL, 0);
    take(p.marginT, page.marginT, 0);
    take(p.marginR, page.marginR, 0);
    take(p.marginB, page.marginB, 0);
    run(hooks.ready);
    QTextCursor c(&doc);
    c.beginEditBlock();
    insertModel(model, c, hooks.step);
    run(hooks.beforeLayout);
    c.endEditBlock();
    doc.setUndoRedoEnabled(true);
}

QString decodeText(const QByteArray &bytes)
{
    return fromUtf16(plaintext::decode(std::string_view(bytes.constData(), size_t(bytes.size()))));
}

void loadText(QTextDocument &doc, const QString &text, const LoadHooks &hooks)
{
    const QTextCharFormat keep = QTextCursor(&doc).charFormat();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    run(hooks.ready);
    QTextCursor c(&doc);
    c.beginEditBlock();
    c.setCharFormat(keep);
    writeText(c, text);
    run(hooks.beforeLayout);
    c.endEditBlock();
    doc.setUndoRedoEnabled(true);
}

QString decodeHtml(const QByteArray &bytes)
{
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    const QByteArray head = bytes.left(2048).toLower();
    const qsizetype at = head.indexOf("charset");
    QStringDecoder named = QStringDecoder::decoderForHtml(bytes);
    const bool bom = view.substr(0, 3) == "\xEF\xBB\xBF" || view.substr(0, 2) == "\xFF\xFE"
        || view.substr(0, 2) == "\xFE\xFF";
    if (named.isValid() && (bom || at >= 0)) {
        const QByteArray tail = head.mid(at, 40);
        const bool western = tail.contains("1252") || tail.contains("8859-1") || tail.contains("latin1")
            || tail.contains("ascii");
        if (bom || !western)
            return named(bytes);
    }
    if (plaintext::isValidUtf8(view))
        return QString::fromUtf8(bytes);
    std::u16string t;
    t.reserve(view.size());
    for (char c : view)
        t.push_back(kruti::glyphToChar(static_cast<unsigned char>(c)));
    return fromUtf16(t);
}

void writeText(QTextCursor &c, const QString &text)
{
    if (c.hasSelection()) {
        // The new text takes the format of the first character it replaces,
        // as overtyping does; a selection from the start of the document
        // would otherwise fall back to the paragraph's default font.
        QTextCursor first(c.document());
        first.setPosition(c.selectionStart());
        first.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat format = first.charFormat();
        c.removeSelectedText();
        c.setCharFormat(format);
    }
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        const bool end = i == n;
        const QChar ch = end ? QChar() : text.at(i);
        if (!end && ch != u'\n' && ch != u'\r' && ch != QChar::ParagraphSeparator)
            continue;
        if (i > start)
            c.insertText(text.mid(start, i - start));
        if (end)
            break;
        if (ch == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        c.insertBlock();
        start = i + 1;
    }
}

bool loadDocument(QTextDocument &doc, PageSetup &page, const QByteArray &bytes, int format, QString *error)
{
    switch (format) {
    case FileRtf: {
        rtf::Document model;
        if (!readRtf(bytes, model, error))
            return false;
        loadRtf(doc, page, model);
        return true;
    }
    case FileText:
        loadText(doc, decodeText(bytes));
        return true;
    case FileHtml:
        doc.setUndoRedoEnabled(false);
        doc.setHtml(decodeHtml(bytes));
        doc.setUndoRedoEnabled(true);
        return true;
    default:
        return fail(error, u"Unknown file format %1"_s.arg(format));
    }
}

bool loadDocumentFile(QTextDocument &doc, PageSetup &page, const QString &file, int format, QString *error)
{
    QByteArray bytes;
    if (format != FileRtf && format != FileText && format != FileHtml)
        return fail(error, u"Unknown file format %1"_s.arg(format));
    return readFileBytes(file, 0, bytes, error) && loadDocument(doc, page, bytes, format, error);
}

QString documentText(const QTextDocument &doc)
{
    QString t = doc.toRawText();
    const int len = doc.characterCount() - 1;
    if (t.size() > len)
        t.truncate(len);
    for (QChar &ch : t) {
        switch (ch.unicode()) {
        case 0x2029:
        case 0x2028:
        case 0xFDD0:
        case 0xFDD1: ch = u'\n'; break;
        default: break;
        }
    }
    return t;
}

rtf::Document documentModel(const QTextDocument &doc, const PageSetup &page)
{
    rtf::PageSetup p;
    p.width = page.width;
    p.height = page.height;
    p.marginL = page.marginL;
    p.marginT = page.marginT;
    p.marginR = page.marginR;
    p.marginB = page.marginB;
    return modelFromDocument(doc, p);
}

QByteArray documentRtf(const QTextDocument &doc, const PageSetup &page)
{
    return QByteArray::fromStdString(rtf::write(documentModel(doc, page)));
}

QByteArray documentTextFile(const QTextDocument &doc)
{
    QString t = documentText(doc);
    t.remove(QChar::ObjectReplacementCharacter);
    t.replace(u'\n', u"\r\n"_s);
    return QByteArray::fromStdString(
        plaintext::encode(std::u16string_view(reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size()))));
}

QTextDocument *pagedCopy(const QTextDocument &doc, const PageSetup &page, QObject *parent)
{
    QTextDocument *paged = doc.clone(parent);
    registerStructureObjects(paged);
    paged->setDocumentMargin(0);
    QTextFrameFormat root = paged->rootFrame()->frameFormat();
    root.setMargin(0);  // the page view's margins are the screen's, not the printer's
    paged->rootFrame()->setFrameFormat(root);
    const int w = std::max(page.width - page.marginL - page.marginR, 720);
    const int h = std::max(page.height - page.marginT - page.marginB, 720);
    paged->setPageSize(QSizeF(twipsToUnits(w), twipsToUnits(h)));
    return paged;
}

bool encodeDocument(const QTextDocument &doc, const PageSetup &page, int format, int pages, QByteArray &data,
                    QString *error)
{
    switch (format) {
    case FileRtf:
        data = documentRtf(doc, page);
        return true;
    case FileText:
        data = documentTextFile(doc);
        return true;
    case FileHtml:
        data = documentHtml(doc, page, pages);
        return true;
    default:
        return fail(error, u"Unknown file format %1"_s.arg(format));
    }
}

} // namespace kalamora::document
