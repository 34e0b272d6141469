// The RTF reader: a single pass over the bytes with a stack of group states.
#include "document/rtf/rtfmodel.h"

#include "kruti/cp1252.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace kalamora::rtf {

namespace {

// Groups nested deeper than this are read as skipped groups, so that absurd
// nesting costs no memory per level.
constexpr int maxDepth = 512;
// Bounds on numbers: every parameter is clamped to this range.
constexpr long long paramLimit = 0x7FFFFFFF;
// Lengths stay within what a page can hold (22 inches, the largest page RTF
// writers know); a table may reach four pages to the right. Beyond that a
// value can only be damage, and laying it out would take without end.
constexpr int maxLength = 31680;
int length(int twips)
{
    return std::clamp(twips, -maxLength, maxLength);
}

enum class Dest {
    Body,
    Skip,
    FontTable,
    FontEntry,
    ColorTable,
    Pict,
    Object,
    ObjectResult,
    Bullet,  // {\*\pn ...}: old-style bullets and numbers
    PnText,  // {\pntxtb ...}, {\pntxta ...}: the text before and after a number
    ListTable,
    List,         // {\list ...}
    ListLevel,    // {\listlevel ...}
    LevelText,    // {\leveltext ...}
    ListOverrideTable,
    ListOverride,  // {\listoverride ...}
    FieldInst,     // {\*\fldinst ...}
    ShapeInst,    // {\*\shpinst ...}: a shape's place and properties
    ShapeProp,    // {\sp ...}: one property, a name and a value
    ShapeName,    // {\sn ...}
    ShapeValue,   // {\sv ...}: text, or the shape's picture
    ObjectFlags,  // {\*\kalamoraobj ...}: the flags of the next picture or object
};

// Tables nest at most this deep; deeper cells are read as cells of the
// deepest table.
constexpr int maxTableDepth = 8;
constexpr size_t maxSections = 1000;

struct CharState {
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = -1;       // colour table index
    int background = -1;
};

struct State {
    Dest dest = Dest::Body;
    CharState chr;
    int uc = 1;
    size_t groupStart = 0;  // offset of this group's '{'
    int itap = 0;           // \itap: how deep in tables the paragraph stands
    Field field = Field::None;  // text read here is the result of this field
};

// One level of a list as \listtable or \listoverride defines it.
struct ListLevelDef {
    int nfc = 0;  // \levelnfc: 0 decimal, 1 I, 2 i, 3 A, 4 a, 23 bullet, 255 none
    int start = 1;
    std::u16string text;  // \leveltext: its length, then text with level numbers as codes 0..8
};

// An old-style {\*\pn ...} numbering of the paragraph.
struct PnState {
    enum Kind { None, Bullet, Number };
    Kind kind = None;
    Numbering::Style style = Numbering::Decimal;
    int level = 0;
    int start = 1;
    std::u16string before, after;
};

// What a table being read holds: the row being defined, the cells read so
// far and the rows done.
struct TableLevel {
    Row rowDef;
    Cell cellDef;
    std::vector<Cell> rowCells;
    std::vector<Block> cellBlocks;
    Table table;
    std::array<int, 6> rowSides{};
    int spacingLeft = 0, spacingRight = 0;
};

struct FontInfo {
    std::string name;
    int codePage = 1252;
};

struct CellDef {
    Cell cell;
};

// A shape being read: where it stands, its wrapping distances, its picture.
struct ShapeState {
    bool active = false;
    size_t depth = 0;  // the stack's size inside the {\shp group
    size_t firstInline = 0;  // the paragraph's inlines when the shape began
    int left = 0, top = 0;
    bool fromPage = false;  // \shpbxpage: left counts from the page's edge
    Float floating;
    std::string name, value;  // the property being read
    std::optional<Picture> pib;
};

struct PictState {
    Picture pic;
    int picw = 0, pich = 0, goalw = 0, goalh = 0;
    int scalex = 100, scaley = 100;
    int nibble = -1;
};

int charsetToCodePage(int charset, int ansi)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252;  // symbol fonts keep their byte codes
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return ansi;
    }
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string &out, char16_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

class Reader {
public:
    Reader(std::string_view in, Document &doc, CodePageDecoder decoder)
        : m_in(in), m_doc(doc), m_decoder(decoder)
    {
    }

    ReadResult run();

private:
    // Tokens
    void controlWord(std::string_view word, bool hasParam, int param);
    void controlSymbol(char c);
    void openGroup();
    void closeGroup();
    void textByte(unsigned char b);
    bool fastBodyWord(std::string_view w, bool hasParam, int param);
    int codePageOf(int font);
    void plainText(std::string_view bytes);
    void textChar(char16_t c);
    void binary(size_t length);

    // Body
    State &st() { return m_stack.back(); }
    void flushBytes();
    Inline &currentInline();
    void endParagraph();
    void endCell(int depth);
    void endRow(int depth);
    void finishRow();
    void finishDocument();
    void endSection();
    bool sectionWord(std::string_view w, int param);
    // The headers and footers of the section being read.
    std::vector<HeaderFooter> &sectionHeaders()
    {
        return m_doc.sections.empty() ? m_doc.headers : m_doc.sections.back().headers;
    }

    // Structure: lists, tables in tables, headers, footers, footnotes and
    // fields (further down, after the body's words).
    bool structureWord(std::string_view w, bool hasParam, int param, bool star);
    void listWord(std::string_view w, bool hasParam, int param);
    void pnWord(std::string_view w, int param);
    void closeStructureGroup(const State &closing);
    void resolveNumbering(ParaFormat &f);
    bool joinsLast();
    int paragraphDepth();
    void switchDepth(int depth);
    void closeTableLevel();
    TableLevel takeTableLevel();
    void restoreTableLevel(TableLevel &&level);
    std::vector<Block> &storyBlocks();
    void beginStory(int kind, int index);
    void endStory();
    void finishStoryText();
    void beginFootnote();
    void pardStructure();
    void addPictureInline(Picture pic);
    void finishPict(size_t end);
    CharFormat resolve(const CharState &c) const;
    void warn(std::string w)
    {
        if (m_result.warnings.size() < 20)
            m_result.warnings.push_back(std::move(w));
    }

    std::string_view m_in;
    size_t m_pos = 0;
    Document &m_doc;
    CodePageDecoder m_decoder;
    ReadResult m_result;

    std::vector<State> m_stack;
    int m_overflowDepth = 0;  // groups beyond maxDepth, counted only
    int m_skipCount = 0;      // characters still to skip after \uN
    bool m_starPending = false;

    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    std::unordered_map<int, FontInfo> m_fonts;
    int m_fontEntryNumber = -1;
    int m_fontEntryCharset = -1;
    int m_fontEntryCodePage = -1;
    std::string m_fontEntryName;
    std::vector<std::optional<uint32_t>> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    // Current paragraph.
    Paragraph m_para;
    bool m_inTable = false;
    bool m_pageBreakPending = false;
    bool m_formatDirty = true;
    std::string m_pendingBytes;  // text bytes of a code page decoded later
    int m_pendingCodePage = 1252;

    // Tables: the row being defined and the cells read so far, of the
    // innermost table; the tables around it wait in m_outerTables.
    Row m_rowDef;
    Cell m_cellDef;
    int m_borderSide = -1;  // 0 top 1 left 2 bottom 3 right; -1 none
    bool m_rowBorder = false;
    std::vector<Cell> m_rowCells;
    std::vector<Block> m_cellBlocks;
    Table m_table;
    // The row's own border, by side (top, left, bottom, right, inner
    // horizontal, inner vertical), and the side a \brdr word applies to;
    // its cell spacing, by side.
    std::array<int, 6> m_rowSides{};
    int m_rowSide = -1;
    int m_spacingLeft = 0, m_spacingRight = 0;
    int m_tableDepth = 0;  // how many tables the text read now stands in
    std::vector<TableLevel> m_outerTables;

    // Lists: the definitions by \listid, the overrides by \ls, and the
    // paragraph's own references.
    std::unordered_map<int, std::vector<ListLevelDef>> m_lists;
    std::unordered_map<int, std::pair<int, std::optional<ListLevelDef>>> m_overrides;
    std::unordered_map<int, int> m_listNumbers;  // \listid -> Numbering::list
    std::vector<ListLevelDef> m_listLevels;      // of the \list being read
    ListLevelDef m_level;                        // the \listlevel being read
    bool m_levelInOverride = false;
    int m_listId = 0, m_overrideList = 0, m_overrideLs = 0;
    int m_ls = 0, m_ilvl = 0;
    PnState m_pn;
    bool m_pnTextAfter = false;  // {\pntxta ...} rather than {\pntxtb ...}
    int m_pnList = 0;  // the old-style list the paragraph before belongs to
    int m_lastList = 0;

    // Headers, footers and footnotes: the story being read, and the body's
    // (or the outer story's) reading state while it is.
    struct Story {
        int kind = 0;  // 1 header or footer, 2 footnote
        int index = 0;
        size_t depth = 0;  // ends when the stack gets shorter than this
        Paragraph para;
        bool inTable = false;
        bool pageBreakPending = false;
        TableLevel table;
        int tableDepth = 0;
        std::vector<TableLevel> outerTables;
        int ls = 0, ilvl = 0;
        PnState pn;
    };
    std::vector<Story> m_stories;

