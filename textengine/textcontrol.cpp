#include "textengine/textcontrol.h"

#include "document/documentfile.h"
#include "document/documentmodel.h"
#include "document/units.h"
#include "kruti/cp1252.h"
#include "textengine/documentlayout.h"
#include "textengine/fileprogress.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

#include <optional>

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

namespace {

// Readers of one character format, with the document's default where the
// format sets nothing.
QString familyOf(const QTextCharFormat &f, const QString &fallback)
{
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.front();
    if (f.hasProperty(QTextFormat::FontFamily))
        return f.stringProperty(QTextFormat::FontFamily);
    return fallback;
}

int pointsOf(const QTextCharFormat &f, double fallback)
{
    const double pt = f.fontPointSize();
    return static_cast<int>(std::lround(pt > 0 ? pt : fallback));
}

bool isBold(const QTextCharFormat &f)
{
    return f.fontWeight() >= QFont::DemiBold;
}

qint64 toColorRef(const QColor &c)
{
    return qint64(c.red()) | (qint64(c.green()) << 8) | (qint64(c.blue()) << 16);
}

QColor fromColorRef(qint64 v, const QPalette &pal)
{
    if (v & 0x80000000LL) {
        switch (v & 0xFF) {
        case 5: return pal.color(QPalette::Base);
        case 15: return pal.color(QPalette::Button);
        case 18: return pal.color(QPalette::ButtonText);
        default: return pal.color(QPalette::Text);
        }
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int shiftState(Qt::KeyboardModifiers m)
{
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

// The Windows virtual key code of a Qt key.
int virtualKey(const QKeyEvent *e)
{
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9) || k == Qt::Key_Space)
        return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    default: return k < 0x100 ? k : 0;
    }
}

// The character code of a key press, or -1 for keys that type nothing
// (arrows, function keys, ...).
int characterCode(const QKeyEvent *e)
{
    const int k = e->key();
    const auto mods = e->modifiers();
    switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return (mods & Qt::ControlModifier) ? 10 : 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return (mods & Qt::ControlModifier) ? -1 : 9;
    case Qt::Key_Escape: return 27;
    default: break;
    }
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
        if (k >= Qt::Key_A && k <= Qt::Key_Z)
            return k - Qt::Key_A + 1;
        return -1;
    }
    const QString text = e->text();
    if (text.size() != 1)
        return -1;
    const char16_t ch = text.at(0).unicode();
    if (ch < 0x20 || ch == 0x7F)
        return -1;
    // Keys are reported in the documents' byte code where they have one.
    const unsigned char g = kruti::charToGlyph(ch);
    return g ? g : ch;
}

bool isBullet(const QTextBlock &b)
{
    const QTextList *l = b.textList();
    if (!l)
        return false;
    const auto s = l->format().style();
    return s == QTextListFormat::ListDisc || s == QTextListFormat::ListCircle || s == QTextListFormat::ListSquare;
}

int alignCode(Qt::Alignment a)
{
    a &= Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify) return 3;
    if (a & Qt::AlignHCenter) return 2;
    if (a & (Qt::AlignRight | Qt::AlignTrailing)) return 1;
    return 0;
}

QTextOption::TabType qtTab(int kind)
{
    switch (kind) {
    case 2: return QTextOption::RightTab;
    case 3: return QTextOption::CenterTab;
    case 4: return QTextOption::DelimiterTab;
    default: return QTextOption::LeftTab;
    }
}

int twips(double units)
{
    return static_cast<int>(std::lround(document::unitsToTwips(units)));
}

} // namespace

