#include "textcontrol.h"

#include "cp1252.h"
#include "documentmodel.h"
#include "htmlexport.h"
#include "plaintext.h"
#include "units.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

#include <optional>

using namespace Qt::StringLiterals;

namespace textengine {

namespace {

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
    return static_cast<int>(std::lround(unitsToTwips(units)));
}

// Writes text at the cursor, replacing its selection; line feeds, carriage
// returns (a CR LF pair once) and paragraph separators become paragraph
// breaks.
void writeText(QTextCursor &c, const QString &text)
{
    if (c.hasSelection()) {
        // The new text takes the format of the first character it replaces,
        // as overtyping does; a selection from the start of the document
        // would otherwise fall back to the paragraph's default font.
        QTextCursor first(c.document());
        first.setPosition(c.selectionStart());
        first.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat format = first.charFormat();
        c.removeSelectedText();
        c.setCharFormat(format);
    }
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        const bool end = i == n;
        const QChar ch = end ? QChar() : text.at(i);
        if (!end && ch != u'\n' && ch != u'\r' && ch != QChar::ParagraphSeparator)
            continue;
        if (i > start)
            c.insertText(text.mid(start, i - start));
        if (end)
            break;
        if (ch == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        c.insertBlock();
        start = i + 1;
    }
}

// HTML bytes as text. A page that names its character set other than
// Windows-1252 or Latin-1 is read in it; otherwise UTF-8 when the bytes are
// valid UTF-8, else Windows-1252 as this program maps it (glyph codes that
// code page leaves undefined stay as they are, where a strict decoder would
// lose them).
QString decodeHtml(const QByteArray &bytes)
{
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    const QByteArray head = bytes.left(2048).toLower();
    const qsizetype at = head.indexOf("charset");
    QStringDecoder named = QStringDecoder::decoderForHtml(bytes);
    const bool bom = view.substr(0, 3) == "\xEF\xBB\xBF" || view.substr(0, 2) == "\xFF\xFE"
        || view.substr(0, 2) == "\xFE\xFF";
    if (named.isValid() && (bom || at >= 0)) {
        const QByteArray tail = head.mid(at, 40);
        const bool western = tail.contains("1252") || tail.contains("8859-1") || tail.contains("latin1")
            || tail.contains("ascii");
        if (bom || !western)
            return named(bytes);
    }
    if (plaintext::isValidUtf8(view))
        return QString::fromUtf8(bytes);
    std::u16string t;
    t.reserve(view.size());
    for (char c : view)
        t.push_back(kruti::glyphToChar(static_cast<unsigned char>(c)));
    return QString(reinterpret_cast<const QChar *>(t.data()), qsizetype(t.size()));
}

} // namespace

TextControl::TextControl(QWidget *parent) : QTextEdit(parent)
{
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

void TextControl::setSelStart(int pos)
{
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
        writeText(c, text);
        c.endEditBlock();
        placeCaretAfterEdit(c);
    });
}

void TextControl::placeCaretAfterEdit(const QTextCursor &c)
{
    // Inside a key's edit block the layout still shows the paragraph as it
    // was, and placing the caret measures its old lines: on a justified
    // paragraph left empty that reads past its end (a crash).
    if (m_keyDepth > 0)
        document()->markContentsDirty(c.block().position(), c.block().length());
    setTextCursor(c);
}

QString TextControl::Text() const
{
    QString t = document()->toRawText();
    const int len = document()->characterCount() - 1;
    if (t.size() > len)
        t.truncate(len);
    for (QChar &ch : t) {
        switch (ch.unicode()) {
        case 0x2029:
        case 0x2028:
        case 0xFDD0:
        case 0xFDD1: ch = u'\n'; break;
        default: break;
        }
    }
    return t;
}

void TextControl::setText(const QString &text)
{
    ownEdit([&] {
        QTextCursor c(document());
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        writeText(c, text);
        c.endEditBlock();
        setTextCursor(c);
    });
}

// --- Character format -------------------------------------------------------