    // Fields: the instruction of the field being read, what it is.
    std::string m_fieldInst;
    Field m_fieldKind = Field::None;
    bool m_fieldResult = false;
    size_t m_fieldDepth = 0;  // the stack's size in the {\field ...} group; 0 outside

    // Pictures and objects.
    PictState m_pict;
    ShapeState m_shape;
    void finishShape();
    // The flags of {\*\kalamoraobj}, for the picture or object that follows.
    bool m_flagsPending = false;
    bool m_fastDisplay = false;
    bool m_saveAsData = true;
    void takeFlags(Inline &in);
    bool m_pictActive = false;
    size_t m_objectStart = 0;
    std::optional<Picture> m_objectResult;
    bool m_objectActive = false;
    size_t m_pictStart = 0;
    bool m_eof = false;
    TabStop::Kind m_pendingTab = TabStop::Left;
    int m_cpFont = -2;  // the font whose code page m_cpValue holds
    int m_cpValue = 1252;
};

CharFormat Reader::resolve(const CharState &c) const
{
    CharFormat f;
    int fontNo = c.font >= 0 ? c.font : m_defaultFont;
    auto it = m_fonts.find(fontNo);
    if (it != m_fonts.end())
        f.font = it->second.name;
    f.halfPoints = c.halfPoints;
    f.bold = c.bold;
    f.italic = c.italic;
    f.underline = c.underline;
    f.strike = c.strike;
    if (c.color > 0 && c.color < static_cast<int>(m_colors.size()))
        f.color = m_colors[c.color];
    if (c.background > 0 && c.background < static_cast<int>(m_colors.size()))
        f.background = m_colors[c.background];
    return f;
}

Inline &Reader::currentInline()
{
    if (m_formatDirty || m_para.inlines.empty() || !joinsLast()) {
        CharFormat f = resolve(st().chr);
        // A field's result stays one piece whatever formats it changes to.
        if (m_para.inlines.empty() || !joinsLast()
            || (st().field == Field::None && !(m_para.inlines.back().format == f))) {
            Inline in;
            in.format = std::move(f);
            in.field = st().field;
            m_para.inlines.push_back(std::move(in));
        }
        m_formatDirty = false;
    }
    return m_para.inlines.back();
}

void Reader::flushBytes()
{
    if (m_pendingBytes.empty())
        return;
    std::u16string decoded;
    if (!m_decoder || !m_decoder(m_pendingCodePage, m_pendingBytes, decoded)) {
        decoded.clear();
        for (char b : m_pendingBytes)
            decoded.push_back(kruti::glyphToChar(static_cast<unsigned char>(b)));
    }
    m_pendingBytes.clear();
    currentInline().text += decoded;
}

void Reader::textChar(char16_t c)
{
    if (m_skipCount > 0) {
        --m_skipCount;
        return;
    }
    switch (st().dest) {
    case Dest::Body:
        flushBytes();
        currentInline().text.push_back(c);
        break;
    case Dest::FontEntry:
    case Dest::FontTable:
        if (c == u';') {
            if (m_fontEntryNumber >= 0) {
                FontInfo fi;
                const size_t b = m_fontEntryName.find_first_not_of(' ');
                const size_t e = m_fontEntryName.find_last_not_of(' ');
                if (b != std::string::npos)
                    fi.name = m_fontEntryName.substr(b, e - b + 1);
                fi.codePage = m_fontEntryCodePage > 0
                    ? m_fontEntryCodePage
                    : charsetToCodePage(m_fontEntryCharset, m_ansiCodePage);
                m_fonts[m_fontEntryNumber] = fi;
                m_cpFont = -2;
            }
            m_fontEntryName.clear();
        } else if (m_fontEntryName.size() < 256) {
            appendUtf8(m_fontEntryName, c);
        }
        break;
    case Dest::ShapeName:
    case Dest::ShapeValue:
        if (m_shape.active) {
            std::string &into = st().dest == Dest::ShapeName ? m_shape.name : m_shape.value;
            if (into.size() < 64)
                appendUtf8(into, c);
        }
        break;
    case Dest::LevelText:
        if (m_level.text.size() < 64)
            m_level.text.push_back(c);
        break;
    case Dest::PnText: {
        std::u16string &t = m_pnTextAfter ? m_pn.after : m_pn.before;
        if (t.size() < 32)
            t.push_back(c);
        break;
    }
    case Dest::FieldInst:
        if (m_fieldInst.size() < 64 && c < 0x80)
            m_fieldInst.push_back(static_cast<char>(c));
        break;
    case Dest::ColorTable:
        if (c == u';') {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.push_back(std::nullopt);
            else
                m_colors.push_back((uint32_t(std::clamp(m_red, 0, 255)) << 16)
                                   | (uint32_t(std::clamp(m_green, 0, 255)) << 8)
                                   | uint32_t(std::clamp(m_blue, 0, 255)));
            m_red = m_green = m_blue = -1;
        }
        break;
    default:
        break;
    }
}

void Reader::textByte(unsigned char b)
{
    if (m_skipCount > 0) {
        --m_skipCount;
        return;
    }
    const Dest d = st().dest;
    if (d == Dest::Pict) {
        const int v = hexValue(b);
        if (v < 0)
            return;
        if (m_pict.nibble < 0) {
            m_pict.nibble = v;
        } else {
            m_pict.pic.data.push_back(static_cast<char>((m_pict.nibble << 4) | v));
            m_pict.nibble = -1;
        }
        return;
    }
    if (d == Dest::ObjectResult)
        return;
    if (d == Dest::Body) {
        const int cp = codePageOf(st().chr.font);
        if (cp == 1252 || cp == 0 || !m_decoder) {
            flushBytes();
            currentInline().text.push_back(kruti::glyphToChar(b));
        } else {
            if (!m_pendingBytes.empty() && m_pendingCodePage != cp)
                flushBytes();
            m_pendingCodePage = cp;
            m_pendingBytes.push_back(static_cast<char>(b));
        }
        return;
    }
    textChar(kruti::glyphToChar(b));
}

void Reader::plainText(std::string_view bytes)
{
    if (m_skipCount > 0 || st().dest != Dest::Body || codePageOf(st().chr.font) != 1252) {
        for (char b : bytes)
            textByte(static_cast<unsigned char>(b));
        return;
    }
    flushBytes();
    std::u16string &text = currentInline().text;
    for (char b : bytes)
        text.push_back(kruti::glyphToChar(static_cast<unsigned char>(b)));
}

void Reader::binary(size_t length)
{
    if (length > m_in.size() - m_pos) {
        warn("\\bin longer than the file");
        length = m_in.size() - m_pos;
    }
    if (st().dest == Dest::Pict)
        m_pict.pic.data.append(m_in.substr(m_pos, length));
    m_pos += length;
}

void Reader::openGroup()
{
    flushBytes();
    m_skipCount = 0;
    if (m_overflowDepth > 0 || m_stack.size() >= static_cast<size_t>(maxDepth)) {
        if (m_overflowDepth == 0)
            warn("groups nested too deep");
        ++m_overflowDepth;
        return;
    }
    State s = m_stack.back();
    s.groupStart = m_pos - 1;
    if (s.dest == Dest::FontTable)
        s.dest = Dest::FontEntry;
    m_stack.push_back(s);
}

void Reader::closeGroup()
{
    flushBytes();
    m_skipCount = 0;
    m_starPending = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1) {
        warn("unbalanced closing brace");
        return;
    }
    const State closing = m_stack.back();
    m_stack.pop_back();
    const Dest parent = m_stack.back().dest;
    closeStructureGroup(closing);
    if (closing.dest == Dest::Pict && parent != Dest::Pict)
        finishPict(m_pos);
    if (closing.dest == Dest::ShapeProp && parent == Dest::ShapeInst && m_shape.active) {
        // Wrapping distances come in EMU, 635 to the twip.
        const auto twips = [&] {
            return static_cast<int>(std::clamp<long long>(std::atoll(m_shape.value.c_str()) / 635, 0, 32767));
        };
        if (m_shape.name == "dxWrapDistLeft") m_shape.floating.distL = twips();
        else if (m_shape.name == "dyWrapDistTop") m_shape.floating.distT = twips();
        else if (m_shape.name == "dxWrapDistRight") m_shape.floating.distR = twips();
        else if (m_shape.name == "dyWrapDistBottom") m_shape.floating.distB = twips();
        m_shape.name.clear();
        m_shape.value.clear();
    }
    if (m_shape.active && m_stack.size() < m_shape.depth)
        finishShape();
    if (closing.dest == Dest::FontEntry && parent == Dest::FontTable && !m_fontEntryName.empty()) {
        // A font entry whose name lacks the closing semicolon.
        textChar(u';');
    }
    if (closing.dest == Dest::Object && parent != Dest::Object && parent != Dest::ObjectResult
        && m_objectActive) {
        m_objectActive = false;
        if (m_eof) {
            // Cut off: what it showed survives as a picture.
            if (m_objectResult && parent == Dest::Body) {
                Picture pic = std::move(*m_objectResult);
                m_objectResult.reset();
                addPictureInline(std::move(pic));
            }
            return;
        }
        Object obj;
        obj.raw.assign(m_in.substr(m_objectStart, m_pos - m_objectStart));
        obj.result = std::move(m_objectResult);
        m_objectResult.reset();
        if (parent == Dest::Body) {
            m_doc.objects.push_back(std::move(obj));
            Inline in;
            in.format = resolve(m_stack.back().chr);
            in.object = static_cast<int>(m_doc.objects.size()) - 1;
            takeFlags(in);
            m_para.inlines.push_back(std::move(in));
        }
    }
    if (closing.chr.font != m_stack.back().chr.font || closing.chr.bold != m_stack.back().chr.bold
        || closing.chr.italic != m_stack.back().chr.italic
        || closing.chr.halfPoints != m_stack.back().chr.halfPoints
        || closing.chr.underline != m_stack.back().chr.underline
        || closing.chr.strike != m_stack.back().chr.strike
        || closing.chr.color != m_stack.back().chr.color
        || closing.chr.background != m_stack.back().chr.background)
        m_formatDirty = true;
}

