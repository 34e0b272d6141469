#include "app/frmkeyb.h"

#include "engine/fixedhost.h"
#include "engine/keyfeed.h"
#include "kruti/cp1252.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

// The keyboard, row by row: unshifted and shifted character of each key.
struct KeyCap {
    char lower;
    char upper;
};
const std::vector<std::vector<KeyCap>> Rows = {
    {{'`', '~'}, {'1', '!'}, {'2', '@'}, {'3', '#'}, {'4', '$'}, {'5', '%'}, {'6', '^'}, {'7', '&'},
     {'8', '*'}, {'9', '('}, {'0', ')'}, {'-', '_'}, {'=', '+'}},
    {{'q', 'Q'}, {'w', 'W'}, {'e', 'E'}, {'r', 'R'}, {'t', 'T'}, {'y', 'Y'}, {'u', 'U'}, {'i', 'I'},
     {'o', 'O'}, {'p', 'P'}, {'[', '{'}, {']', '}'}, {'\\', '|'}},
    {{'a', 'A'}, {'s', 'S'}, {'d', 'D'}, {'f', 'F'}, {'g', 'G'}, {'h', 'H'}, {'j', 'J'}, {'k', 'K'},
     {'l', 'L'}, {';', ':'}, {'\'', '"'}},
    {{'z', 'Z'}, {'x', 'X'}, {'c', 'C'}, {'v', 'V'}, {'b', 'B'}, {'n', 'N'}, {'m', 'M'}, {',', '<'},
     {'.', '>'}, {'/', '?'}},
};
const int RowIndent[] = {0, 30, 45, 60};
constexpr int KeyW = 62, KeyH = 62, Gap = 4, Margin = 12;

// Spellings no single key shows: the signs on the vowel (anusvara, candra
// sign, candra o, chandrabindu, visarga), the ways consonants join
// (aspirate, cluster, ra below, reph, nukta, jna, a cluster under a reph)
// and the letters that join the ri sign into one glyph, beside ra below.
const char *const Spellings[] = {
    "kaM", "kMM", "kaaMM", "kaaMMM", "ka:", "kh",
    "sth", "kr", "rk", "k>", "jn", "rddh",
    "kR", "dR", "hR", "hr", "dr", "Tr",
};
constexpr int SpellingsPerRow = 6, SpellingH = 34;
constexpr int SpellingRows = (std::size(Spellings) + SpellingsPerRow - 1) / SpellingsPerRow;

} // namespace

std::string frmKeyb::glyphsForKey(char key)
{
    return glyphsForKeys(std::string_view(&key, 1));
}

std::string frmKeyb::glyphsForKeys(std::string_view keys)
{
    // Hindi on the Romanised layout, with the purna viram and Devanagari
    // digits, so every key shows what it types in Hindi.
    engine::FixedHost host(false, "Rom", false);
    engine::EngineState state;
    state.InputLanguage = "HINDI";
    engine::KeyBinding binding(state, host, engine::KeyBinding::Target::Document);
    // A word start: after a space a vowel key types its independent vowel.
    engine::MemorySurface surface(" ");
    engine::bindSurface(binding, surface);
    engine::typeKeys(binding, surface, keys);
    std::string typed = surface.text().substr(1);
    if (!typed.empty() && typed.back() == '~')
        typed.pop_back();
    return typed;
}

frmKeyb::frmKeyb(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(u"frmKeyb"_s);
    setWindowTitle(u"Romanised Keyboard Layout"_s);
    setFocusPolicy(Qt::StrongFocus);
    resize(sizeHint());
}

QSize frmKeyb::sizeHint() const
{
    int widest = 0;
    for (int r = 0; r < int(Rows.size()); ++r)
        widest = std::max(widest, RowIndent[r] + int(Rows[r].size()) * (KeyW + Gap));
    return {Margin * 2 + widest, Margin * 2 + int(Rows.size()) * (KeyH + Gap) + 8 + SpellingRows * SpellingH + 24};
}

void frmKeyb::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmKeyb::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());
    QFont latin = font();
    latin.setPixelSize(11);
    QFont hindi(u"Glyphora 010"_s);
    hindi.setPixelSize(24);
    const QColor keyFace(0xfc, 0xfc, 0xfc), edge(0x9a, 0x9a, 0x9a), ink(0x23, 0x26, 0x29), shifted(0x2a, 0x6e, 0xbb);

    for (int r = 0; r < int(Rows.size()); ++r) {
        int x = Margin + RowIndent[r];
        const int y = Margin + r * (KeyH + Gap);
        for (const KeyCap &cap : Rows[r]) {
            const QRect key(x, y, KeyW, KeyH);
            p.setPen(edge);
            p.setBrush(keyFace);
            p.drawRoundedRect(key, 5, 5);
            // Latin key captions on the left: shifted above, unshifted below.
            p.setFont(latin);
            p.setPen(shifted);
            p.drawText(key.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString(QLatin1Char(cap.upper)));
            p.setPen(ink);
            p.drawText(key.adjusted(4, 0, 0, -3), Qt::AlignLeft | Qt::AlignBottom, QString(QLatin1Char(cap.lower)));
            // What the keys type, in the program's font, on the right.
            p.setFont(hindi);
            const QString upper = QString::fromStdU16String(kruti::glyphsToUtf16(glyphsForKey(cap.upper)));
            const QString lower = QString::fromStdU16String(kruti::glyphsToUtf16(glyphsForKey(cap.lower)));
            p.setPen(shifted);
            p.drawText(QRect(x + 16, y, KeyW - 18, KeyH / 2 + 4), Qt::AlignCenter, upper);
            p.setPen(ink);
            p.drawText(QRect(x + 16, y + KeyH / 2 - 4, KeyW - 18, KeyH / 2 + 4), Qt::AlignCenter, lower);
            x += KeyW + Gap;
        }
    }
    // The spellings, in rows below the keys: keys on the left, what they
    // type on the right.
    QFont keysFont = latin;
    keysFont.setPixelSize(13);
    keysFont.setBold(true);
    const int top = Margin + int(Rows.size()) * (KeyH + Gap) + 8;
    const int cellW = (width() - 2 * Margin) / SpellingsPerRow;
    for (int i = 0; i < int(std::size(Spellings)); ++i) {
        const QRect cell(Margin + (i % SpellingsPerRow) * cellW, top + (i / SpellingsPerRow) * SpellingH, cellW,
                         SpellingH);
        p.setFont(keysFont);
        p.setPen(shifted);
        p.drawText(cell.adjusted(4, 0, -cellW / 2, 0), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromLatin1(Spellings[i]));
        p.setFont(hindi);
        p.setPen(ink);
        p.drawText(cell.adjusted(cellW / 2 + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdU16String(kruti::glyphsToUtf16(glyphsForKeys(Spellings[i]))));
    }

    p.setFont(latin);
    p.setPen(ink);
    p.drawText(QRect(Margin, height() - Margin - 18, width() - 2 * Margin, 18), Qt::AlignLeft | Qt::AlignVCenter,
               u"Blue: with Shift. A consonant key types the consonant; the next key decides its vowel. "
               u"Below the keys: what a few keys typed in a row make. Press Esc to close."_s);
}

} // namespace kalamora