TextControl::TextControl(QWidget *parent) : QTextEdit(parent)
{
    // A key typed into a paragraph lays out that paragraph, not the rest of
    // the document after it (documentlayout.h).
    auto *qtLayout = qobject_cast<QTextDocumentLayout *>(document()->documentLayout());
    auto *layout = new DocumentLayout(document());
    if (qtLayout) {
        layout->setPaintDevice(qtLayout->paintDevice());
        layout->setCursorWidth(qtLayout->cursorWidth());
    }
    document()->setDocumentLayout(layout);
    setAcceptRichText(true);
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::contentsChange, this, &TextControl::onDocumentChanged);
    connect(this, &QTextEdit::cursorPositionChanged, this, &TextControl::onCursorMoved);
    connect(this, &QTextEdit::selectionChanged, this, &TextControl::onCursorMoved);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &TextControl::keepPageLayout);
}

TextControl::~TextControl() = default;

void TextControl::raiseChange()
{
    if (m_inChange)
        return;
    m_inChange = true;
    Q_EMIT Change();
    m_inChange = false;
}

void TextControl::onDocumentChanged(int, int removed, int added)
{
    ++m_docSerial;
    keepViewMargins();
    if (m_ownEdits == 0 && (removed || added))
        raiseChange();
}

void TextControl::onCursorMoved()
{
    if (m_keyDepth > 0)
        m_posChangedInKey = true;
    else
        Q_EMIT PosChange();
}

// --- Selection ------------------------------------------------------------

int TextControl::SelStart() const
{
    return textCursor().selectionStart();
}

void TextControl::holdKeyFormat()
{
    if (m_keyDepth > 0 && !m_keyFormat)
        m_keyFormat = textCursor().charFormat();
}

void TextControl::setSelStart(int pos)
{
    holdKeyFormat();
    const int end = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, std::max(end, 0)));
    setTextCursor(c);
}

int TextControl::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TextControl::setSelLength(int length)
{
    holdKeyFormat();
    const int end = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    const qint64 want = qint64(start) + std::max(length, 0);  // no overflow for huge lengths
    c.setPosition(int(std::clamp<qint64>(want, start, std::max(end, start))), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TextControl::SelText() const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return QString();
    QString t;
    t.reserve(c.selectionEnd() - c.selectionStart());
    const QTextDocument *doc = document();
    for (int i = c.selectionStart(); i < c.selectionEnd(); ++i) {
        const QChar ch = doc->characterAt(i);
        switch (ch.unicode()) {
        case 0x2029:
        case 0x2028:
        case 0xFDD0:  // start and end of a table cell's frame
        case 0xFDD1: t.append(u'\n'); break;
        default: t.append(ch);
        }
    }
    return t;
}

void TextControl::setSelText(const QString &text)
{
    ownEdit([&] {
        QTextCursor c = textCursor();
        c.beginEditBlock();
        if (m_keyFormat && !c.hasSelection())
            c.setCharFormat(*m_keyFormat);
        document::writeText(c, text);
        c.endEditBlock();
        placeCaretAfterEdit(c);
    });
}

void TextControl::placeCaretAfterEdit(const QTextCursor &c)
{
    // Inside a key's edit block the layout still shows the paragraph as it
    // was, and placing the caret measures its old lines: on a justified
    // paragraph left empty that reads past its end (a crash). The paragraph
    // break stays out of the range, so that the paragraph can still be laid
    // out on its own.
    if (m_keyDepth > 0)
        document()->markContentsDirty(c.block().position(), c.block().length() - 1);
    setTextCursor(c);
}

QString TextControl::Text() const
{
    return document::documentText(*document());
}

void TextControl::setText(const QString &text)
{
    ownEdit([&] {
        QTextCursor c(document());
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        document::writeText(c, text);
        c.endEditBlock();
        setTextCursor(c);
    });
}

// --- Character format -------------------------------------------------------

// Calls visit with the format of each run of characters in the selection,
// or with the caret's format when nothing is selected, until it returns
// false. Neighbouring runs of one format (a paragraph's runs and the next
// paragraph's, the usual case in a long document) are visited once.
template <typename Visit> void TextControl::forEachSelectedCharFormat(Visit visit) const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        visit(c.charFormat());
        return;
    }
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    int last = -1;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= start)
                continue;
            if (f.position() >= end)
                break;
            if (f.charFormatIndex() == last)
                continue;
            last = f.charFormatIndex();
            if (!visit(f.charFormat()))
                return;
        }
    }
    if (last < 0)
        visit(c.charFormat());
}