void Reader::finishPict(size_t end)
{
    if (!m_pictActive)
        return;
    m_pictActive = false;
    PictState &p = m_pict;
    Picture pic = std::move(p.pic);
    // Displayed size: the goal size, else the picture's own extent (pixels
    // for bitmaps at 96 per inch, hundredths of a millimetre for metafiles).
    int w = p.goalw, h = p.goalh;
    const bool bitmap = pic.kind == "png" || pic.kind == "jpeg" || pic.kind == "dibitmap"
        || pic.kind == "wbitmap";
    if (w <= 0)
        w = bitmap ? p.picw * 15 : static_cast<int>(p.picw * 1440LL / 2540);
    if (h <= 0)
        h = bitmap ? p.pich * 15 : static_cast<int>(p.pich * 1440LL / 2540);
    pic.widthTwips = static_cast<int>(std::clamp<long long>(1LL * w * p.scalex / 100, 0, maxLength));
    pic.heightTwips = static_cast<int>(std::clamp<long long>(1LL * h * p.scaley / 100, 0, maxLength));
    // Kinds not shown are kept as the group they came in; a group cut off by
    // the end of the file is written anew from its data instead.
    if (pic.kind != "png" && pic.kind != "jpeg" && !m_eof)
        pic.raw.assign(m_in.substr(m_pictStart, end - m_pictStart));
    const Dest d = m_stack.back().dest;
    if (d == Dest::ShapeValue) {
        if (m_shape.active && m_shape.name == "pib" && !m_shape.pib)
            m_shape.pib = std::move(pic);
        return;
    }
    if (d == Dest::Object || d == Dest::ObjectResult) {
        if (!m_objectResult)
            m_objectResult = std::move(pic);
        return;
    }
    if (d == Dest::Body)
        addPictureInline(std::move(pic));
}

void Reader::addPictureInline(Picture pic)
{
    flushBytes();
    m_doc.pictures.push_back(std::move(pic));
    Inline in;
    in.format = resolve(st().chr);
    in.picture = static_cast<int>(m_doc.pictures.size()) - 1;
    takeFlags(in);
    m_para.inlines.push_back(std::move(in));
}

void Reader::takeFlags(Inline &in)
{
    if (!m_flagsPending)
        return;
    in.fastDisplay = m_fastDisplay;
    in.saveAsData = m_saveAsData;
    m_flagsPending = false;
}

// The end of a {\shp} group: its picture floats beside the paragraph's text;
// without a picture of its own, the first picture or object its result put
// into the paragraph floats instead. In a table cell it stands in the line.
void Reader::finishShape()
{
    ShapeState shape = std::move(m_shape);
    m_shape = ShapeState();
    if (m_inTable) {
        if (shape.pib && (!m_eof || shape.pib->kind == "png" || shape.pib->kind == "jpeg"))
            addPictureInline(std::move(*shape.pib));
        return;
    }
    Float f = shape.floating;
    f.left = shape.left;
    f.top = shape.top;
    if (shape.fromPage)
        f.left -= m_doc.page.marginL.value_or(1800);
    if (shape.pib) {
        if (m_eof && shape.pib->kind != "png" && shape.pib->kind != "jpeg")
            return;
        addPictureInline(std::move(*shape.pib));
        m_para.inlines.back().floating = f;
        return;
    }
    for (size_t i = shape.firstInline; i < m_para.inlines.size(); ++i) {
        Inline &in = m_para.inlines[i];
        if (in.picture >= 0 || in.object >= 0) {
            in.floating = f;
            return;
        }
    }
}

void Reader::endParagraph()
{
    flushBytes();
    resolveNumbering(m_para.format);
    Paragraph p = std::move(m_para);
    m_para = Paragraph();
    m_para.format = p.format;
    m_para.format.pageBreakBefore = false;
    m_flagsPending = false;
    if (m_pageBreakPending) {
        m_para.format.pageBreakBefore = true;
        m_pageBreakPending = false;
    }
    m_formatDirty = true;
    const int depth = paragraphDepth();
    switchDepth(depth);
    Block b;
    b.paragraph = std::move(p);
    if (depth > 0)
        m_cellBlocks.push_back(std::move(b));
    else
        storyBlocks().push_back(std::move(b));
}

void Reader::endCell(int depth)
{
    flushBytes();
    resolveNumbering(m_para.format);
    Block b;
    b.paragraph = std::move(m_para);
    m_para = Paragraph();
    m_para.format = b.paragraph.format;
    m_para.format.pageBreakBefore = false;
    m_formatDirty = true;
    switchDepth(depth);
    m_cellBlocks.push_back(std::move(b));
    m_inTable = true;
    if (m_rowCells.size() >= 256)
        return;  // more cells than a row can hold: the text joins the last one
    Cell c;
    c.blocks = std::move(m_cellBlocks);
    m_cellBlocks.clear();
    m_rowCells.push_back(std::move(c));
}

void Reader::endRow(int depth)
{
    flushBytes();
    if (m_para.inlines.empty())
        switchDepth(depth);
    if (!m_para.inlines.empty() || !m_cellBlocks.empty())
        endCell(depth);
    finishRow();
    if (depth == 1)
        m_inTable = false;
}

void Reader::finishRow()
{
    if (!m_cellBlocks.empty()) {
        m_cellBlocks.emplace_back();  // the end of the cell the row lacks
        Cell c;
        c.blocks = std::move(m_cellBlocks);
        m_cellBlocks.clear();
        m_rowCells.push_back(std::move(c));
    }
    // Cells beyond the row's definitions that hold nothing are no cells:
    // LibreOffice ends a row that holds a nested table with one \cell too
    // many, and shows the row as defined.
    const auto empty = [](const Cell &c) {
        return std::all_of(c.blocks.begin(), c.blocks.end(),
                           [](const Block &b) { return !b.isTable() && b.paragraph.inlines.empty(); });
    };
    while (!m_rowDef.cells.empty() && m_rowCells.size() > m_rowDef.cells.size() && empty(m_rowCells.back()))
        m_rowCells.pop_back();
    if (m_rowCells.empty() && m_rowDef.cells.empty())
        return;
    Row row;
    row.gap = m_rowDef.gap;
    row.left = m_rowDef.left;
    row.spacing = m_rowDef.spacing;
    row.background = m_rowDef.background;
    // A border on every side and between the cells is the table's own; one
    // on some sides only stays with the cells.
    if (std::all_of(m_rowSides.begin(), m_rowSides.end(), [&](int w) { return w > 0 && w == m_rowSides[0]; }))
        row.border = m_rowSides[0];
    // Cells take the definitions in order; a row with more cells than
    // definitions (a broken table) gets widths continued from the last one.
    const size_t count = std::max(m_rowCells.size(), m_rowDef.cells.size());
    int lastRight = 0;
    for (size_t i = 0; i < count; ++i) {
        Cell c;
        if (i < m_rowDef.cells.size()) {
            c = m_rowDef.cells[i];
            c.blocks.clear();
        } else {
            c.right = lastRight + 1440;
        }
        if (c.right <= lastRight)
            c.right = lastRight + 1;
        lastRight = c.right;
        if (i < m_rowCells.size())
            c.blocks = std::move(m_rowCells[i].blocks);
        // What the cells repeat of the table's background and border is the
        // table's, not their own.
        if (row.background && c.shading == row.background)
            c.shading.reset();
        if (row.border > 0 && c.borders == Borders{row.border, row.border, row.border, row.border})
            c.borders = Borders();
        if (c.blocks.empty())
            c.blocks.emplace_back();
        row.cells.push_back(std::move(c));
    }
    m_rowCells.clear();
    m_table.rows.push_back(std::move(row));
}

void Reader::finishDocument()
{
    flushBytes();
    if (m_pictActive) {
        m_stack.resize(std::min<size_t>(m_stack.size(), 2));
        m_pictActive = false;
    }
    finishStoryText();
    // A section's headers and footers: the first of each kind counts.
    const auto firstOfEachKind = [](std::vector<HeaderFooter> &headers) {
        for (size_t i = 1; i < headers.size(); ++i) {
            for (size_t j = 0; j < i; ++j) {
                if (headers[j].kind == headers[i].kind && headers[j].pages == headers[i].pages) {
                    headers.erase(headers.begin() + static_cast<std::ptrdiff_t>(i--));
                    break;
                }
            }
        }
    };
    firstOfEachKind(m_doc.headers);
    for (Section &section : m_doc.sections)
        firstOfEachKind(section.headers);
    // A last section that holds nothing yet gets its empty paragraph.
    if (!m_doc.sections.empty() && m_doc.sections.back().start >= m_doc.blocks.size())
        m_doc.blocks.emplace_back();
}

