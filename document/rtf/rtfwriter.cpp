// The RTF writer. Text goes out as Windows-1252 bytes (\'xx above 0x7F) and,
// for characters beyond that code page, as \uN with a '?' fallback.
#include "document/rtf/rtfmodel.h"

#include "kruti/cp1252.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>

namespace kalamora::rtf {

namespace {

std::u16string fromUtf8(const std::string &s)
{
    std::u16string u;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = c;
        int extra = 0;
        if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            u.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            u.push_back(static_cast<char16_t>(cp));
        }
    }
    return u;
}

class Writer {
public:
    explicit Writer(const Document &doc) : m_doc(doc) {}
    std::string run();

private:
    void collect();
    void collectBlocks(const std::vector<Block> &blocks);
    void collectParagraph(const Paragraph &p);
    int fontIndex(const std::string &name) const;
    int colorIndex(std::optional<uint32_t> c) const;

    void num(const char *word, long long v)
    {
        m_out += word;
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_out.append(buf, r.ptr);
    }
    void text(std::u16string_view t);
    void utf8Text(const std::string &s);
    void paragraphFormat(const ParaFormat &f, int depth);
    void paragraphBody(const Paragraph &p);
    void picture(const Picture &pic);
    void floating(const Inline &in);
    void table(const Table &t, int depth = 1);
    void rowDefinition(const Row &r);
    void addColor(std::optional<uint32_t> c);
    void hex(const std::string &data);

    // Structure (below the body's writing).
    void blocks(const std::vector<Block> &blocks);
    void listTables();
    void levelText(const std::string &format);
    void numberingWords(const ParaFormat &f);
    void numberingFallback(const Numbering &n);
    std::string numberShown(const Numbering &n);
    void stories(const std::vector<HeaderFooter> &headers);
    void body();
    void section(const Section &s);
    void footnote(const Inline &in);
    void field(const Inline &in);

    const Document &m_doc;
    std::string m_out;
    std::vector<std::string> m_fonts;
    std::map<std::string, int> m_fontIndex;
    std::vector<uint32_t> m_colors;
    std::map<uint32_t, int> m_colorIndex;

    // Numbered lists: \ls by the model's list, each list's levels as its
    // first paragraph of the level has them, and the numbers counted so far.
    std::map<int, int> m_lists;
    std::vector<std::array<std::optional<Numbering>, 9>> m_listLevels;
    std::vector<std::array<int, 9>> m_counters;  // 0: not counted yet
    int m_bulletList = 0;  // \ls of the bulleted paragraphs
};

void Writer::collectParagraph(const Paragraph &p)
{
    if (p.format.bullet && m_bulletList == 0) {
        m_listLevels.emplace_back();
        m_bulletList = static_cast<int>(m_listLevels.size());
    }
    if (const Numbering &n = p.format.numbering; n.style != Numbering::None && !p.format.bullet) {
        const auto [it, added] = m_lists.emplace(n.list, static_cast<int>(m_listLevels.size()) + 1);
        if (added)
            m_listLevels.emplace_back();
        auto &level = m_listLevels[static_cast<size_t>(it->second - 1)][static_cast<size_t>(std::clamp(n.level, 0, 8))];
        if (!level)
            level = n;
    }
    for (const Inline &in : p.inlines) {
        if (in.footnote >= 0 && in.footnote < static_cast<int>(m_doc.footnotes.size()))
            collectBlocks(m_doc.footnotes[static_cast<size_t>(in.footnote)].blocks);
        if (!m_fontIndex.count(in.format.font)) {
            m_fontIndex[in.format.font] = static_cast<int>(m_fonts.size());
            m_fonts.push_back(in.format.font);
        }
        addColor(in.format.color);
        addColor(in.format.background);
    }
}

void Writer::addColor(std::optional<uint32_t> c)
{
    if (c && !m_colorIndex.count(*c)) {
        m_colorIndex[*c] = static_cast<int>(m_colors.size()) + 1;
        m_colors.push_back(*c);
    }
}