template <typename Get> auto TextControl::uniformCharValue(Get get, bool *uniform) const
{
    const QTextCursor c = textCursor();
    using T = decltype(get(QTextCharFormat()));
    *uniform = true;
    if (!c.hasSelection())
        return get(c.charFormat());
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    std::optional<T> first;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= start)
                continue;
            if (f.position() >= end)
                break;
            T v = get(f.charFormat());
            if (!first) {
                first = std::move(v);
            } else if (!(v == *first)) {
                *uniform = false;
                return *first;
            }
        }
    }
    if (!first)
        return get(c.charFormat());
    return *first;
}

void TextControl::mergeCharFormat(const QTextCharFormat &format)
{
    ++m_ownEdits;
    QTextCursor c = textCursor();
    if (!c.hasSelection() && c.block().length() == 1) {
        // The caret's own format is forgotten at the next caret key (even one
        // that goes nowhere); an empty paragraph keeps it for what is typed
        // there. On a document with no history this is no undo step.
        QTextDocument *doc = document();
        const bool history = doc->isUndoAvailable() || doc->isRedoAvailable();
        c.mergeBlockCharFormat(format);
        if (!history)
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
    const QString name = uniformCharValue(
        [&](const QTextCharFormat &f) {
            const QStringList families = f.fontFamilies().toStringList();
            if (!families.isEmpty())
                return families.front();
            if (f.hasProperty(QTextFormat::FontFamily))
                return f.stringProperty(QTextFormat::FontFamily);
            return fallback;
        },
        &uniform);
    return uniform ? name : QString();
}

void TextControl::setFontName(const QString &name)
{
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
    const int size = uniformCharValue(
        [&](const QTextCharFormat &f) {
            const double pt = f.fontPointSize();
            return static_cast<int>(std::lround(pt > 0 ? pt : fallback));
        },
        &uniform);
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
    const bool on = uniformCharValue([](const QTextCharFormat &f) { return f.fontWeight() >= QFont::DemiBold; },
                                     &uniform);
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
        f.setLeftMargin(std::max(0.0, twipsToUnits(tw) + hanging));
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
    f.setRightMargin(std::max(0.0, twipsToUnits(tw)));
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
        const double hanging = twipsToUnits(tw);
        f.setLeftMargin(std::max(0.0, first + hanging));
        f.setTextIndent(first - f.leftMargin());
        QTextCursor(b).setBlockFormat(f);
    }
    c.endEditBlock();
    --m_ownEdits;
}

// --- Page setup ---------------------------------------------------------------

namespace {

// Page sizes and margins stay within what a page can be: up to 22 inches
// (the largest paper RTF writers use is far below) and margins that leave
// some text area.
constexpr int maxPageTwips = 31680;

} // namespace

void TextControl::setPageWidth(int tw)
{
    if (tw > 0) {
        m_page.width = std::min(tw, maxPageTwips);
        if (m_viewMode == 1)
            applyViewMode();
    }
}

void TextControl::setPageHeight(int tw)
{
    if (tw > 0) {
        m_page.height = std::min(tw, maxPageTwips);
        if (m_viewMode == 1)
            applyViewMode();
    }
}