template <typename Get> auto TextControl::uniformCharValue(Get get, bool *uniform) const
{
    using T = decltype(get(QTextCharFormat()));
    *uniform = true;
    std::optional<T> first;
    forEachSelectedCharFormat([&](const QTextCharFormat &f) {
        T v = get(f);
        if (!first)
            first = std::move(v);
        else if (!(v == *first))
            *uniform = false;
        return *uniform;
    });
    return *first;
}

void TextControl::mergeCharFormat(const QTextCharFormat &format)
{
    ++m_ownEdits;
    QTextCursor c = textCursor();
    QTextDocument *doc = document();
    if (!c.hasSelection() && c.block().length() == 1 && !doc->isUndoAvailable() && !doc->isRedoAvailable()) {
        // The caret's own format is forgotten at the next caret key (even one
        // that goes nowhere); the empty paragraph of a document without
        // history keeps it for what is typed there. With history it would be
        // an undo step of its own, which the next Undo would take back
        // instead of the user's last edit (and it would end the Redo);
        // there the language's format is given again at the typed key.
        c.mergeBlockCharFormat(format);
        doc->clearUndoRedoStacks();
    }
    mergeCurrentCharFormat(format);
    --m_ownEdits;
}

void TextControl::mergeBlockFormat(const QTextBlockFormat &format)
{
    ++m_ownEdits;
    QTextCursor c = textCursor();
    c.mergeBlockFormat(format);
    --m_ownEdits;
}

QString TextControl::FontName() const
{
    const QString fallback = document()->defaultFont().family();
    bool uniform;
    const QString name = uniformCharValue([&](const QTextCharFormat &f) { return familyOf(f, fallback); }, &uniform);
    return uniform ? name : QString();
}

QString plainFamily(const QString &name)
{
    const qsizetype bracket = name.indexOf(u" ["_s);
    return bracket > 0 && name.endsWith(u']') ? name.left(bracket) : name;
}

void TextControl::setFontName(const QString &qualified)
{
    const QString name = plainFamily(qualified);
    if (name.isEmpty())
        return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    f.setProperty(QTextFormat::FontFamily, name);
    mergeCharFormat(f);
}

int TextControl::FontSize() const
{
    const double fallback = document()->defaultFont().pointSizeF();
    bool uniform;
    const int size = uniformCharValue([&](const QTextCharFormat &f) { return pointsOf(f, fallback); }, &uniform);
    return uniform ? size : 0;
}

void TextControl::setFontSize(int points)
{
    if (points <= 0)
        return;
    QTextCharFormat f;
    f.setFontPointSize(std::min(points, 1638));
    mergeCharFormat(f);
}

bool TextControl::FontBold() const
{
    bool uniform;
    const bool on = uniformCharValue(isBold, &uniform);
    return uniform && on;
}

void TextControl::setFontBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeCharFormat(f);
}

bool TextControl::FontItalic() const
{
    bool uniform;
    const bool on = uniformCharValue([](const QTextCharFormat &f) { return f.fontItalic(); }, &uniform);
    return uniform && on;
}

void TextControl::setFontItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeCharFormat(f);
}

bool TextControl::FontUnderline() const
{
    bool uniform;
    const bool on = uniformCharValue([](const QTextCharFormat &f) { return f.fontUnderline(); }, &uniform);
    return uniform && on;
}

void TextControl::setFontUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeCharFormat(f);
}

bool TextControl::FontStrikeThru() const
{
    bool uniform;
    const bool on = uniformCharValue([](const QTextCharFormat &f) { return f.fontStrikeOut(); }, &uniform);
    return uniform && on;
}