// \sect: ends the paragraph and the section; the next one starts with the
// properties of this one (until \sectd) and headers of its own. In a
// header, footer, footnote or table cell it only ends the paragraph.
void Reader::endSection()
{
    flushBytes();
    if (!m_stories.empty() || paragraphDepth() > 0 || m_doc.sections.size() >= maxSections) {
        endParagraph();
        return;
    }
    switchDepth(0);
    // After a table, \sect ends the section without a paragraph of its own.
    const size_t from = m_doc.sections.empty() ? 0 : m_doc.sections.back().start;
    if (!m_para.inlines.empty() || m_doc.blocks.size() <= from || !m_doc.blocks.back().isTable())
        endParagraph();
    Section next;
    if (m_doc.sections.empty()) {
        next.page = m_doc.page;
        next.titlePage = m_doc.titlePage;
        next.headerY = m_doc.headerY;
        next.footerY = m_doc.footerY;
    } else {
        next = m_doc.sections.back();
        next.headers.clear();
    }
    next.start = m_doc.blocks.size();
    m_doc.sections.push_back(std::move(next));
}

// The words of a section's properties. Those of the first section are the
// document's; \sectd there leaves what the document set.
bool Reader::sectionWord(std::string_view w, int param)
{
    Section *section = m_doc.sections.empty() ? nullptr : &m_doc.sections.back();
    PageSetup &page = section ? section->page : m_doc.page;
    if (w == "pgwsxn") { page.width = param; return true; }
    if (w == "pghsxn") { page.height = param; return true; }
    if (w == "marglsxn") { page.marginL = param; return true; }
    if (w == "margrsxn") { page.marginR = param; return true; }
    if (w == "margtsxn") { page.marginT = param; return true; }
    if (w == "margbsxn") { page.marginB = param; return true; }
    if (w == "lndscpsxn") { page.landscape = true; return true; }
    if (w == "titlepg") { (section ? section->titlePage : m_doc.titlePage) = true; return true; }
    if (w == "headery") { (section ? section->headerY : m_doc.headerY) = std::clamp(param, 0, maxLength); return true; }
    if (w == "footery") { (section ? section->footerY : m_doc.footerY) = std::clamp(param, 0, maxLength); return true; }
    static const std::array<std::pair<std::string_view, Section::Break>, 5> breaks = {{
        {"sbkpage", Section::Page}, {"sbknone", Section::None}, {"sbkcol", Section::Column},
        {"sbkeven", Section::Even}, {"sbkodd", Section::Odd}}};
    for (const auto &[word, kind] : breaks) {
        if (w == word) {
            if (section)
                section->breakKind = kind;
            return true;
        }
    }
    if (w == "sectd") {
        if (section) {
            section->breakKind = Section::Page;
            section->page = PageSetup();
            section->titlePage = false;
            section->headerY.reset();
            section->footerY.reset();
        }
        return true;
    }
    return false;
}

void Reader::controlSymbol(char c)
{
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(static_cast<unsigned char>(c));
        return;
    case '~':
        textChar(u'\u00A0');
        return;
    case '-':
        textChar(u'\u00AD');
        return;
    case '_':
        textChar(u'\u2011');
        return;
    case '*':
        m_starPending = true;
        return;
    case '\n':
    case '\r':
        controlWord("par", false, 0);
        return;
    case '\t':
        controlWord("tab", false, 0);
        return;
    default:
        if (m_skipCount > 0)
            --m_skipCount;
        return;
    }
}

// The words that make up most of a document's body, looked up at once;
// everything else takes the longer way through controlWord.
bool Reader::fastBodyWord(std::string_view w, bool hasParam, int param)
{
    enum Word { F, Fs, B, I, Ul, UlNone, Strike, Cf, Cb, Plain, Par, Pard, Intbl, Cell, Tab, Li, Ri, Fi, Sb, Sa, Sl, SlMult,
                Ql, Qr, Qc, Qj, Ignored };
    static const std::unordered_map<std::string_view, Word> words = {
        {"f", F}, {"fs", Fs}, {"b", B}, {"i", I}, {"ul", Ul}, {"ulnone", UlNone}, {"strike", Strike},
        {"cf", Cf}, {"cb", Cb}, {"chcbpat", Cb}, {"highlight", Cb}, {"plain", Plain}, {"par", Par},
        {"pard", Pard}, {"intbl", Intbl}, {"cell", Cell}, {"tab", Tab}, {"li", Li}, {"ri", Ri}, {"fi", Fi},
        {"sb", Sb}, {"sa", Sa}, {"ql", Ql}, {"qr", Qr}, {"qc", Qc}, {"qj", Qj},
        // Script, language and revision marks that change nothing here.
        {"loch", Ignored}, {"hich", Ignored}, {"dbch", Ignored}, {"af", Ignored}, {"afs", Ignored},
        {"rtlch", Ignored}, {"ltrch", Ignored}, {"lang", Ignored}, {"langfe", Ignored}, {"langnp", Ignored},
        {"langfenp", Ignored}, {"alang", Ignored}, {"ltrpar", Ignored}, {"nowidctlpar", Ignored},
        {"s", Ignored}, {"cs", Ignored}, {"insrsid", Ignored}, {"charrsid", Ignored}, {"rtlpar", Ignored},
        {"widctlpar", Ignored}, {"aspalpha", Ignored}, {"aspnum", Ignored}, {"faauto", Ignored},
        {"adjustright", Ignored}, {"itap", Ignored}, {"slmult", SlMult}, {"sl", Sl},
        {"noproof", Ignored}, {"kerning", Ignored}, {"ab", Ignored}, {"ai", Ignored}};
    const auto it = words.find(w);
    if (it == words.end())
        return false;
    CharState &c = st().chr;
    ParaFormat &pf = m_para.format;
    const bool on = !hasParam || param != 0;
    auto setChr = [&](auto &field, auto value) {
        if (field != value) {
            flushBytes();
            field = value;
            m_formatDirty = true;
        }
    };
    switch (it->second) {
    case F: setChr(c.font, param); break;
    case Fs: setChr(c.halfPoints, std::clamp(hasParam ? param : 24, 2, 3276)); break;
    case B: setChr(c.bold, on); break;
    case I: setChr(c.italic, on); break;
    case Ul: setChr(c.underline, on); break;
    case UlNone: setChr(c.underline, false); break;
    case Strike: setChr(c.strike, on); break;
    case Cf: setChr(c.color, param); break;
    case Cb: setChr(c.background, param); break;
    case Plain:
        flushBytes();
        c = CharState();
        m_formatDirty = true;
        break;
    case Par: endParagraph(); break;
    case Pard:
        flushBytes();
        {
            const bool pageBreak = pf.pageBreakBefore && m_para.inlines.empty();
            pf = ParaFormat();
            pf.pageBreakBefore = pageBreak;
        }
        m_inTable = false;
        pardStructure();
        break;
    case Intbl: m_inTable = true; break;
    case Cell: endCell(1); break;
    case Tab: textChar(u'\t'); break;
    case Li: pf.leftIndent = length(param); break;
    case Ri: pf.rightIndent = length(param); break;
    case Fi: pf.firstIndent = length(param); break;
    case Sb: pf.spaceBefore = std::clamp(param, 0, maxLength); break;
    case Sa: pf.spaceAfter = std::clamp(param, 0, maxLength); break;
    case Ql: pf.align = Align::Left; break;
    case Qr: pf.align = Align::Right; break;
    case Qc: pf.align = Align::Center; break;
    case Qj: pf.align = Align::Justify; break;
    case Sl: pf.lineSpacing = std::clamp(hasParam ? param : 0, -maxLength, maxLength); break;
    case SlMult: pf.lineMultiple = on; break;
    case Ignored: break;
    }
    return true;
}

int Reader::codePageOf(int font)
{
    if (font != m_cpFont) {
        m_cpFont = font;
        m_cpValue = 1252;
        const int fontNo = font >= 0 ? font : m_defaultFont;
        if (auto it = m_fonts.find(fontNo); it != m_fonts.end())
            m_cpValue = it->second.codePage;
        else if (fontNo < 0 || m_fonts.empty())
            m_cpValue = m_ansiCodePage;
    }
    return m_cpValue;
}