void TextControl::setPageMarginL(int tw) { if (tw >= 0) { m_page.marginL = std::min(tw, maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginT(int tw) { if (tw >= 0) { m_page.marginT = std::min(tw, maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginR(int tw) { if (tw >= 0) { m_page.marginR = std::min(tw, maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
void TextControl::setPageMarginB(int tw) { if (tw >= 0) { m_page.marginB = std::min(tw, maxPageTwips); if (m_viewMode == 1) applyViewMode(); } }
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

bool TextControl::readFile(const QString &file, qint64 offset, QByteArray &bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(u"Cannot open %1: %2"_s.arg(file, f.errorString()));
    if (offset < 0 || (offset > 0 && !f.seek(offset)))
        return fail(u"Cannot read %1 from byte %2"_s.arg(file).arg(offset));
    bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return fail(u"Cannot read %1: %2"_s.arg(file, f.errorString()));
    return true;
}

bool TextControl::insertBytes(const QByteArray &bytes, int format, bool whole)
{
    QTextDocument *doc = document();
    switch (format) {
    case FormatRtf: {
        rtf::Document model;
        const rtf::ReadResult r = rtf::read(std::string_view(bytes.constData(), size_t(bytes.size())), model,
                                            decodeCodePage);
        if (!r.ok)
            return fail(u"The file is not an RTF file (%1)"_s.arg(QString::fromStdString(r.error)));
        ownEdit([&] {
            if (whole) {
                doc->setUndoRedoEnabled(false);
                doc->clear();
                const auto &p = model.page;
                const auto take = [](const std::optional<int> &v, int &into, int least) {
                    if (v && *v >= least)
                        into = std::min(*v, maxPageTwips);
                };
                take(p.width, m_page.width, 1);
                take(p.height, m_page.height, 1);
                take(p.marginL, m_page.marginL, 0);
                take(p.marginT, m_page.marginT, 0);
                take(p.marginR, m_page.marginR, 0);
                take(p.marginB, m_page.marginB, 0);
                QTextCursor c(doc);
                c.beginEditBlock();
                insertModel(model, c);
                c.endEditBlock();
                doc->setUndoRedoEnabled(true);
                setTextCursor(QTextCursor(doc));
            } else {
                QTextCursor c = textCursor();
                c.beginEditBlock();
                if (c.hasSelection())
                    c.removeSelectedText();
                insertModel(model, c);
                c.endEditBlock();
                setTextCursor(c);
            }
        });
        return true;
    }
    case FormatText: {
        const std::u16string text = plaintext::decode(std::string_view(bytes.constData(), size_t(bytes.size())));
        const QString s(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
        ownEdit([&] {
            if (whole) {
                const QTextCharFormat keep = QTextCursor(doc).charFormat();
                doc->setUndoRedoEnabled(false);
                doc->clear();
                QTextCursor c(doc);
                c.beginEditBlock();
                c.setCharFormat(keep);
                writeText(c, s);
                c.endEditBlock();
                doc->setUndoRedoEnabled(true);
                setTextCursor(QTextCursor(doc));
            } else {
                QTextCursor c = textCursor();
                c.beginEditBlock();
                writeText(c, s);
                c.endEditBlock();
                setTextCursor(c);
            }
        });
        return true;
    }
    case FormatHtml: {
        const QString html = decodeHtml(bytes);
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
    if (!readFile(file, offset, bytes) || !insertBytes(bytes, format, true))
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
    rtf::PageSetup page;
    page.width = m_page.width;
    page.height = m_page.height;
    page.marginL = m_page.marginL;
    page.marginT = m_page.marginT;
    page.marginR = m_page.marginR;
    page.marginB = m_page.marginB;
    return QByteArray::fromStdString(rtf::write(modelFromDocument(*document(), page)));
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
    QByteArray data;
    switch (format) {
    case FormatRtf:
        data = toRtf();
        break;
    case FormatText: {
        QString t = Text();
        t.remove(QChar::ObjectReplacementCharacter);
        t.replace(u'\n', u"\r\n"_s);
        data = QByteArray::fromStdString(
            plaintext::encode(std::u16string_view(reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size()))));
        break;
    }
    case FormatHtml:
        data = documentHtml(*document(), m_page);
        break;
    default:
        return fail(u"Unknown file format %1"_s.arg(format));
    }
    if (offset < 0)
        return fail(u"Cannot write %1 from byte %2"_s.arg(file).arg(offset));
    QByteArray prefix;
    if (offset > 0) {
        QFile old(file);
        if (old.open(QIODevice::ReadOnly))
            prefix = old.read(offset);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return fail(u"Cannot write %1: %2"_s.arg(file, out.errorString()));
    // A write the disk takes only part of (full, or over the file size
    // limit) reports no error of its own: compare the counts. Without the
    // commit the old file stays as it was.
    if (out.write(prefix) != prefix.size() || out.write(data) != data.size())
        return fail(u"Cannot write %1: the disk took only part of it"_s.arg(file));
    if (!out.commit())
        return fail(u"Cannot write %1: %2"_s.arg(file, out.errorString()));
    return true;
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
    --m_keyDepth;
    if (ownAction)
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

} // namespace textengine