void TextControl::setFontStrikeThru(bool on)
{
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeCharFormat(f);
}

CharFormatSummary TextControl::selectionCharFormat() const
{
    const QString family = document()->defaultFont().family();
    const double points = document()->defaultFont().pointSizeF();
    std::optional<CharFormatSummary> first;
    bool name = true, size = true, bold = true, italic = true, underline = true, strike = true;
    forEachSelectedCharFormat([&](const QTextCharFormat &f) {
        const CharFormatSummary v{familyOf(f, family), pointsOf(f, points), isBold(f), f.fontItalic(),
                                  f.fontUnderline(), f.fontStrikeOut()};
        if (!first) {
            first = v;
            return true;
        }
        name = name && v.fontName == first->fontName;
        size = size && v.fontSize == first->fontSize;
        bold = bold && v.bold == first->bold;
        italic = italic && v.italic == first->italic;
        underline = underline && v.underline == first->underline;
        strike = strike && v.strikeThru == first->strikeThru;
        return name || size || bold || italic || underline || strike;
    });
    CharFormatSummary s = *first;
    if (!name)
        s.fontName.clear();
    if (!size)
        s.fontSize = 0;
    s.bold = bold && s.bold;
    s.italic = italic && s.italic;
    s.underline = underline && s.underline;
    s.strikeThru = strike && s.strikeThru;
    return s;
}

qint64 TextControl::ForeColor() const
{
    const qint64 fallback = toColorRef(palette().color(QPalette::Text));
    bool uniform;
    const qint64 v = uniformCharValue(
        [&](const QTextCharFormat &f) {
            return f.foreground().style() == Qt::NoBrush ? fallback : toColorRef(f.foreground().color());
        },
        &uniform);
    return uniform ? v : -1;
}

void TextControl::setForeColor(qint64 rgb)
{
    if (rgb < 0)
        return;
    QTextCharFormat f;
    f.setForeground(fromColorRef(rgb, palette()));
    mergeCharFormat(f);
}

qint64 TextControl::TextBkColor() const
{
    bool uniform;
    const qint64 v = uniformCharValue(
        [](const QTextCharFormat &f) {
            return f.background().style() == Qt::NoBrush ? qint64(0xFFFFFF) : toColorRef(f.background().color());
        },
        &uniform);
    return uniform ? v : -1;
}

void TextControl::setTextBkColor(qint64 rgb)
{
    if (rgb < 0)
        return;
    QTextCharFormat f;
    f.setBackground(fromColorRef(rgb, palette()));
    mergeCharFormat(f);
}

// --- Paragraph format ---------------------------------------------------------

namespace {

template <typename F> void forEachSelectedBlock(const QTextCursor &c, F &&fn)
{
    // While QTextEdit replaces the whole content (setHtml), its cursor is a
    // null one, and the format signals it raises meanwhile may read here.
    if (c.isNull())
        return;
    const QTextDocument *doc = c.document();
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    for (QTextBlock b = doc->findBlock(start); b.isValid(); b = b.next()) {
        if (b.position() > end || (b.position() == end && end > start && b.position() != start))
            break;
        fn(b);
    }
}

} // namespace

bool TextControl::SelBullet() const
{
    bool all = true;
    forEachSelectedBlock(textCursor(), [&](const QTextBlock &b) { all = all && isBullet(b); });
    return all;
}

void TextControl::setSelBullet(bool on)
{
    if (on == SelBullet())
        return;
    ++m_ownEdits;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    if (on) {
        c.createList(QTextListFormat::ListDisc);
    } else {
        std::vector<QTextBlock> blocks;
        forEachSelectedBlock(c, [&](const QTextBlock &b) { blocks.push_back(b); });
        for (const QTextBlock &b : blocks) {
            if (QTextList *l = b.textList())
                l->remove(b);
        }
    }
    c.endEditBlock();
    --m_ownEdits;
}

