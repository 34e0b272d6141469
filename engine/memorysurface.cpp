#include "engine/memorysurface.h"

#include <algorithm>

namespace kalamora::engine {

MemorySurface::MemorySurface(std::string_view text)
{
    setText(text);
}

char MemorySurface::at(int index) const
{
    const std::size_t i = static_cast<std::size_t>(index);
    return i < m_gapStart ? m_buffer[i] : m_buffer[i + gapSize()];
}

void MemorySurface::setSelStart(int pos)
{
    m_caret = std::clamp(pos, 0, length());
    m_selLength = 0;
}

void MemorySurface::setSelLength(int length)
{
    m_selLength = std::clamp(length, 0, this->length() - m_caret);
}

GlyphString MemorySurface::selText() const
{
    GlyphString out;
    out.reserve(static_cast<std::size_t>(m_selLength));
    for (int i = 0; i < m_selLength; ++i)
        out += at(m_caret + i);
    return out;
}

unsigned char MemorySurface::glyphBefore(int pos) const
{
    if (pos <= 0 || pos > length())
        return 0;
    return static_cast<unsigned char>(at(pos - 1));
}

GlyphString MemorySurface::text() const
{
    GlyphString out;
    out.reserve(static_cast<std::size_t>(length()));
    out.append(m_buffer, 0, m_gapStart);
    out.append(m_buffer, m_gapEnd, std::string::npos);
    return out;
}

void MemorySurface::setText(std::string_view text)
{
    m_buffer.assign(text);
    m_gapStart = m_gapEnd = m_buffer.size();
    m_caret = length();
    m_selLength = 0;
}

void MemorySurface::moveGap(std::size_t to)
{
    if (to < m_gapStart) {
        const std::size_t n = m_gapStart - to;
        std::copy_backward(m_buffer.begin() + static_cast<std::ptrdiff_t>(to),
                           m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapStart),
                           m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapEnd));
        m_gapStart -= n;
        m_gapEnd -= n;
    } else if (to > m_gapStart) {
        const std::size_t n = to - m_gapStart;
        std::copy(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapEnd),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapEnd + n),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapStart));
        m_gapStart += n;
        m_gapEnd += n;
    }
}

void MemorySurface::erase(int from, int count)
{
    moveGap(static_cast<std::size_t>(from));
    m_gapEnd += static_cast<std::size_t>(count);
}

void MemorySurface::insert(int pos, std::string_view glyphs)
{
    moveGap(static_cast<std::size_t>(pos));
    if (gapSize() < glyphs.size()) {
        // Grow the gap in proportion to the text, so inserting stays cheap.
        const std::size_t grow = std::max<std::size_t>(glyphs.size(), m_buffer.size() / 2 + 64);
        m_buffer.insert(m_gapEnd, grow, '\0');
        m_gapEnd += grow;
    }
    std::copy(glyphs.begin(), glyphs.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_gapStart));
    m_gapStart += glyphs.size();
}

void MemorySurface::setSelText(const GlyphString &glyphs)
{
    const bool changed = m_selLength > 0 || !glyphs.empty();
    if (m_selLength > 0)
        erase(m_caret, m_selLength);
    if (!glyphs.empty())
        insert(m_caret, glyphs);
    m_caret += static_cast<int>(glyphs.size());
    m_selLength = 0;
    if (changed)
        textChanged();
}

void MemorySurface::backspace()
{
    if (m_selLength > 0) {
        setSelText({});
    } else if (m_caret > 0) {
        erase(m_caret - 1, 1);
        --m_caret;
        textChanged();
    }
}

void MemorySurface::deleteForward()
{
    if (m_selLength > 0) {
        setSelText({});
    } else if (m_caret < length()) {
        erase(m_caret, 1);
        textChanged();
    }
}

void MemorySurface::textChanged()
{
    if (!m_onTextChanged || m_inHandler)
        return;
    m_inHandler = true;
    try {
        m_onTextChanged(*this);
    } catch (...) {
        m_inHandler = false;
        throw;
    }
    m_inHandler = false;
}

void MemorySurface::beginEdit()
{
    if (m_editDepth++ == 0)
        ++m_editBlocks;
}

void MemorySurface::endEdit()
{
    if (m_editDepth > 0)
        --m_editDepth;
}

} // namespace kalamora::engine
