#include "mail/htmlparse.h"

#include "settings/paths.h"

#include <QFileInfo>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

// Named entities of the Latin-1 letters, U+00C0 to U+00FF (empty where the
// character is kept). Only the first four carry the closing semicolon: the
// receiving mail programs read both forms, and the others have always been
// written without it.
constexpr std::array<const char *, 64> latinEntities = {
    "&Agrave;", "&Aacute;", "&Acirc;", "&Atilde;", "&Auml", "&Aring", "&AElig", "&Ccedil",
    "&Egrave", "&Eacute", "&Ecirc", "&Euml", "&Igrave", "&Iacute", "&Icirc", "&Iuml",
    "&ETH", "&Ntilde", "&Ograve", "&Oacute", "&Ocirc", "&Otilde", "&Ouml", nullptr,
    "&Oslash", "&Ugrave", "&Uacute", "&Ucirc", "&Uuml", "&Yacute", "&THORN", "&szlig",
    "&agrave", "&aacute", "&acirc", "&atilde", "&auml", "&aring", "&aelig", "&ccedil",
    "&egrave", "&eacute", "&ecirc", "&euml", "&igrave", "&iacute", "&icirc", "&iuml",
    "&eth", "&ntilde", "&ograve", "&oacute", "&ocirc", "&otilde", "&ouml", nullptr,
    "&oslash", "&ugrave", "&uacute", "&ucirc", "&uuml", "&yacute", "&thorn", "&yuml",
};

// The entity for one character, or nullptr when it passes unchanged.
const char *entityFor(char16_t ch)
{
    switch (ch) {
    case u'&': return "&amp;";
    case u'<': return "&lt;";
    case u'>': return "&gt;";
    case u'"': return "&quot;";
    case 0x00AE: return "&reg;";
    case 0x00A9: return "&copy;";
    default: break;
    }
    if (ch >= 0x00C0 && ch <= 0x00FF)
        return latinEntities[ch - 0x00C0];
    return nullptr;
}

// Appends the escaped form of `text` to `out`. The replacements never produce
// a character that a later one would replace again, so one pass over the
// characters gives what the ordered whole-text replacements give.
void appendEscaped(QString &out, QStringView text)
{
    for (const QChar c : text) {
        const char16_t ch = c.unicode();
        // An embedded object and the frame marks around tables have no text.
        if (ch == 0xFFFC || ch == 0xFDD0 || ch == 0xFDD1)
            continue;
        if (ch == 0x2028) {  // a line break inside a paragraph ends a line like a paragraph end
            out += u"\r<br>"_s;
            continue;
        }
        if (const char *entity = entityFor(ch))
            out += QLatin1StringView(entity);
        else
            out += c;
    }
}

// The family of the font file FNT.ATT and GO10.TTF hold.
constexpr const char *attachedFontFamily = "Glyphora 010";

// True when `word` may stand unquoted in a CSS font-family name.
bool isCssIdentifier(QStringView word)
{
    if (word.startsWith(u'-'))
        word = word.sliced(1);
    if (word.isEmpty() || word.front().isDigit() || word.front() == u'-')
        return false;
    return std::all_of(word.begin(), word.end(), [](QChar c) {
        return c.unicode() >= 0x80 || c.isLetterOrNumber() || c == u'-' || c == u'_';
    });
}

// A family name as the face attribute lists it. Browsers read the attribute
// as a CSS font-family list, and drop the whole list when a name has a word
// that is not an identifier ("010"); such a name goes in quotes.
QString cssFamily(const QString &name)
{
    const QList<QStringView> words = QStringView(name).split(u' ');
    if (std::all_of(words.begin(), words.end(), isCssIdentifier))
        return name;
    QString quoted = name;
    quoted.replace(u'\\', u"\\\\"_s).replace(u'\'', u"\\'"_s);
    return u'\'' + quoted + u'\'';
}

} // namespace

HTMLParse::HTMLParse(QString subject, Notify notify, mail::BodyOptions options)
    : m_subject(std::move(subject)), m_notify(std::move(notify)), m_options(options)
{
}

bool HTMLParse::fontAttachmentAvailable()
{
    return QFileInfo::exists(kalamora::programFolder() + u"/FNT.ATT"_s);
}