int TextControl::AlignMent() const
{
    int code = -2;
    forEachSelectedBlock(textCursor(), [&](const QTextBlock &b) {
        const int a = alignCode(b.blockFormat().alignment());
        code = code == -2 ? a : (code == a ? code : -1);
    });
    return code == -2 ? 0 : code;
}

void TextControl::setAlignMent(int code)
{
    QTextBlockFormat f;
    switch (code) {
    case AlignLeft: f.setAlignment(Qt::AlignLeft); break;
    case AlignRight: f.setAlignment(Qt::AlignRight); break;
    case AlignCenter: f.setAlignment(Qt::AlignHCenter); break;
    case AlignJustify: f.setAlignment(Qt::AlignJustify); break;
    default: return;
    }
    mergeBlockFormat(f);
}

int TextControl::TabType() const
{
    return m_tabType;
}

void TextControl::setTabType(int kind)
{
    if (kind < TabLeft || kind > TabDecimal)
        return;
    m_tabType = kind;
    ++m_ownEdits;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    std::vector<QTextBlock> blocks;
    forEachSelectedBlock(c, [&](const QTextBlock &b) { blocks.push_back(b); });
    for (const QTextBlock &b : blocks) {
        QTextBlockFormat f = b.blockFormat();
        QList<QTextOption::Tab> tabs = f.tabPositions();
        if (tabs.isEmpty())
            continue;
        for (QTextOption::Tab &t : tabs) {
            t.type = qtTab(kind);
            t.delimiter = kind == TabDecimal ? QChar(u'.') : QChar();
        }
        f.setTabPositions(tabs);
        QTextCursor(b).setBlockFormat(f);
    }
    c.endEditBlock();
    --m_ownEdits;
}

int TextControl::SelIndent() const
{
    const QTextBlockFormat f = textCursor().blockFormat();
    return twips(f.leftMargin() + f.textIndent());
}

void TextControl::setSelIndent(int tw)
{
    ++m_ownEdits;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    std::vector<QTextBlock> blocks;
    forEachSelectedBlock(c, [&](const QTextBlock &b) { blocks.push_back(b); });
    for (const QTextBlock &b : blocks) {
        QTextBlockFormat f = b.blockFormat();
        const double hanging = -f.textIndent();
        f.setLeftMargin(std::max(0.0, document::twipsToUnits(tw) + hanging));
        QTextCursor(b).setBlockFormat(f);
    }
    c.endEditBlock();
    --m_ownEdits;
}

int TextControl::SelRightIndent() const
{
    return twips(textCursor().blockFormat().rightMargin());
}

void TextControl::setSelRightIndent(int tw)
{
    QTextBlockFormat f;
    f.setRightMargin(std::max(0.0, document::twipsToUnits(tw)));
    mergeBlockFormat(f);
}

int TextControl::SelHangingIndent() const
{
    return twips(-textCursor().blockFormat().textIndent());
}

void TextControl::setSelHangingIndent(int tw)
{
    ++m_ownEdits;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    std::vector<QTextBlock> blocks;
    forEachSelectedBlock(c, [&](const QTextBlock &b) { blocks.push_back(b); });
    for (const QTextBlock &b : blocks) {
        QTextBlockFormat f = b.blockFormat();
        const double first = f.leftMargin() + f.textIndent();
        const double hanging = document::twipsToUnits(tw);
        f.setLeftMargin(std::max(0.0, first + hanging));
        f.setTextIndent(first - f.leftMargin());
        QTextCursor(b).setBlockFormat(f);
    }
    c.endEditBlock();
    --m_ownEdits;
}

// --- Page setup ---------------------------------------------------------------

void TextControl::setPageWidth(int tw)
{
    if (tw > 0) {
        m_page.width = std::min(tw, document::maxPageTwips);
        if (m_viewMode == 1)
            applyViewMode();
    }
}