void Reader::controlWord(std::string_view w, bool hasParam, int param)
{
    const bool star = m_starPending;
    m_starPending = false;
    State &s = st();

    // Destinations first: they decide how the rest of the group is read.
    auto enter = [&](Dest d) { s.dest = d; };
    if (s.dest == Dest::Skip)
        return;
    if (m_skipCount > 0) {
        // A control word stands for one character of the \uN fallback.
        --m_skipCount;
        return;
    }

    if (w == "itap") {
        s.itap = std::clamp(param, 0, maxTableDepth);
        return;
    }
    if (s.dest == Dest::Body && !star && fastBodyWord(w, hasParam, param))
        return;
    if (structureWord(w, hasParam, param, star))
        return;

    if (w == "fonttbl") { enter(Dest::FontTable); return; }
    if (w == "colortbl") { enter(Dest::ColorTable); m_colors.clear(); return; }
    if (w == "pict") {
        if (s.dest == Dest::Body || s.dest == Dest::Object || s.dest == Dest::ObjectResult
            || s.dest == Dest::ShapeValue) {
            flushBytes();
            enter(Dest::Pict);
            m_pict = PictState();
            m_pict.pic.kind = "wmetafile";
            m_pictActive = true;
            m_pictStart = s.groupStart;
        } else {
            enter(Dest::Skip);
        }
        return;
    }
    if (w == "object") {
        if (s.dest == Dest::Body && !m_objectActive) {
            flushBytes();
            enter(Dest::Object);
            m_objectActive = true;
            m_objectStart = s.groupStart;
            m_objectResult.reset();
        } else {
            enter(Dest::Skip);
        }
        return;
    }
    if (w == "result") {
        enter(s.dest == Dest::Object ? Dest::ObjectResult : Dest::Skip);
        return;
    }
    // Shapes: a picture that floats beside the text. What their result
    // shows is read instead when the shape has no picture of its own.
    if (w == "shp") {
        if (s.dest == Dest::Body && !m_shape.active) {
            flushBytes();
            m_shape = ShapeState();
            m_shape.active = true;
            m_shape.depth = m_stack.size();
            m_shape.firstInline = m_para.inlines.size();
        }
        return;
    }
    if (w == "shpinst" && s.dest == Dest::Body && m_shape.active && m_stack.size() == m_shape.depth + 1) {
        enter(Dest::ShapeInst);
        return;
    }
    if (w == "shprslt" && m_shape.active && m_shape.pib) {
        enter(Dest::Skip);
        return;
    }
    if (s.dest == Dest::ShapeInst) {
        if (w == "sp") enter(Dest::ShapeProp);
        else if (w == "shpleft") m_shape.left = length(param);
        else if (w == "shptop") m_shape.top = length(param);
        else if (w == "shpbxpage") m_shape.fromPage = true;
        else if (w == "shpbxcolumn" || w == "shpbxmargin") m_shape.fromPage = false;
        else if (star) enter(Dest::Skip);
        return;
    }
    if (s.dest == Dest::ShapeProp) {
        if (w == "sn") enter(Dest::ShapeName);
        else if (w == "sv") enter(Dest::ShapeValue);
        return;
    }
    if (star && w == "kalamoraobj" && s.dest == Dest::Body) {
        enter(Dest::ObjectFlags);
        m_flagsPending = true;
        m_fastDisplay = false;
        m_saveAsData = true;
        return;
    }
    if (s.dest == Dest::ObjectFlags) {
        if (w == "fastdisplay") m_fastDisplay = !hasParam || param != 0;
        else if (w == "saveasdata") m_saveAsData = !hasParam || param != 0;
        return;
    }
    if (w == "shppict" || w == "fldrslt" || w == "shprslt")
        return;  // read on as body
    if (w == "pn") {
        enter(s.dest == Dest::Body ? Dest::Bullet : Dest::Skip);
        m_pn = PnState();
        return;
    }
    if (s.dest == Dest::Object) {
        // Everything of an object other than its result is kept in `raw`.
        if (star || w == "objdata" || w == "objclass" || w == "objname")
            enter(Dest::Skip);
        return;
    }
    if (star) {
        enter(Dest::Skip);
        return;
    }
    static const std::array<std::string_view, 22> skipped = {
        "stylesheet", "info", "header", "footer", "headerl", "headerr", "headerf",
        "footerl", "footerr", "footerf", "pntext", "listtext", "fldinst", "footnote",
        "annotation", "nonshppict", "xe", "tc", "txe", "shpinst", "themedata", "listtable",
    };
    if (std::find(skipped.begin(), skipped.end(), w) != skipped.end()) {
        enter(Dest::Skip);
        return;
    }

    switch (s.dest) {
    case Dest::FontTable:
    case Dest::FontEntry:
        if (w == "f") {
            m_fontEntryNumber = hasParam ? param : -1;
            m_fontEntryCharset = -1;
            m_fontEntryCodePage = -1;
            m_fontEntryName.clear();
        } else if (w == "fcharset") {
            m_fontEntryCharset = param;
        } else if (w == "cpg") {
            m_fontEntryCodePage = param;
        }
        return;
    case Dest::ColorTable:
        if (w == "red") m_red = param;
        else if (w == "green") m_green = param;
        else if (w == "blue") m_blue = param;
        return;
    case Dest::Pict:
        if (w == "pngblip") m_pict.pic.kind = "png";
        else if (w == "jpegblip") m_pict.pic.kind = "jpeg";
        else if (w == "emfblip") m_pict.pic.kind = "emfblip";
        else if (w == "wmetafile") m_pict.pic.kind = "wmetafile";
        else if (w == "macpict") m_pict.pic.kind = "macpict";
        else if (w == "dibitmap") m_pict.pic.kind = "dibitmap";
        else if (w == "wbitmap") m_pict.pic.kind = "wbitmap";
        else if (w == "pmmetafile") m_pict.pic.kind = "pmmetafile";
        else if (w == "picw") m_pict.picw = std::clamp(param, 0, 1 << 20);
        else if (w == "pich") m_pict.pich = std::clamp(param, 0, 1 << 20);
        else if (w == "picwgoal") m_pict.goalw = std::clamp(param, 0, maxLength);
        else if (w == "pichgoal") m_pict.goalh = std::clamp(param, 0, maxLength);
        else if (w == "picscalex") m_pict.scalex = std::clamp(param, 1, 10000);
        else if (w == "picscaley") m_pict.scaley = std::clamp(param, 1, 10000);
        else if (w == "bin" && hasParam) binary(static_cast<size_t>(std::max(param, 0)));
        return;
    case Dest::Body:
    case Dest::ObjectResult:
        break;
    default:
        return;
    }

    // Body text: characters, character and paragraph formatting, tables.
    CharState &c = s.chr;
    auto setChr = [&](auto &field, auto value) {
        if (field != value) {
            flushBytes();
            field = value;
            m_formatDirty = true;
        }
    };
    const bool on = !hasParam || param != 0;
    ParaFormat &pf = m_para.format;

    if (w == "par") { endParagraph(); return; }
    if (w == "sect") { endSection(); return; }
    if (w == "line") { textChar(u'\u2028'); return; }
    if (w == "tab") { textChar(u'\t'); return; }
    if (w == "u" && hasParam) {
        int v = param;
        if (v < 0) v += 65536;
        if (v < 0 || v > 0xFFFF) v = 0xFFFD;
        textChar(static_cast<char16_t>(v));
        m_skipCount = s.uc;
        return;
    }
    if (w == "uc") { s.uc = std::clamp(param, 0, 10); return; }
    if (w == "emdash") { textChar(u'\u2014'); return; }
    if (w == "endash") { textChar(u'\u2013'); return; }
    if (w == "emspace") { textChar(u'\u2003'); return; }
    if (w == "enspace") { textChar(u'\u2002'); return; }
    if (w == "qmspace") { textChar(u'\u2005'); return; }
    if (w == "bullet") { textChar(u'\u2022'); return; }
    if (w == "lquote") { textChar(u'\u2018'); return; }
    if (w == "rquote") { textChar(u'\u2019'); return; }
    if (w == "ldblquote") { textChar(u'\u201C'); return; }
    if (w == "rdblquote") { textChar(u'\u201D'); return; }
    if (w == "page") {
        flushBytes();
        if (m_para.inlines.empty())
            pf.pageBreakBefore = true;
        else {
            m_pageBreakPending = true;
            endParagraph();
        }
        return;
    }
    if (w == "bin") {
        if (hasParam)
            binary(static_cast<size_t>(std::max(param, 0)));
        return;
    }

    if (w == "plain") {
        flushBytes();
        c = CharState();
        m_formatDirty = true;
        return;
    }
    if (w == "f") { setChr(c.font, param); return; }
    if (w == "fs") { setChr(c.halfPoints, std::clamp(hasParam ? param : 24, 2, 3276)); return; }
    if (w == "b") { setChr(c.bold, on); return; }
    if (w == "i") { setChr(c.italic, on); return; }
    if (w == "strike" || w == "striked") { setChr(c.strike, on); return; }
    if (w == "ulnone") { setChr(c.underline, false); return; }
    if (w.substr(0, 2) == "ul" && w != "ulc") { setChr(c.underline, on); return; }
    if (w == "cf") { setChr(c.color, param); return; }
    if (w == "cb" || w == "highlight" || w == "chcbpat") { setChr(c.background, param); return; }

    if (w == "pard") {
        flushBytes();
        pf = ParaFormat();
        pf.pageBreakBefore = m_para.format.pageBreakBefore && m_para.inlines.empty();
        m_inTable = false;
        pardStructure();
        return;
    }
    if (w == "ql") { pf.align = Align::Left; return; }
    if (w == "qr") { pf.align = Align::Right; return; }
    if (w == "qc") { pf.align = Align::Center; return; }
    if (w == "qj") { pf.align = Align::Justify; return; }
    if (w == "li") { pf.leftIndent = length(param); return; }
    if (w == "ri") { pf.rightIndent = length(param); return; }
    if (w == "fi") { pf.firstIndent = length(param); return; }
    if (w == "sb") { pf.spaceBefore = std::clamp(param, 0, maxLength); return; }
    if (w == "sa") { pf.spaceAfter = std::clamp(param, 0, maxLength); return; }
    if (w == "pagebb") { pf.pageBreakBefore = on; return; }
    if (w == "tqr" || w == "tqc" || w == "tqdec") {
        m_pendingTab = w == "tqr" ? TabStop::Right : w == "tqc" ? TabStop::Center : TabStop::Decimal;
        return;
    }
    if (w == "tx") {
        if (pf.tabs.size() < 64)
            pf.tabs.push_back(TabStop{std::clamp(param, 0, maxLength), m_pendingTab});
        m_pendingTab = TabStop::Left;
        return;
    }

    // Page setup.
    if (w == "paperw") { m_doc.page.width = param; return; }
    if (w == "paperh") { m_doc.page.height = param; return; }
    if (w == "margl") { m_doc.page.marginL = param; return; }
    if (w == "margr") { m_doc.page.marginR = param; return; }
    if (w == "margt") { m_doc.page.marginT = param; return; }
    if (w == "margb") { m_doc.page.marginB = param; return; }
    if (w == "landscape") { m_doc.page.landscape = true; return; }
    if (sectionWord(w, param))
        return;
    if (w == "ansicpg") { m_ansiCodePage = param; m_cpFont = -2; return; }
    if (w == "deff") { m_defaultFont = param; m_cpFont = -2; return; }

    // Tables.
    if (w == "intbl") { m_inTable = true; return; }
    if (w == "trowd") {
        m_rowDef = Row();
        m_cellDef = Cell();
        m_borderSide = -1;
        m_rowBorder = false;
        m_rowSides.fill(0);
        m_rowSide = -1;
        m_spacingLeft = m_spacingRight = 0;
        return;
    }
    if (w == "trspdl" || w == "trspdr") {
        (w == "trspdl" ? m_spacingLeft : m_spacingRight) = std::clamp(param, 0, 1440);
        m_rowDef.spacing = m_spacingLeft + m_spacingRight;
        return;
    }
    if (w == "trcbpat") {
        if (param > 0 && param < static_cast<int>(m_colors.size()))
            m_rowDef.background = m_colors[param];
        return;
    }
    if (w == "trgaph") { m_rowDef.gap = std::clamp(param, 0, 1440); return; }
    if (w == "trleft") { m_rowDef.left = length(param); return; }
    if (w.substr(0, 2) == "cl")
        m_rowSide = -1;
    if (w == "clbrdrt") { m_borderSide = 0; m_cellDef.borders.top = 15; return; }
    if (w == "clbrdrl") { m_borderSide = 1; m_cellDef.borders.left = 15; return; }
    if (w == "clbrdrb") { m_borderSide = 2; m_cellDef.borders.bottom = 15; return; }
    if (w == "clbrdrr") { m_borderSide = 3; m_cellDef.borders.right = 15; return; }
    if (w == "trbrdrt" || w == "trbrdrl" || w == "trbrdrb" || w == "trbrdrr" || w == "trbrdrh"
        || w == "trbrdrv") {
        m_borderSide = -1;
        static constexpr std::string_view sides = "tlbrhv";
        m_rowSide = static_cast<int>(sides.find(w.back()));
        m_rowSides[m_rowSide] = 15;
        return;
    }
    if (m_rowSide >= 0 && (w == "brdrw" || w == "brdrnone")) {
        m_rowSides[m_rowSide] = w == "brdrnone" ? 0 : std::clamp(param, 0, 255);
        return;
    }
    if (w == "brdrw" || w == "brdrnone" || w == "brdrs") {
        if (m_borderSide >= 0) {
            int *sides[] = {&m_cellDef.borders.top, &m_cellDef.borders.left, &m_cellDef.borders.bottom,
                            &m_cellDef.borders.right};
            if (w == "brdrnone")
                *sides[m_borderSide] = 0;
            else if (w == "brdrw")
                *sides[m_borderSide] = std::clamp(param, 0, 255);
        }
        return;
    }
    if (w == "clcbpat") {
        if (param > 0 && param < static_cast<int>(m_colors.size()))
            m_cellDef.shading = m_colors[param];
        return;
    }
    if (w == "clmgf") { m_cellDef.mergeFirst = true; return; }
    if (w == "clmrg") { m_cellDef.merged = true; return; }
    if (w == "clvmgf") { m_cellDef.vmergeFirst = true; return; }
    if (w == "clvmrg") { m_cellDef.vmerged = true; return; }
    if (w == "cellx") {
        m_cellDef.right = std::clamp(param, -maxLength, 4 * maxLength);
        if (m_rowDef.cells.size() < 256)
            m_rowDef.cells.push_back(m_cellDef);
        m_cellDef = Cell();
        m_borderSide = -1;
        return;
    }
    if (w == "cell") {
        endCell(1);
        return;
    }
    if (w == "row") {
        endRow(1);
        return;
    }
}