void Writer::collect()
{
    // Font 0 is the default face, so that runs without a face name read back
    // without one.
    m_fontIndex[std::string()] = 0;
    m_fonts.push_back(std::string());
    collectBlocks(m_doc.blocks);
    for (const HeaderFooter &h : m_doc.headers)
        collectBlocks(h.blocks);
    for (const Section &s : m_doc.sections) {
        for (const HeaderFooter &h : s.headers)
            collectBlocks(h.blocks);
    }
    m_counters.assign(m_listLevels.size(), {});
}

void Writer::collectBlocks(const std::vector<Block> &blocks)
{
    for (const Block &b : blocks) {
        if (!b.isTable()) {
            collectParagraph(b.paragraph);
            continue;
        }
        for (const Row &r : b.table.rows) {
            addColor(r.background);
            for (const Cell &c : r.cells) {
                addColor(c.shading);
                collectBlocks(c.blocks);
            }
        }
    }
}

int Writer::fontIndex(const std::string &name) const
{
    auto it = m_fontIndex.find(name);
    return it == m_fontIndex.end() ? 0 : it->second;
}

int Writer::colorIndex(std::optional<uint32_t> c) const
{
    if (!c)
        return 0;
    auto it = m_colorIndex.find(*c);
    return it == m_colorIndex.end() ? 0 : it->second;
}

void Writer::text(std::u16string_view t)
{
    static const char digits[] = "0123456789abcdef";
    for (char16_t c : t) {
        if (c >= 0x20 && c < 0x80) {
            if (c == '\\' || c == '{' || c == '}')
                m_out.push_back('\\');
            m_out.push_back(static_cast<char>(c));
            continue;
        }
        switch (c) {
        case u'\t': m_out += "\\tab "; continue;
        case u'\u2028': m_out += "\\line "; continue;
        case u'\n':
        case u'\r':
        case u'\u2029': m_out += "\\line "; continue;
        default: break;
        }
        const unsigned char g = kruti::charToGlyph(c);
        if (g >= 0x80) {
            m_out += "\\'";
            m_out.push_back(digits[g >> 4]);
            m_out.push_back(digits[g & 15]);
        } else if (g != 0) {
            // Control characters other than those above carry no text.
            continue;
        } else {
            num("\\u", static_cast<int16_t>(c));
            m_out += "?";
        }
    }
}

void Writer::utf8Text(const std::string &s)
{
    text(fromUtf8(s));
}

void Writer::paragraphFormat(const ParaFormat &f, int depth)
{
    m_out += "\\pard\\plain";
    if (depth > 0)
        m_out += "\\intbl";
    if (depth > 1)
        num("\\itap", depth);
    numberingWords(f);
    switch (f.align) {
    case Align::Left: break;
    case Align::Right: m_out += "\\qr"; break;
    case Align::Center: m_out += "\\qc"; break;
    case Align::Justify: m_out += "\\qj"; break;
    }
    if (f.leftIndent) num("\\li", f.leftIndent);
    if (f.rightIndent) num("\\ri", f.rightIndent);
    if (f.firstIndent) num("\\fi", f.firstIndent);
    if (f.spaceBefore) num("\\sb", f.spaceBefore);
    if (f.spaceAfter) num("\\sa", f.spaceAfter);
    if (f.lineSpacing) {
        num("\\sl", f.lineSpacing);
        num("\\slmult", f.lineMultiple ? 1 : 0);
    }
    if (f.pageBreakBefore) m_out += "\\pagebb";
    for (const TabStop &t : f.tabs) {
        switch (t.kind) {
        case TabStop::Left: break;
        case TabStop::Right: m_out += "\\tqr"; break;
        case TabStop::Center: m_out += "\\tqc"; break;
        case TabStop::Decimal: m_out += "\\tqdec"; break;
        }
        num("\\tx", t.pos);
    }
    // The bullet groups end with a brace: no space may follow, it would be text.
    if (f.bullet)
        m_out += "{\\pntext\\'95\\tab}";
    else if (f.numbering.style != Numbering::None)
        numberingFallback(f.numbering);
    else
        m_out += ' ';
}

void Writer::hex(const std::string &data)
{
    static const char digits[] = "0123456789abcdef";
    m_out.reserve(m_out.size() + data.size() * 2 + data.size() / 64 + 2);
    size_t col = 0;
    for (char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        m_out.push_back(digits[b >> 4]);
        m_out.push_back(digits[b & 15]);
        if (++col == 64) {
            m_out.push_back('\n');
            col = 0;
        }
    }
}