void TextControl::setPageHeight(int tw)
{
    if (tw > 0) {
        m_page.height = std::min(tw, document::maxPageTwips);
        if (m_viewMode == 1)
            applyViewMode();
    }
}

void TextControl::setPageMarginL(int tw) { if (tw >= 0) { m_page.marginL = std::min(tw, document::maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginT(int tw) { if (tw >= 0) { m_page.marginT = std::min(tw, document::maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginR(int tw) { if (tw >= 0) { m_page.marginR = std::min(tw, document::maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginB(int tw) { if (tw >= 0) { m_page.marginB = std::min(tw, document::maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setRightMargin(int tw) { m_rightMargin = std::max(tw, 0); }

void TextControl::setPageSetup(const PageSetup &page)
{
    m_page = page;
    if (m_viewMode == 1)
        applyViewMode();
}

// --- Files ----------------------------------------------------------------------

bool TextControl::fail(const QString &message)
{
    m_error = message;
    return false;
}

// What a load of a whole document does beside building it: the pages
// first (laying a long document out for the old page and again for the new
// one would double the wait), progress after each paragraph, and the caret
// at the start before the one layout at the end (moving it from the end
// afterwards would have the whole document laid out before the window
// shows the first page).
document::LoadHooks TextControl::loadHooks(FileProgress &busy)
{
    document::LoadHooks hooks;
    hooks.ready = [this] {
        if (m_viewMode == 1)
            applyPageLayout();
    };
    hooks.step = [&busy] { busy.step(); };
    hooks.beforeLayout = [this] { setTextCursor(QTextCursor(document())); };
    return hooks;
}

bool TextControl::readFile(const QString &file, qint64 offset, QByteArray &bytes)
{
    return document::readFileBytes(file, offset, bytes, &m_error);
}

bool TextControl::insertBytes(const QByteArray &bytes, int format, bool whole, FileProgress *progress)
{
    QTextDocument *doc = document();
    FileProgress none(nullptr, QString());
    FileProgress &busy = progress ? *progress : none;
    // While a long document goes in, the window paints, but not this
    // control: its document is half made.
    struct Hidden {
        QWidget *control;
        bool was;
        ~Hidden() { control->setUpdatesEnabled(was); }
    } hidden{this, updatesEnabled()};
    if (busy.active())
        setUpdatesEnabled(false);
    switch (format) {
    case FormatRtf: {
        rtf::Document model;
        bool read = false;
        QString error;
        busy.inBackground([&] { read = document::readRtf(bytes, model, &error); });
        if (!read)
            return fail(error);
        ownEdit([&] {
            if (whole) {
                loadRtf(*doc, m_page, model, loadHooks(busy));
            } else {
                QTextCursor c = textCursor();
                c.beginEditBlock();
                if (c.hasSelection())
                    c.removeSelectedText();
                document::insertModel(model, c);
                c.endEditBlock();
                setTextCursor(c);
            }
        });
        return true;
    }
    case FormatText: {
        QString s;
        busy.inBackground([&] { s = document::decodeText(bytes); });
        ownEdit([&] {
            if (whole) {
                document::loadText(*doc, s, loadHooks(busy));
            } else {
                QTextCursor c = textCursor();
                c.beginEditBlock();
                document::writeText(c, s);
                c.endEditBlock();
                setTextCursor(c);
            }
        });
        return true;
    }
    case FormatHtml: {
        const QString html = document::decodeHtml(bytes);
        ownEdit([&] {
            if (whole) {
                doc->setUndoRedoEnabled(false);
                setHtml(html);
                doc->setUndoRedoEnabled(true);
                setTextCursor(QTextCursor(doc));
            } else {
                textCursor().insertHtml(html);
            }
        });
        return true;
    }
    default:
        return fail(u"Unknown file format %1"_s.arg(format));
    }
}

bool TextControl::Load(const QString &file, qint64 offset, int format)
{
    QByteArray bytes;
    if (format != FormatRtf && format != FormatText && format != FormatHtml)
        return fail(u"Unknown file format %1"_s.arg(format));
    const QFileInfo info(file);
    FileProgress progress(info.size() >= FileProgress::LargeFile ? this : nullptr,
                          u"Opening %1"_s.arg(info.fileName()));
    QString error;
    bool read = false;
    progress.inBackground([&] { read = document::readFileBytes(file, offset, bytes, &error); });
    if (!read)
        return fail(error);
    if (!insertBytes(bytes, format, true, &progress))
        return false;
    if (m_viewMode == 1)
        applyViewMode();  // a new document starts with a frame of its own
    return true;
}

bool TextControl::RTFImport(const QString &file)
{
    QByteArray bytes;
    return readFile(file, 0, bytes) && insertBytes(bytes, FormatRtf, false);
}

bool TextControl::TextImport(const QString &file)
{
    QByteArray bytes;
    return readFile(file, 0, bytes) && insertBytes(bytes, FormatText, false);
}

QByteArray TextControl::toRtf() const
{
    return documentRtf(*document(), m_page);
}

bool TextControl::setRtf(const QByteArray &rtf)
{
    if (!insertBytes(rtf, FormatRtf, true))
        return false;
    if (m_viewMode == 1)
        applyViewMode();
    return true;
}

bool TextControl::Save(const QString &file, qint64 offset, int format)
{
    FileProgress progress(document()->characterCount() >= FileProgress::LargeFile ? this : nullptr,
                          u"Saving %1"_s.arg(QFileInfo(file).fileName()));
    QByteArray data;
    if (format == FormatRtf) {
        // The model is taken from the document here; writing it out, the
        // long part, goes on beside the window.
        const rtf::Document model = documentModel(*document(), m_page);
        progress.inBackground([&] { data = QByteArray::fromStdString(rtf::write(model)); });
    } else if (!encodeDocument(*document(), m_page, format, format == FormatHtml ? CurrentPages() : 1, data, &m_error)) {
        return false;
    }
    QString error;
    progress.inBackground([&] { document::writeFileBytes(file, offset, data, &error); });
    return error.isEmpty() || fail(error);
}

bool TextControl::RTFExport(const QString &file)
{
    return Save(file, 0, FormatRtf);
}

void TextControl::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

// --- Events -----------------------------------------------------------------------

void TextControl::insertCode(int code)
{
    if (code <= 0)
        return;
    if (code == 10) {
        // Ctrl+Enter: a page break, the next paragraph starts a new page.
        ownEdit([&] {
            QTextCursor c = textCursor();
            c.beginEditBlock();
            if (c.hasSelection())
                c.removeSelectedText();
            QTextBlockFormat bf = c.blockFormat();
            bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            c.insertBlock(bf);
            c.endEditBlock();
            setTextCursor(c);
        });
    } else if (code == 13) {
        setSelText(u"\n"_s);
    } else if (code == 9) {
        setSelText(u"\t"_s);
    } else if (code >= 32 && code <= 0xFFFF) {
        const QChar ch = code < 256 ? QChar(kruti::glyphToChar(static_cast<unsigned char>(code)))
                                    : QChar(static_cast<char16_t>(code));
        setSelText(QString(ch));
    }
}

// --- Clipboard ------------------------------------------------------------------

bool TextControl::copyWithLead(const QString &lead)
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return false;
    // The selection goes into a document of its own, the lead in front of
    // it in the format of its first character.
    QTextDocument copy;
    copy.setDefaultFont(document()->defaultFont());
    QTextCursor c(&copy);
    c.insertFragment(selection.selection());
    c.setPosition(0);
    c.movePosition(QTextCursor::NextCharacter);
    const QTextCharFormat first = c.charFormat();
    c.setPosition(0);
    c.insertText(lead, first);
    const QTextDocumentFragment whole(&copy);
    auto *data = new QMimeData;
    data->setText(whole.toPlainText());
    data->setHtml(whole.toHtml());
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

bool TextControl::cutWithLead(const QString &lead)
{
    if (!copyWithLead(lead))
        return false;
    ownEdit([&] {
        QTextCursor c = textCursor();
        c.removeSelectedText();
        placeCaretAfterEdit(c);
    });
    return true;
}

bool TextControl::canInsertFromMimeData(const QMimeData *source) const
{
    return source && !source->formats().isEmpty() && QTextEdit::canInsertFromMimeData(source);
}

void TextControl::insertFromMimeData(const QMimeData *source)
{
    // Qt's own insertion reads the first format without asking whether
    // there is one; the desktop's clipboard offers none until someone copies.
    if (!source || source->formats().isEmpty())
        return;
    QTextEdit::insertFromMimeData(source);
}

void TextControl::keyPressEvent(QKeyEvent *event)
{
    Q_EMIT KeyDown(virtualKey(event), shiftState(event->modifiers()));
    const int code = characterCode(event);
    if ((event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier)
        && !event->text().isEmpty()) {
        event->ignore(); // Alt with a letter is the menus' (and never text)
        return;
    }
    if (code < 0 || isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }

    ++m_keyDepth;
    const int startPos = textCursor().position();
    const int startAnchor = textCursor().anchor();
    QTextCursor block = textCursor();
    block.beginEditBlock();
    int key = code;
    Q_EMIT KeyPress(key);
    // Control codes the handler left alone (Backspace, Esc, Ctrl+letter)
    // take the control's own action, outside the edit block so that undo
    // and redo can run.
    const bool ownAction = key == code && code < 32 && code != 13 && code != 10 && code != 9;
    if (!ownAction)
        insertCode(key);
    ++m_ownEdits;
    block.endEditBlock();
    --m_ownEdits;
    if (--m_keyDepth == 0)
        m_keyFormat.reset();
    if (ownAction && code == 25 && !(event->modifiers() & Qt::ShiftModifier) && !event->matches(QKeySequence::Redo))
        redo(); // Ctrl+Y redoes on every desktop, not only where it is the platform's Redo key
    else if (ownAction)
        QTextEdit::keyPressEvent(event);
    else
        event->accept();
    ensureCursorVisible();
    const bool moved = m_posChangedInKey || textCursor().position() != startPos
        || textCursor().anchor() != startAnchor;
    m_posChangedInKey = false;
    if (moved && m_keyDepth == 0)
        Q_EMIT PosChange();
}

void TextControl::keyReleaseEvent(QKeyEvent *event)
{
    Q_EMIT KeyUp(virtualKey(event), shiftState(event->modifiers()));
    QTextEdit::keyReleaseEvent(event);
}

namespace {

int buttonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

} // namespace

void TextControl::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = mousePoint(event);
    Q_EMIT MouseDown(buttonCode(event->button()), shiftState(event->modifiers()),
                     static_cast<int>(p.x() * 1440 / logicalDpiX()), static_cast<int>(p.y() * 1440 / logicalDpiY()));
    QTextEdit::mousePressEvent(event);
}

void TextControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double-click where there is no word ends the selection without any
    // signal of the selection's (the caret stays where it was): say so, for
    // the commands that follow it.
    const bool selected = textCursor().hasSelection();
    QTextEdit::mouseDoubleClickEvent(event);
    if (selected && !textCursor().hasSelection())
        Q_EMIT copyAvailable(false);
}

void TextControl::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF p = mousePoint(event);
    Q_EMIT MouseUp(buttonCode(event->button()), shiftState(event->modifiers()),
                   static_cast<int>(p.x() * 1440 / logicalDpiX()), static_cast<int>(p.y() * 1440 / logicalDpiY()));
    QTextEdit::mouseReleaseEvent(event);
}

} // namespace kalamora::textengine
