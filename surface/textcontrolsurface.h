#pragma once

#include "engine/editsurface.h"

namespace kalamora::textengine {

class TextControl;

// The input engine's view of a TextControl: glyph codes are the documents'
// Windows-1252 characters; a paragraph break reads as a line feed (10), and
// any character without a glyph code as 0.
class TextControlSurface : public engine::EditSurface {
public:
    explicit TextControlSurface(TextControl *control) : m_control(control) {}

    TextControl *control() const { return m_control; }

    int selStart() const override;
    void setSelStart(int pos) override;
    int selLength() const override;
    void setSelLength(int length) override;
    engine::GlyphString selText() const override;
    // Glyph 10 or 13 writes a paragraph break (CR LF once).
    void setSelText(const engine::GlyphString &glyphs) override;
    unsigned char glyphBefore(int pos) const override;
    std::string selFontName() const override;

private:
    TextControl *m_control;
};

} // namespace kalamora::textengine
