#include "document/conversion.h"

#include "document/documentmodel.h"
#include "kruti/cp1252.h"
#include "kruti/kruti.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

using namespace Qt::StringLiterals;

namespace kalamora::document {

QString hindiFont()
{
    return u"Glyphora 010"_s;
}

QString unicodeFont()
{
    return u"Noto Sans Devanagari"_s;
}

bool isKrutiFont(const QString &family)
{
    return family.startsWith(u"Glyphora"_s, Qt::CaseInsensitive)
        || family.startsWith(u"Kruti Dev"_s, Qt::CaseInsensitive);
}

namespace {

QString familyOf(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.front();
    return f.stringProperty(QTextFormat::FontFamily);
}

QString fromUtf8(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Glyph text -> Unicode. Characters without a glyph code (text that is
// Unicode already) pass unchanged; line and paragraph separators too.
QString glyphsToUnicode(const QString &text)
{
    QString out;
    std::string glyphs;
    const auto flush = [&] {
        if (!glyphs.empty())
            out += fromUtf8(kruti::toUnicode(glyphs));
        glyphs.clear();
    };
    for (QChar ch : text) {
        const unsigned char g = kruti::charToGlyph(ch.unicode());
        if (g != 0 && ch != QChar::LineSeparator) {
            glyphs.push_back(static_cast<char>(g));
        } else {
            flush();
            out += ch;
        }
    }
    flush();
    return out;
}

struct Piece {
    QString text;
    bool glyphs;
};

// Unicode -> pieces of glyph text (as the document's characters) and other text.
std::vector<Piece> unicodeToPieces(const QString &text)
{
    std::vector<Piece> out;
    for (const kruti::Run &r : kruti::splitRuns(text.toStdString())) {
        if (r.glyphs) {
            const std::u16string u = kruti::glyphsToUtf16(r.text);
            out.push_back({QString(reinterpret_cast<const QChar *>(u.data()), qsizetype(u.size())), true});
        } else {
            out.push_back({fromUtf8(r.text), false});
        }
    }
    return out;
}

struct Edit {
    int pos;
    int length;
    QTextCharFormat format;
    QString text;
};

} // namespace

int convertDocument(QTextDocument &doc, Conversion direction, bool wholeText)
{
    std::vector<Edit> edits;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (!f.isValid() || cf.isImageFormat())
                continue;
            if (cf.objectType() != QTextFormat::NoObject) {
                // A footnote mark or a field: it keeps its character and
                // takes the font of the text around it.
                if (direction == Conversion::ToUnicode && (wholeText || isKrutiFont(familyOf(cf))))
                    edits.push_back({f.position(), f.length(), cf, QString()});
                continue;
            }
            if (direction == Conversion::ToUnicode) {
                if (!wholeText && !isKrutiFont(familyOf(cf)))
                    continue;
                edits.push_back({f.position(), f.length(), cf, f.text()});
            } else {
                const QString text = f.text();
                bool devanagari = false;
                for (QChar ch : text)
                    devanagari = devanagari || (ch.unicode() >= 0x0900 && ch.unicode() <= 0x097F);
                if (devanagari)
                    edits.push_back({f.position(), f.length(), cf, text});
            }
        }
    }
    QTextCursor c(&doc);
    c.beginEditBlock();
    // From the end, so that earlier positions stay valid.
    for (auto e = edits.rbegin(); e != edits.rend(); ++e) {
        c.setPosition(e->pos);
        c.setPosition(e->pos + e->length, QTextCursor::KeepAnchor);
        if (direction == Conversion::ToUnicode) {
            QTextCharFormat f = e->format;
            if (!wholeText || isKrutiFont(familyOf(f))) {
                f.setFontFamilies(QStringList{unicodeFont()});
                f.setProperty(QTextFormat::FontFamily, unicodeFont());
            }
            if (f.objectType() != QTextFormat::NoObject)
                c.setCharFormat(f);
            else
                c.insertText(glyphsToUnicode(e->text), f);
        } else {
            c.removeSelectedText();
            for (const Piece &p : unicodeToPieces(e->text)) {
                QTextCharFormat f = e->format;
                if (p.glyphs) {
                    f.setFontFamilies(QStringList{hindiFont()});
                    f.setProperty(QTextFormat::FontFamily, hindiFont());
                }
                c.insertText(p.text, f);
            }
        }
    }
    // Headers, footers and footnotes, each as a document of its own.
    const int stories
        = changeStories(doc, [&](QTextDocument &story) { return convertDocument(story, direction, wholeText); });
    c.endEditBlock();
    return static_cast<int>(edits.size()) + stories;
}

} // namespace kalamora::document