void Writer::picture(const Picture &pic)
{
    if (!pic.raw.empty()) {
        m_out += pic.raw;
        return;
    }
    m_out += "{\\pict";
    if (pic.kind == "png") m_out += "\\pngblip";
    else if (pic.kind == "jpeg") m_out += "\\jpegblip";
    else if (pic.kind == "wmetafile") m_out += "\\wmetafile8";
    else m_out += "\\" + pic.kind;
    // The extent in pixels at 96 per inch, and the size it is shown at.
    num("\\picw", pic.widthTwips / 15);
    num("\\pich", pic.heightTwips / 15);
    num("\\picwgoal", pic.widthTwips);
    num("\\pichgoal", pic.heightTwips);
    m_out += '\n';
    hex(pic.data);
    m_out += '}';
}

void Writer::paragraphBody(const Paragraph &p)
{
    for (const Inline &in : p.inlines) {
        const CharFormat &f = in.format;
        m_out += '{';
        num("\\f", fontIndex(f.font));
        num("\\fs", f.halfPoints);
        if (f.bold) m_out += "\\b";
        if (f.italic) m_out += "\\i";
        if (f.underline) m_out += "\\ul";
        if (f.strike) m_out += "\\strike";
        if (f.color) num("\\cf", colorIndex(f.color));
        if (f.background) {
            const int bg = colorIndex(f.background);
            num("\\cb", bg);
            num("\\chcbpat", bg);
        }
        m_out += ' ';
        const bool isPicture = in.picture >= 0 && in.picture < static_cast<int>(m_doc.pictures.size());
        const bool isObject = in.object >= 0 && in.object < static_cast<int>(m_doc.objects.size());
        if ((isPicture || isObject) && (in.fastDisplay || !in.saveAsData)) {
            // The flags of the attributes dialog, in a group other readers skip.
            m_out += "{\\*\\kalamoraobj";
            if (in.fastDisplay)
                m_out += "\\fastdisplay";
            if (!in.saveAsData)
                m_out += "\\saveasdata0";
            m_out += '}';
        }
        if ((isPicture || isObject) && in.floating) {
            floating(in);
        } else if (isPicture) {
            picture(m_doc.pictures[in.picture]);
        } else if (isObject) {
            const Object &o = m_doc.objects[in.object];
            if (!o.raw.empty())
                m_out += o.raw;
            else if (o.result)
                picture(*o.result);
        } else if (in.footnote >= 0) {
            footnote(in);
        } else if (in.field != Field::None) {
            field(in);
        } else {
            text(in.text);
        }
        m_out += '}';
    }
}

// A picture or object that floats beside the text: a shape placed from the
// text's left edge and its paragraph's top, with the text flowing around it
// at its distances. A picture is the shape's own; an object is what the
// shape's result shows.
void Writer::floating(const Inline &in)
{
    const Float &f = *in.floating;
    const Picture *pic = in.picture >= 0 ? &m_doc.pictures[in.picture] : nullptr;
    const Object *obj = in.object >= 0 ? &m_doc.objects[in.object] : nullptr;
    const Picture *shown = pic ? pic : (obj->result ? &*obj->result : nullptr);
    const int w = shown && shown->widthTwips > 0 ? shown->widthTwips : 1440;
    const int h = shown && shown->heightTwips > 0 ? shown->heightTwips : 1440;
    m_out += "{\\shp{\\*\\shpinst";
    num("\\shpleft", f.left);
    num("\\shptop", f.top);
    num("\\shpright", f.left + w);
    num("\\shpbottom", f.top + h);
    m_out += "\\shpbxcolumn\\shpbxignore\\shpbypara\\shpbyignore\\shpwr2\\shpwrk0\\shpfblwtxt0\\shpz0\n";
    const auto property = [&](const char *name, long long value) {
        m_out += "{\\sp{\\sn ";
        m_out += name;
        num("}{\\sv ", value);
        m_out += "}}";
    };
    property("shapeType", 75);  // a picture frame
    // Distances in EMU, 635 to the twip.
    property("dxWrapDistLeft", 635LL * f.distL);
    property("dyWrapDistTop", 635LL * f.distT);
    property("dxWrapDistRight", 635LL * f.distR);
    property("dyWrapDistBottom", 635LL * f.distB);
    if (pic) {
        m_out += "{\\sp{\\sn pib}{\\sv ";
        picture(*pic);
        m_out += "}}";
    }
    m_out += '}';
    if (obj) {
        m_out += "{\\shprslt ";
        if (!obj->raw.empty())
            m_out += obj->raw;
        else if (obj->result)
            picture(*obj->result);
        m_out += '}';
    }
    m_out += '}';
}

