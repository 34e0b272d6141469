#include "surface/textcontrolsurface.h"

#include "kruti/cp1252.h"
#include "textengine/textcontrol.h"

#include <QTextDocument>

namespace kalamora::textengine {

namespace {

unsigned char glyphOf(QChar ch)
{
    switch (ch.unicode()) {
    case 0x2029:
    case 0x2028:
    case 0xFDD0:
    case 0xFDD1:
    case u'\n':
        return 10;
    default:
        return kruti::charToGlyph(ch.unicode());
    }
}

} // namespace

int TextControlSurface::selStart() const
{
    return m_control->SelStart();
}

void TextControlSurface::setSelStart(int pos)
{
    m_control->setSelStart(pos);
}

int TextControlSurface::selLength() const
{
    return m_control->SelLength();
}

void TextControlSurface::setSelLength(int length)
{
    m_control->setSelLength(length);
}

engine::GlyphString TextControlSurface::selText() const
{
    const QString t = m_control->SelText();
    engine::GlyphString out;
    out.reserve(size_t(t.size()));
    for (QChar ch : t)
        out.push_back(static_cast<char>(glyphOf(ch)));
    return out;
}

void TextControlSurface::setSelText(const engine::GlyphString &glyphs)
{
    QString t;
    t.reserve(qsizetype(glyphs.size()));
    for (char g : glyphs)
        t.append(QChar(kruti::glyphToChar(static_cast<unsigned char>(g))));
    m_control->setSelText(t);
}

unsigned char TextControlSurface::glyphBefore(int pos) const
{
    const QTextDocument *doc = m_control->document();
    if (pos <= 0 || pos > doc->characterCount() - 1)
        return 0;
    return glyphOf(doc->characterAt(pos - 1));
}

std::string TextControlSurface::selFontName() const
{
    return m_control->FontName().toStdString();
}

} // namespace kalamora::textengine