// --- Structure: lists, tables in tables, headers, footers, footnotes, fields ---

Numbering::Style styleOfNfc(int nfc)
{
    switch (nfc) {
    case 1: return Numbering::UpperRoman;
    case 2: return Numbering::LowerRoman;
    case 3: return Numbering::UpperAlpha;
    case 4: return Numbering::LowerAlpha;
    default: return Numbering::Decimal;
    }
}

void appendNumberingText(std::string &out, const std::u16string &text)
{
    for (char16_t c : text) {
        if (c == u'%')
            out += "%%";
        else if (c >= 0x20)
            appendUtf8(out, c);
    }
}

// \leveltext holds its length, then the text with the numbers of levels 1
// to 9 as the codes 0 to 8.
std::string numberingText(const std::u16string &levelText)
{
    std::string out;
    if (levelText.empty())
        return out;
    const size_t n = std::min<size_t>(levelText[0], levelText.size() - 1);
    for (size_t i = 1; i <= n; ++i) {
        const char16_t c = levelText[i];
        if (c < 9) {
            out += '%';
            out += static_cast<char>('1' + c);
        } else {
            appendNumberingText(out, std::u16string(1, c));
        }
    }
    return out;
}

Field fieldOf(const std::string &instruction)
{
    const size_t b = instruction.find_first_not_of(' ');
    if (b == std::string::npos)
        return Field::None;
    std::string word = instruction.substr(b, instruction.find(' ', b) - b);
    for (char &c : word)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (word == "PAGE")
        return Field::Page;
    if (word == "NUMPAGES")
        return Field::NumPages;
    return Field::None;
}

bool Reader::joinsLast()
{
    const Inline &in = m_para.inlines.back();
    return in.picture < 0 && in.object < 0 && in.footnote < 0 && in.field == st().field;
}

void Reader::pardStructure()
{
    st().itap = 0;
    m_ls = 0;
    m_ilvl = 0;
    m_pn = PnState();
}

bool Reader::structureWord(std::string_view w, bool hasParam, int param, bool star)
{
    State &s = st();
    const auto unicode = [&] {
        if (w == "u" && hasParam) {
            textChar(static_cast<char16_t>(param < 0 ? param + 65536 : std::min(param, 0xFFFD)));
            m_skipCount = s.uc;
        }
    };
    switch (s.dest) {
    case Dest::ListTable:
    case Dest::List:
    case Dest::ListLevel:
    case Dest::ListOverrideTable:
    case Dest::ListOverride:
        if (star)
            s.dest = Dest::Skip;
        else
            listWord(w, hasParam, param);
        return true;
    case Dest::Bullet:
        if (w == "pntxtb" || w == "pntxta") {
            s.dest = Dest::PnText;
            m_pnTextAfter = w == "pntxta";
            (m_pnTextAfter ? m_pn.after : m_pn.before).clear();
        } else {
            pnWord(w, param);
        }
        return true;
    case Dest::LevelText:
    case Dest::PnText:
    case Dest::FieldInst:
        unicode();
        return true;
    case Dest::Body:
        break;
    default:
        return false;
    }

    if (w == "listtable") { s.dest = Dest::ListTable; return true; }
    if (w == "listoverridetable") { s.dest = Dest::ListOverrideTable; return true; }
    if (w == "ls") { m_ls = std::max(param, 0); return true; }
    if (w == "ilvl") { m_ilvl = std::clamp(param, 0, 8); return true; }

    if (w == "nestcell" || w == "nestrow") {
        const int depth = std::max(std::clamp(s.itap, 1, maxTableDepth), 2);
        if (w == "nestcell")
            endCell(depth);
        else
            endRow(depth);
        return true;
    }
    if (w == "nesttableprops")
        return true;  // a nested row's definition: read as the row's
    if (w == "nonesttables") { s.dest = Dest::Skip; return true; }

    static const std::array<std::string_view, 8> stories = {
        "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"};
    if (const auto it = std::find(stories.begin(), stories.end(), w); it != stories.end()) {
        const size_t i = static_cast<size_t>(it - stories.begin());
        std::vector<HeaderFooter> &headers = sectionHeaders();
        if (!m_stories.empty() || headers.size() >= 16) {
            s.dest = Dest::Skip;
            return true;
        }
        HeaderFooter h;
        h.kind = i < 4 ? HeaderFooter::Header : HeaderFooter::Footer;
        h.pages = static_cast<HeaderFooter::Pages>(i % 4);
        headers.push_back(std::move(h));
        beginStory(1, static_cast<int>(headers.size()) - 1);
        return true;
    }
    if (w == "footnote") {
        beginFootnote();
        return true;
    }
    if (w == "ftnalt") {
        for (auto it = m_stories.rbegin(); it != m_stories.rend(); ++it) {
            if (it->kind == 2) {
                m_doc.footnotes[static_cast<size_t>(it->index)].endnote = true;
                break;
            }
        }
        return true;
    }
    if (w == "facingp") { m_doc.facingPages = true; return true; }

    if (w == "chftn" || w == "chpgn") {
        flushBytes();
        Inline in;
        in.format = resolve(s.chr);
        in.field = w == "chftn" ? Field::NoteNumber : Field::Page;
        m_para.inlines.push_back(std::move(in));
        m_formatDirty = true;
        return true;
    }
    if (w == "field") {
        m_fieldDepth = m_stack.size();
        m_fieldKind = Field::None;
        m_fieldResult = false;
        return true;
    }
    if (w == "fldinst") {
        s.dest = Dest::FieldInst;
        m_fieldInst.clear();
        return true;
    }
    if (w == "fldrslt") {
        // The result of a page field is one piece, whatever it holds.
        if (m_fieldKind != Field::None && !m_fieldResult) {
            flushBytes();
            s.field = m_fieldKind;
            m_fieldResult = true;
            Inline in;
            in.format = resolve(s.chr);
            in.field = m_fieldKind;
            m_para.inlines.push_back(std::move(in));
            m_formatDirty = false;
        }
        return true;
    }
    return false;
}