void Writer::rowDefinition(const Row &r)
{
    m_out += "\\trowd";
    num("\\trgaph", r.gap);
    num("\\trleft", r.left);
    if (r.spacing > 0) {
        // Each cell keeps half the space on each side; left and right
        // (top and bottom) together make the whole.
        num("\\trspdl", r.spacing / 2);
        num("\\trspdt", r.spacing / 2);
        num("\\trspdr", r.spacing - r.spacing / 2);
        num("\\trspdb", r.spacing - r.spacing / 2);
        m_out += "\\trspdfl3\\trspdft3\\trspdfr3\\trspdfb3";
    }
    if (r.border > 0) {
        for (const char *side : {"\\trbrdrt", "\\trbrdrl", "\\trbrdrb", "\\trbrdrr", "\\trbrdrh", "\\trbrdrv"}) {
            m_out += side;
            num("\\brdrs\\brdrw", r.border);
        }
    }
    if (r.background)
        num("\\trcbpat", colorIndex(r.background));
    m_out += '\n';
    for (const Cell &c : r.cells) {
        if (c.mergeFirst) m_out += "\\clmgf";
        if (c.merged) m_out += "\\clmrg";
        if (c.vmergeFirst) m_out += "\\clvmgf";
        if (c.vmerged) m_out += "\\clvmrg";
        const std::pair<const char *, int> sides[] = {
            {"\\clbrdrt", c.borders.top}, {"\\clbrdrl", c.borders.left},
            {"\\clbrdrb", c.borders.bottom}, {"\\clbrdrr", c.borders.right}};
        for (const auto &[word, width] : sides) {
            if (width > 0) {
                m_out += word;
                num("\\brdrs\\brdrw", width);
            }
        }
        // Cells show the table's background as their own, for readers
        // that know no row background.
        if (c.shading || r.background)
            num("\\clcbpat", colorIndex(c.shading ? c.shading : r.background));
        num("\\cellx", c.right);
    }
    m_out += '\n';
}

// A table, or at `depth` 2 and more a table nested in a cell: its rows'
// definitions stand after their cells, and a reader that knows no nested
// tables finds a paragraph break instead.
void Writer::table(const Table &t, int depth)
{
    const char *cellEnd = depth > 1 ? "\\nestcell\n" : "\\cell\n";
    for (const Row &r : t.rows) {
        bool nested = false;
        if (depth == 1)
            rowDefinition(r);
        for (const Cell &c : r.cells) {
            for (size_t i = 0; i < c.blocks.size(); ++i) {
                const Block &b = c.blocks[i];
                const bool last = i + 1 == c.blocks.size();
                if (b.isTable()) {
                    table(b.table, std::min(depth + 1, 64));
                    nested = true;
                    if (last) {
                        paragraphFormat(ParaFormat(), depth);
                        m_out += cellEnd;
                    }
                    continue;
                }
                paragraphFormat(b.paragraph.format, depth);
                paragraphBody(b.paragraph);
                m_out += last ? cellEnd : "\\par\n";
            }
            if (c.blocks.empty()) {
                paragraphFormat(ParaFormat(), depth);
                m_out += cellEnd;
            }
        }
        if (depth > 1) {
            m_out += "{\\*\\nesttableprops";
            rowDefinition(r);
            m_out += "\\nestrow}{\\nonesttables\\par}\n";
            continue;
        }
        if (nested)
            rowDefinition(r);  // the row's own definition again, after its nested ones
        m_out += "\\row\n";
    }
    if (depth == 1)
        m_out += "\\pard\\plain\n";
}