void HTMLParse::notify(const QString &title, const QString &text) const
{
    if (m_notify)
        m_notify(title, text);
}

QString HTMLParse::EscapeEntities(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    appendEscaped(out, text);
    return out;
}

QString HTMLParse::FontSizeValue(const RunFormat &run)
{
    const double pt = run.pointSize;
    char digit = '7';
    if (pt < 10)
        digit = '1';
    else if (pt == 10)
        digit = '2';
    else if (pt <= 12)
        digit = '3';
    else if (pt <= 14)
        digit = '4';
    else if (pt <= 18)
        digit = '5';
    else if (pt <= 24)
        digit = '6';
    return u'"' + QString(QLatin1Char(digit)) + u'"';
}

QString HTMLParse::FontFaceAttribute(const RunFormat &run) const
{
    // Any member of the program's own Devanagari family goes out under the
    // mail face name, followed by the family of the font file that goes with
    // the mail, so a reader who installed it sees the glyphs.
    QString faces;
    if (run.fontName.left(8) == u"Glyphora"_s)
        faces = cssFamily(u"Glyph Ora 010"_s) + u", "_s + cssFamily(QLatin1StringView(attachedFontFamily));
    else
        faces = cssFamily(run.fontName);
    faces.replace(u'&', u"&amp;"_s).replace(u'"', u"&quot;"_s);
    return u" face=\""_s + faces + u"\">"_s;
}

bool HTMLParse::IsSameRun(const RunFormat &run) const
{
    return run.fontName == m_run.fontName && run.fontSize == m_run.fontSize && run.bold == m_run.bold
        && run.italic == m_run.italic && run.underline == m_run.underline && run.strikeThru == m_run.strikeThru;
}

HTMLParse::RunFormat HTMLParse::runFormat(const QTextCharFormat &format, const QTextDocument &doc)
{
    const QFont font = format.font().resolve(doc.defaultFont());
    RunFormat run;
    const QStringList families = font.families();
    run.fontName = families.isEmpty() ? font.family() : families.first();
    run.pointSize = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : font.pointSizeF();
    if (run.pointSize <= 0)
        run.pointSize = doc.defaultFont().pointSizeF();
    run.fontSize = static_cast<qint16>(run.pointSize);
    run.bold = font.weight() > QFont::Medium;
    run.italic = font.italic();
    run.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
    run.strikeThru = font.strikeOut();
    return run;
}

QString HTMLParse::ParseHTML(const QTextDocument &box, bool omitHeaders, bool attachFont)
{
    m_attachFont = attachFont && m_options.attachFont;
    m_omitHeaders = omitHeaders;
    // Without FNT.ATT the mail falls back to the simple layout; say so once,
    // before the walk.
    if (m_attachFont && !fontAttachmentAvailable()) {
        notify(u"Font File Missing"_s, u"Can't Attach Font File\r\nFONT.ATT File Not Found"_s);
        m_attachFont = false;
    }

    QString html;
    html.reserve(box.characterCount() + box.characterCount() / 4 + 64);

    // One pass over the runs. The first character's format opens the first
    // tag; every change of face, whole size, bold, italic, underline or
    // strike-through closes the run and opens the next. Paragraph ends belong to the
    // run they end, so an empty line never splits a run.
    bool opened = false;
    for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
        if (block != box.begin())
            html += u"\r<br>"_s;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() == 0)
                continue;
            const RunFormat run = runFormat(fragment.charFormat(), box);
            if (!opened) {
                // The opening tag stands at the very start, before any empty
                // paragraphs that lead the document.
                RememberRun(run);
                html.prepend(u"<font size="_s + FontSizeValue(run)
                             + FontFaceAttribute(run));
                opened = true;
            } else if (!IsSameRun(run)) {
                html += u"</font><font size="_s + FontSizeValue(run) + FontFaceAttribute(run);
                RememberRun(run);
            }
            appendEscaped(html, fragment.text());
        }
    }
    if (!opened) {
        // No text at all: the tag still opens, in the format typing would use.
        const RunFormat run = runFormat(box.begin().charFormat(), box);
        RememberRun(run);
        html.prepend(u"<font size="_s + FontSizeValue(run)
                     + FontFaceAttribute(run));
    }
    html += u"</font>"_s;
    return ComposeMessage(html);
}

} // namespace kalamora
