#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The document as RTF carries it, free of any widget library: what the reader
// produces and the writer consumes. Lengths are twips, colours 0xRRGGBB.
namespace kalamora::rtf {

struct CharFormat {
    std::string font;  // family name, UTF-8; "" for the document default
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::optional<uint32_t> color;
    std::optional<uint32_t> background;

    bool operator==(const CharFormat &) const = default;
};

enum class Align { Left, Right, Center, Justify };

struct TabStop {
    enum Kind { Left, Right, Center, Decimal };
    int pos = 0;
    Kind kind = Left;
    bool operator==(const TabStop &) const = default;
};

// The number in front of a paragraph of a numbered list. Paragraphs of one
// list count on together, each level by itself, whatever stands between
// them; a paragraph of a level restarts the levels below it.
struct Numbering {
    enum Style { None, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };
    Style style = None;
    int list = 0;   // tells the lists of a document apart (> 0 when numbered)
    int level = 0;  // 0..8
    int start = 1;
    // How the number shows: %1 to %9 stand for the numbers of levels 1 to 9,
    // %% for a percent sign; everything else is text (UTF-8). Empty: the
    // level's own number and a full stop (format() gives it written out).
    std::string text;

    std::string format() const
    {
        return text.empty() ? std::string{'%', static_cast<char>('1' + std::clamp(level, 0, 8)), '.'} : text;
    }
    bool operator==(const Numbering &) const = default;
};

struct ParaFormat {
    Align align = Align::Left;
    int leftIndent = 0;   // \li: every line
    int rightIndent = 0;  // \ri
    int firstIndent = 0;  // \fi: first line, relative to \li
    int spaceBefore = 0;  // \sb
    int spaceAfter = 0;   // \sa
    // \sl: 0 single; in twips, at least this much when positive, exactly
    // when negative; with \slmult1, in 240ths of a single line instead.
    int lineSpacing = 0;
    bool lineMultiple = false;  // \slmult
    std::vector<TabStop> tabs;
    bool bullet = false;
    Numbering numbering;
    bool pageBreakBefore = false;

    bool operator==(const ParaFormat &) const = default;
};

// A picture. PNG and JPEG data are shown; other kinds (metafiles, device
// independent bitmaps, ...) are kept as the group they came in, so that
// writing the document again gives them back unchanged.
struct Picture {
    std::string kind;  // "png", "jpeg", or the RTF name of another kind
    std::string data;  // the image bytes (decoded from hex or \bin)
    int widthTwips = 0;   // displayed size
    int heightTwips = 0;
    std::string raw;   // the whole {\pict ...} group, for kinds not shown
};

// An embedded object, kept whole as its {\object ...} group; `result` is
// the picture it shows, when it carries one.
struct Object {
    std::string raw;
    std::optional<Picture> result;
};

// Where a picture or object stands when it floats beside the text of its
// paragraph (a shape) instead of standing in a line, in twips.
struct Float {
    int left = 0;  // from the left edge of the text
    int top = 0;   // below the top of its paragraph
    int distL = 0, distT = 0, distR = 0, distB = 0;  // space kept to the text around it
    bool operator==(const Float &) const = default;
};

// A field whose text the page it stands on decides; `text` holds what it
// showed when it was written.
enum class Field { None, Page, NumPages, NoteNumber };

// A piece of a paragraph: text in one format, or one picture, object or
// footnote mark.
struct Inline {
    CharFormat format;
    std::u16string text;
    int picture = -1;   // index into Document::pictures
    int object = -1;    // index into Document::objects
    int footnote = -1;  // index into Document::footnotes: the mark in the text
    Field field = Field::None;
    // For a picture or an object: floating beside the text, and the two
    // flags its attributes dialog sets.
    std::optional<Float> floating;
    bool fastDisplay = false;
    bool saveAsData = true;