std::string Writer::run()
{
    collect();
    m_out.reserve(4096);
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        num("{\\f", static_cast<long long>(i));
        m_out += "\\fnil\\fcharset0 ";
        utf8Text(m_fonts[i]);
        m_out += ";}";
    }
    m_out += "}\n{\\colortbl;";
    for (uint32_t c : m_colors) {
        num("\\red", (c >> 16) & 0xFF);
        num("\\green", (c >> 8) & 0xFF);
        num("\\blue", c & 0xFF);
        m_out += ';';
    }
    m_out += "}\n";
    listTables();
    const PageSetup &p = m_doc.page;
    if (p.width) num("\\paperw", *p.width);
    if (p.height) num("\\paperh", *p.height);
    if (p.marginL) num("\\margl", *p.marginL);
    if (p.marginR) num("\\margr", *p.marginR);
    if (p.marginT) num("\\margt", *p.marginT);
    if (p.marginB) num("\\margb", *p.marginB);
    if (p.landscape) m_out += "\\landscape";
    m_out += "\\viewkind4\n";
    if (m_doc.facingPages)
        m_out += "\\facingp";
    if (m_doc.titlePage)
        m_out += "\\titlepg";
    if (m_doc.headerY)
        num("\\headery", *m_doc.headerY);
    if (m_doc.footerY)
        num("\\footery", *m_doc.footerY);
    stories(m_doc.headers);
    body();
    m_out += "}\n";
    return std::move(m_out);
}

// Every paragraph ends with \par except a last one that holds something:
// the reader takes text after the last \par as a paragraph of its own.
void Writer::blocks(const std::vector<Block> &blocks)
{
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Block &b = blocks[i];
        if (b.isTable()) {
            table(b.table);
            continue;
        }
        paragraphFormat(b.paragraph.format, 0);
        paragraphBody(b.paragraph);
        const bool last = i + 1 == blocks.size();
        if (!last || b.paragraph.inlines.empty())
            m_out += "\\par\n";
    }
}

// The body, section by section: the last paragraph of a section ends with
// \sect instead of \par (a table's section with a \sect of its own), and
// the next section's properties and headers follow.
void Writer::body()
{
    const std::vector<Block> &all = m_doc.blocks;
    const std::vector<Section> &sections = m_doc.sections;
    size_t next = 0;     // the first section not written yet
    bool ended = false;  // the block before ended its section
    const auto sectionsFrom = [&](size_t i) {
        for (; next < sections.size() && sections[next].start <= i; ++next) {
            if (!ended)
                m_out += "\\pard\\plain\\sect\n";  // a section that holds nothing
            ended = false;
            section(sections[next]);
        }
    };
    for (size_t i = 0; i < all.size(); ++i) {
        sectionsFrom(i);
        const Block &b = all[i];
        ended = next < sections.size() && sections[next].start <= i + 1;
        if (b.isTable()) {
            table(b.table);
        } else {
            paragraphFormat(b.paragraph.format, 0);
            paragraphBody(b.paragraph);
        }
        if (ended)
            m_out += "\\sect\n";
        else if (!b.isTable() && (i + 1 < all.size() || b.paragraph.inlines.empty()))
            m_out += "\\par\n";
    }
    sectionsFrom(all.size());
}

void Writer::section(const Section &s)
{
    static const char *const breaks[] = {"", "\\sbknone", "\\sbkcol", "\\sbkeven", "\\sbkodd"};
    m_out += "\\sectd";
    m_out += breaks[std::clamp(static_cast<int>(s.breakKind), 0, 4)];
    const PageSetup &p = s.page;
    if (p.width) num("\\pgwsxn", *p.width);
    if (p.height) num("\\pghsxn", *p.height);
    if (p.marginL) num("\\marglsxn", *p.marginL);
    if (p.marginR) num("\\margrsxn", *p.marginR);
    if (p.marginT) num("\\margtsxn", *p.marginT);
    if (p.marginB) num("\\margbsxn", *p.marginB);
    if (p.landscape) m_out += "\\lndscpsxn";
    if (s.titlePage) m_out += "\\titlepg";
    if (s.headerY) num("\\headery", *s.headerY);
    if (s.footerY) num("\\footery", *s.footerY);
    m_out += '\n';
    // Numbers in the headers count by themselves; the body's go on after them.
    const auto counters = m_counters;
    stories(s.headers);
    m_counters = counters;
}

