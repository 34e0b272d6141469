#pragma once

#include <string>

namespace kalamora::engine {

// A glyph string: one Kruti Dev glyph code (0x01..0xFF) per byte. A character
// of the document that has no glyph code is reported as 0, which matches
// nothing in the engine's tables.
using GlyphString = std::string;

// The text control the input engine edits. The engine reads and writes text
// only through these members, so any control (a document, the find window's
// fields, an in-memory buffer in tests) can be typed into.
//
// Contract, as the engine relies on it:
// - Positions count glyphs from 0; the caret is selStart().
// - setSelStart() collapses the selection to a caret; a position past the
//   end is taken as the end, a negative one as 0.
// - setSelLength() extends the selection from selStart(), clamped at the end.
// - setSelText() replaces the selection (inserts at the caret when it is
//   empty) and leaves the caret after the written text. It raises the
//   surface's text-change event synchronously before it returns.
// - glyphBefore(pos) is the glyph at index pos counted from 1, that is the
//   glyph just before caret position pos; 0 when pos is 0 or past the end.
//   It must cost the same whatever the length of the text.
class EditSurface {
public:
    virtual ~EditSurface() = default;

    virtual int selStart() const = 0;
    virtual void setSelStart(int pos) = 0;
    virtual int selLength() const = 0;
    virtual void setSelLength(int length) = 0;
    virtual GlyphString selText() const = 0;
    virtual void setSelText(const GlyphString &glyphs) = 0;
    virtual unsigned char glyphBefore(int pos) const = 0;

    // The font name of the current selection ("" when mixed or unknown).
    virtual std::string selFontName() const = 0;

    // Brackets the edits of one key press (the engine's rewrites and the
    // insertion of the key it leaves) so that they undo as one step. Calls
    // nest; the default does nothing. See EditBlock.
    virtual void beginEdit() {}
    virtual void endEdit() {}
};

// Scope guard for EditSurface::beginEdit/endEdit.
class EditBlock {
public:
    explicit EditBlock(EditSurface &surface)
        : m_surface(surface)
    {
        m_surface.beginEdit();
    }
    ~EditBlock() { m_surface.endEdit(); }
    EditBlock(const EditBlock &) = delete;
    EditBlock &operator=(const EditBlock &) = delete;

private:
    EditSurface &m_surface;
};

} // namespace kalamora::engine