void Reader::listWord(std::string_view w, bool hasParam, int param)
{
    State &s = st();
    const Dest d = s.dest;
    if (w == "list" && d == Dest::ListTable) {
        s.dest = Dest::List;
        m_listLevels.clear();
        m_listId = 0;
    } else if (w == "listlevel" && d == Dest::List) {
        s.dest = Dest::ListLevel;
        m_level = ListLevelDef();
    } else if (w == "listoverride" && d == Dest::ListOverrideTable) {
        s.dest = Dest::ListOverride;
        m_overrideList = 0;
        m_overrideLs = 0;
        m_level = ListLevelDef();
        m_levelInOverride = false;
    } else if (w == "leveltext" && (d == Dest::ListLevel || d == Dest::ListOverride)) {
        m_levelInOverride = m_levelInOverride || d == Dest::ListOverride;
        s.dest = Dest::LevelText;
        m_level.text.clear();
    } else if (w == "listid" && hasParam) {
        if (d == Dest::List)
            m_listId = param;
        else if (d == Dest::ListOverride)
            m_overrideList = param;
    } else if (w == "ls" && d == Dest::ListOverride) {
        m_overrideLs = param;
    } else if ((w == "levelnfc" || w == "levelnfcn") && (d == Dest::ListLevel || d == Dest::ListOverride)) {
        // Some writers put the level itself into the override.
        m_level.nfc = param;
        m_levelInOverride = m_levelInOverride || d == Dest::ListOverride;
    } else if (w == "levelstartat" && (d == Dest::ListLevel || d == Dest::ListOverride)) {
        m_level.start = std::clamp(param, 0, 32767);
    } else if (w == "listname" || w == "levelnumbers" || w == "lfolevel" || w == "listpicture") {
        s.dest = Dest::Skip;
    }
}

void Reader::pnWord(std::string_view w, int param)
{
    if (w == "pnlvlblt") {
        m_pn.kind = PnState::Bullet;
    } else if (w == "pnlvlbody") {
        m_pn.kind = PnState::Number;
        m_pn.level = 0;
    } else if (w == "pnlvl") {
        m_pn.kind = PnState::Number;
        m_pn.level = std::clamp(param - 1, 0, 8);
    } else if (w == "pnlvlcont") {
        m_pn.kind = PnState::None;
    } else if (w == "pnucrm") {
        m_pn.style = Numbering::UpperRoman;
    } else if (w == "pnlcrm") {
        m_pn.style = Numbering::LowerRoman;
    } else if (w == "pnucltr") {
        m_pn.style = Numbering::UpperAlpha;
    } else if (w == "pnlcltr") {
        m_pn.style = Numbering::LowerAlpha;
    } else if (w == "pndec" || w == "pnord" || w == "pncard" || w == "pnordt") {
        m_pn.style = Numbering::Decimal;
    } else if (w == "pnstart") {
        m_pn.start = std::clamp(param, 0, 32767);
    }
}

void Reader::closeStructureGroup(const State &closing)
{
    const Dest parent = st().dest;
    if (closing.dest != parent) {
        switch (closing.dest) {
        case Dest::ListLevel:
            if (m_listLevels.size() < 9)
                m_listLevels.push_back(m_level);
            break;
        case Dest::List:
            if (m_listId != 0 && m_lists.size() < 1024)
                m_lists[m_listId] = std::move(m_listLevels);
            m_listLevels.clear();
            break;
        case Dest::ListOverride:
            if (m_overrideLs > 0 && m_overrides.size() < 1024) {
                auto &o = m_overrides[m_overrideLs];
                o.first = m_overrideList;
                if (m_levelInOverride)
                    o.second = m_level;
            }
            break;
        case Dest::FieldInst:
            m_fieldKind = fieldOf(m_fieldInst);
            break;
        default:
            break;
        }
    }
    if (m_fieldDepth > 0 && m_stack.size() < m_fieldDepth) {
        // A page field without a result: its number is still wanted.
        if (m_fieldKind != Field::None && !m_fieldResult && parent == Dest::Body) {
            flushBytes();
            Inline in;
            in.format = resolve(st().chr);
            in.field = m_fieldKind;
            m_para.inlines.push_back(std::move(in));
            m_formatDirty = true;
        }
        m_fieldDepth = 0;
        m_fieldKind = Field::None;
    }
    while (!m_stories.empty() && m_stack.size() < m_stories.back().depth)
        endStory();
}

void Reader::resolveNumbering(ParaFormat &f)
{
    if (f.numbering.style != Numbering::None)
        f.numbering = Numbering();
    f.bullet = false;
    const ListLevelDef *level = nullptr;
    int listId = 0;
    if (m_ls > 0) {
        if (const auto o = m_overrides.find(m_ls); o != m_overrides.end()) {
            listId = o->second.first;
            if (o->second.second) {
                level = &*o->second.second;
            } else if (const auto l = m_lists.find(listId);
                       l != m_lists.end() && m_ilvl < static_cast<int>(l->second.size())) {
                level = &l->second[static_cast<size_t>(m_ilvl)];
            }
        }
    }
    if (level) {
        m_pnList = 0;
        if (level->nfc == 23) {
            f.bullet = true;
        } else if (level->nfc != 255) {
            const auto [it, added] = m_listNumbers.emplace(listId, m_lastList + 1);
            if (added)
                ++m_lastList;
            f.numbering.style = styleOfNfc(level->nfc);
            f.numbering.list = it->second;
            f.numbering.level = m_ilvl;
            f.numbering.start = level->start;
            f.numbering.text = numberingText(level->text);
        }
        return;
    }
    if (m_pn.kind == PnState::Number) {
        // Old-style numbers count on from the paragraph before.
        if (m_pnList == 0)
            m_pnList = ++m_lastList;
        f.numbering.style = m_pn.style;
        f.numbering.list = m_pnList;
        f.numbering.level = m_pn.level;
        f.numbering.start = m_pn.start;
        f.numbering.text.clear();
        appendNumberingText(f.numbering.text, m_pn.before);
        f.numbering.text += '%';
        f.numbering.text += static_cast<char>('1' + m_pn.level);
        appendNumberingText(f.numbering.text, m_pn.after);
        return;
    }
    m_pnList = 0;
    // A list the file does not define: a bullet is the likeliest.
    f.bullet = m_pn.kind == PnState::Bullet || m_ls > 0;
}

int Reader::paragraphDepth()
{
    return m_inTable ? std::clamp(st().itap, 1, maxTableDepth) : 0;
}

TableLevel Reader::takeTableLevel()
{
    TableLevel t{std::move(m_rowDef), std::move(m_cellDef), std::move(m_rowCells), std::move(m_cellBlocks),
                 std::move(m_table), m_rowSides, m_spacingLeft, m_spacingRight};
    m_rowDef = Row();
    m_rowSides.fill(0);
    m_rowSide = -1;
    m_spacingLeft = m_spacingRight = 0;
    m_cellDef = Cell();
    m_rowCells.clear();
    m_cellBlocks.clear();
    m_table = Table();
    m_borderSide = -1;
    return t;
}

void Reader::restoreTableLevel(TableLevel &&t)
{
    m_rowDef = std::move(t.rowDef);
    m_cellDef = std::move(t.cellDef);
    m_rowCells = std::move(t.rowCells);
    m_cellBlocks = std::move(t.cellBlocks);
    m_table = std::move(t.table);
    m_rowSides = t.rowSides;
    m_spacingLeft = t.spacingLeft;
    m_spacingRight = t.spacingRight;
    m_rowSide = -1;
    m_borderSide = -1;
}