// --- Structure: lists, headers and footers, footnotes, fields ------------------

int nfcOf(Numbering::Style s)
{
    switch (s) {
    case Numbering::UpperRoman: return 1;
    case Numbering::LowerRoman: return 2;
    case Numbering::UpperAlpha: return 3;
    case Numbering::LowerAlpha: return 4;
    default: return 0;
    }
}

std::string numberText(int n, Numbering::Style s)
{
    if (n > 0 && n < 4000 && (s == Numbering::UpperRoman || s == Numbering::LowerRoman)) {
        static const std::pair<int, const char *> parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                             {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                             {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                             {1, "i"}};
        std::string out;
        for (const auto &[value, letters] : parts) {
            for (; n >= value; n -= value)
                out += letters;
        }
        if (s == Numbering::UpperRoman)
            std::transform(out.begin(), out.end(), out.begin(), [](char c) { return static_cast<char>(c - 32); });
        return out;
    }
    if (n > 0 && n <= 26 * 20 && (s == Numbering::UpperAlpha || s == Numbering::LowerAlpha)) {
        // a .. z, then aa .. zz, as word processors count on
        const char letter = static_cast<char>((s == Numbering::UpperAlpha ? 'A' : 'a') + (n - 1) % 26);
        return std::string(static_cast<size_t>((n - 1) / 26 + 1), letter);
    }
    return std::to_string(n);
}

// The format of a Numbering as characters, its level numbers %1 to %9 as
// the codes 0 to 8 that a list level's text holds.
std::u16string levelChars(const std::string &format)
{
    std::string literal;
    std::u16string out;
    const auto flush = [&] {
        out += fromUtf8(literal);
        literal.clear();
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char c = format[++i];
            if (c >= '1' && c <= '9') {
                flush();
                out.push_back(static_cast<char16_t>(c - '1'));
                continue;
            }
        }
        literal += format[i];
    }
    flush();
    return out;
}

void Writer::levelText(const std::string &format)
{
    static const char digits[] = "0123456789abcdef";
    const auto byte = [&](size_t v) {
        m_out += "\\'";
        m_out += digits[(v >> 4) & 15];
        m_out += digits[v & 15];
    };
    std::u16string chars = levelChars(format);
    if (chars.size() > 255)
        chars.resize(255);
    m_out += "{\\leveltext";
    byte(chars.size());
    for (char16_t c : chars) {
        if (c < 9)
            byte(c);
        else
            text(std::u16string_view(&c, 1));
    }
    m_out += ";}{\\levelnumbers";
    for (size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] < 9)
            byte(i + 1);
    }
    m_out += ";}";
}

// The list table and its overrides, one list per numbered list of the
// document and one for its bullets, each with nine levels.
void Writer::listTables()
{
    if (m_listLevels.empty())
        return;
    m_out += "{\\*\\listtable";
    for (size_t i = 0; i < m_listLevels.size(); ++i) {
        num("\n{\\list\\listtemplateid", static_cast<long long>(i + 1));
        for (int level = 0; level < 9; ++level) {
            if (static_cast<int>(i) + 1 == m_bulletList) {
                m_out += "\n{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1"
                         "\\levelspace0\\levelindent0{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}";
                num("\\fi-360\\li", 720 * (level + 1));
                num("\\lin", 720 * (level + 1));
                m_out += " }";
                continue;
            }
            Numbering n;
            n.style = Numbering::Decimal;
            n.level = level;
            if (const auto &known = m_listLevels[i][static_cast<size_t>(level)])
                n = *known;
            num("\n{\\listlevel\\levelnfc", nfcOf(n.style));
            num("\\levelnfcn", nfcOf(n.style));
            m_out += "\\leveljc0\\leveljcn0\\levelfollow0";
            num("\\levelstartat", n.start);
            m_out += "\\levelspace0\\levelindent0";
            levelText(n.format());
            num("\\fi-360\\li", 720 * (level + 1));
            num("\\lin", 720 * (level + 1));
            m_out += " }";
        }
        num("{\\listname ;}\\listid", static_cast<long long>(i + 1));
        m_out += '}';
    }
    m_out += "}\n{\\*\\listoverridetable";
    for (size_t i = 0; i < m_listLevels.size(); ++i) {
        num("{\\listoverride\\listid", static_cast<long long>(i + 1));
        num("\\listoverridecount0\\ls", static_cast<long long>(i + 1));
        m_out += '}';
    }
    m_out += "}\n";
}

