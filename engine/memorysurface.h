#pragma once

#include "engine/editsurface.h"

#include <functional>
#include <string>
#include <string_view>

namespace kalamora::engine {

// An EditSurface over an in-memory glyph buffer: the document of the
// `type` command, of the tests and of the benchmark.
//
// It behaves as a text control does: positions past the end are taken as
// the end, writing the selection leaves the caret after the written text,
// and every change of the text raises the text-change handler before the
// change returns. A change made by the handler itself raises no second
// event, so a handler that edits (PlacePendingReph) runs once per change.
//
// The buffer is a gap buffer: edits near the caret cost the same at the
// start, the middle or the end of a large text.
class MemorySurface final : public EditSurface {
public:
    using TextChangedHandler = std::function<void(MemorySurface &)>;

    MemorySurface() = default;
    explicit MemorySurface(std::string_view text);

    int selStart() const override { return m_caret; }
    void setSelStart(int pos) override;
    int selLength() const override { return m_selLength; }
    void setSelLength(int length) override;
    GlyphString selText() const override;
    void setSelText(const GlyphString &glyphs) override;
    unsigned char glyphBefore(int pos) const override;
    std::string selFontName() const override { return m_fontName; }

    int length() const { return static_cast<int>(m_buffer.size() - gapSize()); }
    GlyphString text() const;
    // Replaces the whole text; the caret goes to the end. Raises no event.
    void setText(std::string_view text);

    // The keys a text control handles itself: Backspace removes the
    // selection or the glyph before the caret, Delete the selection or the
    // glyph after it. Each raises the text-change event when it changed the
    // text.
    void backspace();
    void deleteForward();

    void setTextChangedHandler(TextChangedHandler handler) { m_onTextChanged = std::move(handler); }
    // The font name every selection reports.
    void setFontName(std::string name) { m_fontName = std::move(name); }

    // Edit blocks opened and not yet closed (for tests of the binding).
    int editDepth() const { return m_editDepth; }
    int editBlocks() const { return m_editBlocks; }
    void beginEdit() override;
    void endEdit() override;

private:
    std::size_t gapSize() const { return m_gapEnd - m_gapStart; }
    char at(int index) const;
    void moveGap(std::size_t to);
    void erase(int from, int count);
    void insert(int at, std::string_view glyphs);
    void textChanged();

    std::string m_buffer; // text before the gap, the gap, text after it
    std::size_t m_gapStart = 0;
    std::size_t m_gapEnd = 0;
    int m_caret = 0;
    int m_selLength = 0;
    std::string m_fontName;
    TextChangedHandler m_onTextChanged;
    bool m_inHandler = false;
    int m_editDepth = 0;
    int m_editBlocks = 0;
};

} // namespace kalamora::engine