// Goes to the table of the given depth (0: no table), closing the tables
// deeper than it: a closed table becomes a block of the cell around it.
void Reader::switchDepth(int depth)
{
    while (m_tableDepth > depth)
        closeTableLevel();
    while (m_tableDepth < depth) {
        if (m_tableDepth > 0)
            m_outerTables.push_back(takeTableLevel());
        ++m_tableDepth;
    }
}

void Reader::closeTableLevel()
{
    if (!m_rowCells.empty() || !m_cellBlocks.empty()) {
        warn("table row without its end");
        finishRow();
    }
    Block b;
    b.table = std::move(m_table);
    m_table = Table();
    --m_tableDepth;
    if (m_tableDepth > 0) {
        if (!m_outerTables.empty()) {
            restoreTableLevel(std::move(m_outerTables.back()));
            m_outerTables.pop_back();
        }
        if (b.isTable())
            m_cellBlocks.push_back(std::move(b));
    } else if (b.isTable()) {
        storyBlocks().push_back(std::move(b));
    }
}

std::vector<Block> &Reader::storyBlocks()
{
    if (m_stories.empty())
        return m_doc.blocks;
    const Story &s = m_stories.back();
    const auto i = static_cast<size_t>(s.index);
    return s.kind == 1 ? sectionHeaders()[i].blocks : m_doc.footnotes[i].blocks;
}

// A header, footer or footnote is read like the body, into blocks of its
// own; what was being read around it waits and goes on after it.
void Reader::beginStory(int kind, int index)
{
    flushBytes();
    Story s;
    s.kind = kind;
    s.index = index;
    s.depth = m_stack.size();
    s.para = std::move(m_para);
    s.inTable = m_inTable;
    s.pageBreakPending = m_pageBreakPending;
    s.table = takeTableLevel();
    s.tableDepth = m_tableDepth;
    s.outerTables = std::move(m_outerTables);
    s.ls = m_ls;
    s.ilvl = m_ilvl;
    s.pn = m_pn;
    m_stories.push_back(std::move(s));
    m_para = Paragraph();
    m_inTable = false;
    m_pageBreakPending = false;
    m_tableDepth = 0;
    m_outerTables.clear();
    m_ls = m_ilvl = 0;
    m_pn = PnState();
    m_formatDirty = true;
    st().itap = 0;
}

void Reader::endStory()
{
    finishStoryText();
    Story &s = m_stories.back();
    m_para = std::move(s.para);
    m_inTable = s.inTable;
    m_pageBreakPending = s.pageBreakPending;
    restoreTableLevel(std::move(s.table));
    m_tableDepth = s.tableDepth;
    m_outerTables = std::move(s.outerTables);
    m_ls = s.ls;
    m_ilvl = s.ilvl;
    m_pn = s.pn;
    m_stories.pop_back();
    m_formatDirty = true;
}

// Ends what is still open at the end of the body or of a story.
void Reader::finishStoryText()
{
    flushBytes();
    if (m_inTable && (!m_para.inlines.empty() || !m_cellBlocks.empty() || !m_rowCells.empty())) {
        const int depth = std::max(m_tableDepth, 1);
        if (!m_para.inlines.empty())
            endCell(depth);
        endRow(depth);
    }
    switchDepth(0);
    if (!m_para.inlines.empty()) {
        m_inTable = false;
        endParagraph();
    }
}

void Reader::beginFootnote()
{
    for (const Story &s : m_stories) {
        if (s.kind == 2 || m_doc.footnotes.size() >= 10000) {
            st().dest = Dest::Skip;  // no footnotes in footnotes
            return;
        }
    }
    flushBytes();
    // The mark in the text: the note's number when \chftn stands just
    // before the note, else whatever text the writer put there itself.
    Footnote note;
    note.numbered = !m_para.inlines.empty() && m_para.inlines.back().field == Field::NoteNumber;
    if (note.numbered) {
        m_para.inlines.back().field = Field::None;
    } else {
        Inline in;
        in.format = resolve(st().chr);
        m_para.inlines.push_back(std::move(in));
    }
    m_doc.footnotes.push_back(std::move(note));
    m_para.inlines.back().footnote = static_cast<int>(m_doc.footnotes.size()) - 1;
    m_formatDirty = true;
    beginStory(2, static_cast<int>(m_doc.footnotes.size()) - 1);
}

ReadResult Reader::run()
{
    // Skip leading white space and a byte-order mark.
    if (m_in.substr(0, 3) == "\xEF\xBB\xBF")
        m_pos = 3;
    while (m_pos < m_in.size() && (m_in[m_pos] == ' ' || m_in[m_pos] == '\r' || m_in[m_pos] == '\n'
                                   || m_in[m_pos] == '\t'))
        ++m_pos;
    if (m_in.substr(m_pos, 5) != "{\\rtf") {
        m_result.error = "not an RTF file";
        return m_result;
    }
    m_stack.reserve(64);
    m_stack.push_back(State());  // outside the document's group
    m_stack.back().dest = Dest::Body;

    const size_t n = m_in.size();
    while (m_pos < n) {
        const unsigned char ch = static_cast<unsigned char>(m_in[m_pos++]);
        if (ch == '{') {
            openGroup();
        } else if (ch == '}') {
            closeGroup();
            if (m_stack.size() == 1 && m_overflowDepth == 0)
                break;  // the document's group is closed
        } else if (ch == '\\') {
            if (m_pos >= n) {
                warn("escape at the end of the file");
                break;
            }
            const unsigned char c1 = static_cast<unsigned char>(m_in[m_pos]);
            if ((c1 >= 'a' && c1 <= 'z') || (c1 >= 'A' && c1 <= 'Z')) {
                const size_t start = m_pos;
                while (m_pos < n && m_pos - start < 32
                       && ((m_in[m_pos] >= 'a' && m_in[m_pos] <= 'z')
                           || (m_in[m_pos] >= 'A' && m_in[m_pos] <= 'Z')))
                    ++m_pos;
                const std::string_view word = m_in.substr(start, m_pos - start);
                bool neg = false;
                bool hasParam = false;
                long long value = 0;
                if (m_pos < n && m_in[m_pos] == '-' && m_pos + 1 < n && m_in[m_pos + 1] >= '0'
                    && m_in[m_pos + 1] <= '9') {
                    neg = true;
                    ++m_pos;
                }
                int digits = 0;
                while (m_pos < n && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') {
                    hasParam = true;
                    if (digits++ < 12)
                        value = value * 10 + (m_in[m_pos] - '0');
                    ++m_pos;
                }
                value = std::min(value, paramLimit);
                if (neg)
                    value = -value;
                if (m_pos < n && m_in[m_pos] == ' ')
                    ++m_pos;
                if (m_overflowDepth > 0) {
                    if (word == "bin" && hasParam && value > 0) {
                        const size_t len = std::min<size_t>(static_cast<size_t>(value), n - m_pos);
                        m_pos += len;
                    }
                    continue;
                }
                if (st().dest == Dest::Skip) {
                    if (word == "bin" && hasParam && value > 0)
                        binary(static_cast<size_t>(value));
                    continue;
                }
                controlWord(word, hasParam, static_cast<int>(value));
            } else if (c1 == '\'') {
                ++m_pos;
                if (m_pos + 2 <= n) {
                    const int hi = hexValue(static_cast<unsigned char>(m_in[m_pos]));
                    const int lo = hexValue(static_cast<unsigned char>(m_in[m_pos + 1]));
                    if (hi >= 0 && lo >= 0) {
                        m_pos += 2;
                        if (m_overflowDepth == 0 && st().dest != Dest::Skip)
                            textByte(static_cast<unsigned char>(hi * 16 + lo));
                        continue;
                    }
                }
                warn("broken \\' escape");
            } else {
                ++m_pos;
                if (m_overflowDepth == 0 && st().dest != Dest::Skip)
                    controlSymbol(static_cast<char>(c1));
            }
        } else if (ch == '\r' || ch == '\n') {
            continue;
        } else if (m_overflowDepth == 0 && st().dest != Dest::Skip) {
            if (st().dest == Dest::Pict) {
                textByte(ch);
            } else if (ch == '\t') {
                controlWord("tab", false, 0);
            } else if (ch >= 0x20) {
                m_starPending = false;
                // A stretch of ordinary bytes at once.
                size_t end = m_pos;
                while (end < n) {
                    const auto b = static_cast<unsigned char>(m_in[end]);
                    if (b < 0x20 || b == '\\' || b == '{' || b == '}')
                        break;
                    ++end;
                }
                plainText(m_in.substr(m_pos - 1, end - m_pos + 1));
                m_pos = end;
            }
        }
    }
    if (m_stack.size() > 1 || m_overflowDepth > 0)
        warn("missing closing braces");
    // Close what is still open, so that a truncated picture is not lost.
    m_eof = true;
    m_overflowDepth = 0;
    while (m_stack.size() > 1) {
        closeGroup();
    }
    finishDocument();
    if (m_doc.blocks.empty())
        m_doc.blocks.emplace_back();
    m_result.ok = true;
    return m_result;
}

} // namespace

ReadResult read(std::string_view bytes, Document &out, CodePageDecoder decoder)
{
    out = Document();
    Reader r(bytes, out, decoder);
    return r.run();
}

} // namespace kalamora::rtf