    bool isText() const { return picture < 0 && object < 0 && footnote < 0 && field == Field::None; }
};

struct Paragraph {
    ParaFormat format;
    std::vector<Inline> inlines;
};

struct Borders {
    int top = 0;  // width in twips; 0 = no border
    int left = 0;
    int bottom = 0;
    int right = 0;
    bool operator==(const Borders &) const = default;
};

struct Block;

struct Cell {
    int right = 0;  // \cellx: right edge from the row's left edge
    Borders borders;
    std::optional<uint32_t> shading;
    bool mergeFirst = false;   // \clmgf
    bool merged = false;       // \clmrg: covered by the cell to the left
    bool vmergeFirst = false;  // \clvmgf
    bool vmerged = false;      // \clvmrg: covered by the cell above
    std::vector<Block> blocks;  // paragraphs, and tables nested in the cell
};

struct Row {
    int gap = 108;  // \trgaph: half the space between cells
    int left = 0;   // \trleft
    std::vector<Cell> cells;
    int spacing = 0;  // \trspdl + \trspdr: the space between two cells
    int border = 0;   // \trbrdr*: the width of the table's own border and grid
    std::optional<uint32_t> background;  // \trcbpat
};

struct Table {
    std::vector<Row> rows;
};

// A block of text: a paragraph, or a table when `table` has rows.
struct Block {
    Paragraph paragraph;
    Table table;
    bool isTable() const { return !table.rows.empty(); }
};

struct PageSetup {
    std::optional<int> width, height, marginL, marginT, marginR, marginB;
    bool landscape = false;  // \landscape, \lndscpsxn: the paper turned (width and height say the size)
    bool operator==(const PageSetup &) const = default;
};

// A header or footer: paragraphs and tables of their own, shown on the
// pages they are for.
struct HeaderFooter {
    enum Kind { Header, Footer };
    enum Pages { All, Left, Right, First };  // \header, \headerl, \headerr, \headerf
    Kind kind = Header;
    Pages pages = All;
    std::vector<Block> blocks;
};

// A footnote (or endnote): its paragraphs, and whether its mark in the text
// is the note's number (\chftn) or text the writer put there itself.
struct Footnote {
    std::vector<Block> blocks;
    bool numbered = true;
    bool endnote = false;
};

// A section of the document after the first: where it starts, how it
// starts (on a new page, on the same one, ...), its own page and its own
// headers and footers. A section without headers shows those of the one
// before it.
struct Section {
    enum Break { Page, None, Column, Even, Odd };  // \sbkpage (the default), \sbknone, \sbkcol, \sbkeven, \sbkodd
    size_t start = 0;  // the index of its first block in Document::blocks
    Break breakKind = Page;
    PageSetup page;    // unset sizes are the document's
    bool titlePage = false;
    std::optional<int> headerY, footerY;
    std::vector<HeaderFooter> headers;
};

struct Document {
    PageSetup page;
    std::vector<Block> blocks;
    std::vector<Picture> pictures;
    std::vector<Object> objects;
    std::vector<HeaderFooter> headers;  // headers and footers
    std::vector<Footnote> footnotes;
    bool titlePage = false;    // \titlepg: the first page has a header and footer of its own
    bool facingPages = false;  // \facingp: left and right pages have theirs
    std::optional<int> headerY, footerY;  // the header's top, the footer's bottom from the paper's edge
    // The sections after the first, in order of their starts; the first
    // section's page, headers and footers are the fields above.
    std::vector<Section> sections;
};

// Decodes bytes of a code page other than Windows-1252 (which the reader
// handles itself). Returns false when it cannot, and the reader then falls
// back to Windows-1252.
using CodePageDecoder = bool (*)(int codePage, const std::string &bytes, std::u16string &out);

struct ReadResult {
    bool ok = false;       // false: not RTF at all; `error` says why
    std::string error;     // a one-line reason when !ok
    std::vector<std::string> warnings;  // damage met and repaired
};

// Reads RTF bytes. Damaged input (unbalanced braces, truncated escapes,
// over-long \bin, absurd nesting, broken tables) gives what could be read
// and warnings; only input that is not RTF fails. Memory stays in
// proportion to the input.
ReadResult read(std::string_view bytes, Document &out, CodePageDecoder decoder = nullptr);

// Writes the document as RTF (Windows-1252 with \'xx escapes, \uN for the
// characters beyond it).
std::string write(const Document &doc);

} // namespace kalamora::rtf