void Writer::numberingWords(const ParaFormat &f)
{
    if (f.bullet) {
        num("\\ls", m_bulletList);
        m_out += "\\ilvl0";
        return;
    }
    const Numbering &n = f.numbering;
    if (n.style == Numbering::None)
        return;
    const auto it = m_lists.find(n.list);
    if (it == m_lists.end())
        return;
    num("\\ls", it->second);
    num("\\ilvl", std::clamp(n.level, 0, 8));
}

// The number as the paragraph shows it: its level counts on, the levels
// below it start again.
std::string Writer::numberShown(const Numbering &n)
{
    const auto it = m_lists.find(n.list);
    if (it == m_lists.end())
        return {};
    const auto list = static_cast<size_t>(it->second - 1);
    const int level = std::clamp(n.level, 0, 8);
    auto &counters = m_counters[list];
    counters[static_cast<size_t>(level)] = counters[static_cast<size_t>(level)] > 0
        ? counters[static_cast<size_t>(level)] + 1
        : std::max(n.start, 1);
    for (int below = level + 1; below < 9; ++below)
        counters[static_cast<size_t>(below)] = 0;
    const std::string format = n.format();
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char c = format[++i];
            if (c >= '1' && c <= '9') {
                const auto k = static_cast<size_t>(c - '1');
                const auto &def = m_listLevels[list][k];
                const int value = counters[k] > 0 ? counters[k] : def ? std::max(def->start, 1) : 1;
                out += numberText(value, def ? def->style : n.style);
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

// For readers that know no list table: the number as text they show.
// (The old numbering words are not written: LibreOffice lets them override
// the list table and counts every list as one.)
void Writer::numberingFallback(const Numbering &n)
{
    m_out += "{\\pntext ";
    utf8Text(numberShown(n));
    m_out += "\\tab}";
}

void Writer::stories(const std::vector<HeaderFooter> &headers)
{
    static const char *const names[2][4] = {{"header", "headerl", "headerr", "headerf"},
                                            {"footer", "footerl", "footerr", "footerf"}};
    for (const HeaderFooter &h : headers) {
        for (auto &c : m_counters)
            c.fill(0);
        m_out += "{\\";
        m_out += names[h.kind == HeaderFooter::Footer][std::clamp(static_cast<int>(h.pages), 0, 3)];
        m_out += '\n';
        blocks(h.blocks);
        m_out += "}\n";
    }
    for (auto &c : m_counters)
        c.fill(0);
}

void Writer::footnote(const Inline &in)
{
    if (in.footnote >= static_cast<int>(m_doc.footnotes.size()))
        return;
    const Footnote &note = m_doc.footnotes[static_cast<size_t>(in.footnote)];
    if (note.numbered)
        m_out += "\\super\\chftn";
    m_out += "{\\footnote";
    if (note.endnote)
        m_out += "\\ftnalt";
    m_out += '\n';
    // The note's lists count by themselves, apart from the text around it.
    const auto counters = m_counters;
    blocks(note.blocks);
    m_counters = counters;
    m_out += '}';
}

void Writer::field(const Inline &in)
{
    if (in.field == Field::NoteNumber) {
        m_out += "\\super\\chftn";
        return;
    }
    m_out += in.field == Field::NumPages ? "{\\field{\\*\\fldinst NUMPAGES }{\\fldrslt "
                                         : "{\\field{\\*\\fldinst PAGE }{\\fldrslt ";
    text(in.text);
    m_out += "}}";
}

} // namespace

std::string write(const Document &doc)
{
    Writer w(doc);
    return w.run();
}

} // namespace kalamora::rtf
