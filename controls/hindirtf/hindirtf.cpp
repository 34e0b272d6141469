#include "controls/hindirtf/hindirtf.h"

#include "document/units.h"
#include "engine/engine.h"
#include "engine/enginehost.h"
#include "engine/enginestate.h"
#include "surface/textcontrolsurface.h"
#include "textengine/clipboardspace.h"
#include "textengine/textcontrol.h"

#include "settings/settingsstore.h"
#include "settings/typingoptions.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMetaClassInfo>
#include <QMetaObject>
#include <QPalette>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

constexpr int ShiftCtrl = 2;
constexpr int KeyEnter = 13;

// What the engine asks of its surroundings, for the controls: the typing
// options come from the program's settings, which the main window writes
// when the user changes them. There is no Hindi font box to reapply.
class ControlEngineHost : public engine::EngineHost {
public:
    bool dotPurna() const override { return kalamora::TypingOptions::readDotPurna(m_settings); }
    std::string layout() const override { return kalamora::TypingOptions::readLayout(m_settings).toStdString(); }
    bool englishNumerals() const override { return kalamora::TypingOptions::readEnglishNumerals(m_settings); }
    void reapplyHindiFont() override {}

private:
    SettingsStore m_settings;
};

// The state every instance shares: the engine's, and LangMode.
struct SharedInput {
    engine::EngineState state;
    ControlEngineHost host;
    int langMode = 1;

    SharedInput()
    {
        // LangMode alone decides whether the engine runs; the engine's own
        // language test must never stop it.
        state.InputLanguage = "HINDI";
    }
};

SharedInput &shared()
{
    static SharedInput input;
    return input;
}

HindiRTF::MessageHook &messageHook()
{
    static HindiRTF::MessageHook hook;
    return hook;
}

int clamp16(int v)
{
    return std::clamp(v, -32768, 32767);
}

QColor colourOf(uint value, const QPalette &palette)
{
    if (value & 0x80000000u) {
        switch (value & 0xFFu) {
        case 5: return palette.color(QPalette::Base);
        case 8: return palette.color(QPalette::Text);
        case 15: return palette.color(QPalette::Button);
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(QPalette::Window);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

int toTwips(double units)
{
    return static_cast<int>(std::lround(document::unitsToTwips(units)));
}

enum Indent { Bottom, FirstLine, Left, Right, Top };

} // namespace

// What the installed header leaves out: the inner control with the engine's
// view of it, the values the control keeps itself, and a form's load.
class HindiRTFPrivate {
public:
    explicit HindiRTFPrivate(HindiRTF *owner);

    // Applies one saved value to the place that keeps it.
    void applyPersisted(const QString &name, const QVariant &value);
    QVariant currentValue(const QString &name) const;
    // A host's write of a persisted property: collected as written while a
    // form loads, else applied at once (as `applied` where that is given: a
    // 16-bit value brought into range) and marked changed.
    void writePersisted(const QString &name, const QVariant &value, const QVariant &applied = QVariant());
    // Collects a persisted write while a form loads; true when it was taken.
    bool deferWhileLoading(const QString &name, const QVariant &value);
    // Applies the writes a loading form made so far; every public member
    // runs it first. The load goes on.
    void settle();
    // Ends a form's load: what follows applies at once.
    void endPropertyLoad();
    void applyBag(PropertyBag &bag);
    void markChanged(const QString &name);
    // Runs a format change on the selection, or on the whole text when
    // FormatSelection is false.
    void formatScope(const std::function<void()> &apply);
    void mergeIndent(int which, int twips);
    void replaceText(const QString &text);
    int indent(int which);
    void applyBackColor();

    // The control's own pop-up menu on a right click (or the menu key) in the
    // inner control: Cut, Copy, Paste and Select All.
    void showPopup(const QPoint &viewportPos);
    // Cut, Copy and Paste run as their keys do, so that the clipboard space
    // and the memory of a cut are the same whichever way they were asked.
    void sendCtrlKey(Qt::Key key);

    void onKeyDown(int keyCode, int shift);
    void onKeyPress(int &key);
    void onTextChange();

    HindiRTF *const q;
    textengine::TextControl *const m_rtf;
    const std::unique_ptr<textengine::TextControlSurface> m_surface;
    QString m_fontName;
    uint m_backColor = HindiRTF::DefaultBackColor;
    bool m_formatSelection = true;
    // A Ctrl+X has cut with the clipboard's leading space: later copies
    // and cuts are plain.
    bool m_cutDone = false;
    // Property load of a form.
    bool m_loading = false;
    bool m_reading = false;
    QVariantMap m_loadValues;  // every write of the load, the latest of each
    bool m_loadApplied = true;  // m_loadValues are what the control shows
    QStringList m_changed;
    QMenu *m_popup = nullptr;  // made at the first right click
};

// --- Creation --------------------------------------------------------------------

HindiRTFPrivate::HindiRTFPrivate(HindiRTF *owner)
    : q(owner)
    , m_rtf(new textengine::TextControl(owner))
    , m_surface(std::make_unique<textengine::TextControlSurface>(m_rtf))
{
}

HindiRTF::HindiRTF(QWidget *parent)
    : QWidget(parent)
    , d(std::make_unique<HindiRTFPrivate>(this))
{
    d->m_rtf->setObjectName(u"rtf"_s);
    d->m_rtf->setGeometry(rect());
    setFocusProxy(d->m_rtf);
    d->applyBackColor();
    InitProperties();

    HindiRTFPrivate *p = d.get();
    connect(p->m_rtf, &textengine::TextControl::KeyDown, this,
            [p](int keyCode, int shift) { p->onKeyDown(keyCode, shift); });
    // Connected directly: the handler changes the key before the control
    // inserts it, and the control keeps the handler's edits in one undo step.
    connect(p->m_rtf, &textengine::TextControl::KeyPress, this, [p](int &key) { p->onKeyPress(key); },
            Qt::DirectConnection);
    connect(p->m_rtf, &textengine::TextControl::Change, this, [p] { p->onTextChange(); }, Qt::DirectConnection);
    connect(p->m_rtf, &textengine::TextControl::PosChange, this, &HindiRTF::formatChanged);
    // The right button shows the control's pop-up menu, not the text edit's
    // standard one, whose Copy and Cut would leave the clipboard space out.
    p->m_rtf->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(p->m_rtf, &QWidget::customContextMenuRequested, this, [p](const QPoint &at) { p->showPopup(at); });
}

HindiRTF::~HindiRTF()
{
    // The inner control outlives the private part (it goes with the
    // widget's children): nothing it emits from here on reaches the handlers.
    disconnect(d->m_rtf, nullptr, this, nullptr);
}

textengine::TextControl *HindiRTF::rtf() const
{
    return d->m_rtf;
}

bool HindiRTF::isLoadingProperties() const
{
    return d->m_loading;
}

QStringList HindiRTF::changedProperties() const
{
    return d->m_changed;
}

void HindiRTF::clearChangedProperties()
{
    d->m_changed.clear();
}

void HindiRTF::InitProperties()
{
    d->m_fontName = u"Arial"_s;
    // The text shows in the font the control reports.
    d->m_rtf->setFontName(d->m_fontName);
}

void HindiRTF::setMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

void HindiRTF::About()
{
    d->endPropertyLoad();
    const QString title = u"About HindiRTF"_s;
    const QString text = u"HindiRTF: a rich-text box for typing Hindi in the Kruti Dev encoding, "
                         "phonetically or on the Remington layout.\n\nPart of Kalamora."_s;
    if (messageHook()) {
        messageHook()(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box.exec();
}

void HindiRTF::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->m_rtf->setGeometry(0, 0, width(), height());
}

// --- Persistence -----------------------------------------------------------------

const QStringList &HindiRTF::persistedProperties()
{
    static const QStringList names = {
        u"BackColor"_s, u"BorderStyle"_s, u"LangMode"_s, u"FontName"_s, u"FormatSelection"_s,
        u"AlignMent"_s, u"FontBold"_s, u"FontItalic"_s, u"FontSize"_s, u"FontStrikeThru"_s,
        u"FontUnderline"_s, u"ForeColor"_s, u"IndentB"_s, u"IndentFL"_s, u"IndentL"_s,
        u"IndentR"_s, u"IndentT"_s, u"ScrollBars"_s, u"Text"_s, u"SelText"_s,
    };
    return names;
}

QVariant HindiRTF::persistedDefault(const QString &name)
{
    if (name == u"BackColor"_s)
        return QVariant(DefaultBackColor);
    if (name == u"ForeColor"_s)
        return QVariant(DefaultForeColor);
    if (name == u"BorderStyle"_s)
        return 1;
    if (name == u"LangMode"_s)
        return u"1"_s;
    if (name == u"FontName"_s)
        return u"Arial"_s;
    if (name == u"FormatSelection"_s)
        return true;
    if (name == u"FontSize"_s)
        return 12;
    if (name == u"ScrollBars"_s)
        return 3;
    if (name == u"Text"_s || name == u"SelText"_s)
        return QString();
    if (persistedProperties().contains(name))
        return 0;
    return {};
}

QString HindiRTF::propertyDescription(const QString &name)
{
    const QByteArray key = "description:" + name.toLatin1();
    const QMetaObject &mo = staticMetaObject;
    const int i = mo.indexOfClassInfo(key.constData());
    return i < 0 ? QString() : QString::fromLatin1(mo.classInfo(i).value());
}

void HindiRTF::ReadProperties(PropertyBag &bag)
{
    // A host's own read replaces whatever a form was loading.
    d->m_loading = false;
    d->m_loadValues.clear();
    d->m_loadApplied = true;
    d->applyBag(bag);
}

void HindiRTFPrivate::applyBag(PropertyBag &bag)
{
    m_reading = true;
    // A bag that raises leaves the rows read so far applied; the error is
    // the host's.
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_reading};
    for (const QString &name : HindiRTF::persistedProperties())
        applyPersisted(name, bag.ReadProperty(name, HindiRTF::persistedDefault(name)));
}

void HindiRTF::WriteProperties(PropertyBag &bag) const
{
    d->settle();
    for (const QString &name : persistedProperties()) {
        if (name == u"FontName"_s) {
            // The inner control's font first, then the remembered name, which
            // is the one that stays.
            bag.WriteProperty(name, d->m_rtf->FontName(), persistedDefault(name));
        }
        bag.WriteProperty(name, d->currentValue(name), persistedDefault(name));
    }
}

void HindiRTFPrivate::applyPersisted(const QString &name, const QVariant &value)
{
    if (name == u"BackColor"_s) {
        m_backColor = value.toUInt();
        applyBackColor();
    } else if (name == u"BorderStyle"_s) {
        m_rtf->setFrameShape(value.toInt() == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
    } else if (name == u"LangMode"_s) {
        // Saved as text; a text that is no number turns the engine off.
        shared().langMode = value.toString().trimmed().toInt();
    } else if (name == u"FontName"_s) {
        const QString font = value.toString();
        formatScope([&] { m_rtf->setFontName(font); });
        m_fontName = font;
    } else if (name == u"FormatSelection"_s) {
        m_formatSelection = value.toBool();
    } else if (name == u"AlignMent"_s) {
        const int code = value.toInt();
        formatScope([&] { m_rtf->setAlignMent(code); });
    } else if (name == u"FontBold"_s) {
        const bool on = value.toInt() != 0;
        formatScope([&] { m_rtf->setFontBold(on); });
    } else if (name == u"FontItalic"_s) {
        const bool on = value.toInt() != 0;
        formatScope([&] { m_rtf->setFontItalic(on); });
    } else if (name == u"FontSize"_s) {
        const int points = value.toInt();
        if (points > 0)
            formatScope([&] { m_rtf->setFontSize(points); });
    } else if (name == u"FontStrikeThru"_s) {
        const bool on = value.toInt() != 0;
        formatScope([&] { m_rtf->setFontStrikeThru(on); });
    } else if (name == u"FontUnderline"_s) {
        const bool on = value.toInt() != 0;
        formatScope([&] { m_rtf->setFontUnderline(on); });
    } else if (name == u"ForeColor"_s) {
        const qint64 rgb = value.toUInt();
        formatScope([&] { m_rtf->setForeColor(rgb); });
    } else if (name == u"IndentB"_s) {
        mergeIndent(Bottom, value.toInt());
    } else if (name == u"IndentFL"_s) {
        mergeIndent(FirstLine, value.toInt());
    } else if (name == u"IndentL"_s) {
        mergeIndent(Left, value.toInt());
    } else if (name == u"IndentR"_s) {
        mergeIndent(Right, value.toInt());
    } else if (name == u"IndentT"_s) {
        mergeIndent(Top, value.toInt());
    } else if (name == u"ScrollBars"_s) {
        const int bars = value.toInt();
        m_rtf->setHorizontalScrollBarPolicy((bars & 1) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        m_rtf->setVerticalScrollBarPolicy((bars & 2) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    } else if (name == u"Text"_s) {
        replaceText(value.toString());
    } else if (name == u"SelText"_s) {
        m_rtf->setSelText(value.toString());
    }
}

QVariant HindiRTFPrivate::currentValue(const QString &name) const
{
    if (name == u"BackColor"_s)
        return q->BackColor();
    if (name == u"BorderStyle"_s)
        return q->BorderStyle();
    if (name == u"LangMode"_s)
        return QString::number(shared().langMode);
    if (name == u"FontName"_s)
        return m_fontName;
    if (name == u"FormatSelection"_s)
        return m_formatSelection;
    if (name == u"AlignMent"_s)
        return q->AlignMent();
    if (name == u"FontBold"_s)
        return q->FontBold();
    if (name == u"FontItalic"_s)
        return q->FontItalic();
    if (name == u"FontSize"_s)
        return q->FontSize();
    if (name == u"FontStrikeThru"_s)
        return q->FontStrikeThru();
    if (name == u"FontUnderline"_s)
        return q->FontUnderline();
    if (name == u"ForeColor"_s)
        return q->ForeColor();
    if (name == u"IndentB"_s)
        return q->IndentB();
    if (name == u"IndentFL"_s)
        return q->IndentFL();
    if (name == u"IndentL"_s)
        return q->IndentL();
    if (name == u"IndentR"_s)
        return q->IndentR();
    if (name == u"IndentT"_s)
        return q->IndentT();
    if (name == u"ScrollBars"_s)
        return q->ScrollBars();
    if (name == u"Text"_s)
        return q->Text();
    if (name == u"SelText"_s)
        return q->SelText();
    return {};
}

void HindiRTF::beginPropertyLoad()
{
    d->m_loading = true;
    d->m_loadValues.clear();
    d->m_loadApplied = true;
    // A form loader sets the properties one after another without telling
    // when it is done: the load ends once the event loop runs.
    QTimer::singleShot(0, this, [this] { d->endPropertyLoad(); });
}

void HindiRTFPrivate::writePersisted(const QString &name, const QVariant &value, const QVariant &applied)
{
    if (deferWhileLoading(name, value))
        return;
    applyPersisted(name, applied.isValid() ? applied : value);
    markChanged(name);
}

bool HindiRTFPrivate::deferWhileLoading(const QString &name, const QVariant &value)
{
    if (!m_loading)
        return false;
    m_loadValues.insert(name, value);
    m_loadApplied = false;
    return true;
}

void HindiRTFPrivate::settle()
{
    if (!m_loading || m_loadApplied)
        return;
    m_loadApplied = true;
    // The whole collection on a control as new: what it shows depends on
    // the values written, never on their order or on the reads between
    // them (Qt Designer reads each property back as it loads a form).
    QVariantMap values = m_loadValues;
    m_reading = true;  // the load's own change of the text
    m_rtf->clear();
    m_rtf->setCurrentCharFormat(QTextCharFormat());
    m_reading = false;
    // A form writes the selection among the saved properties, in any order;
    // it is a place in the loaded text, so it comes after all of them.
    const QVariant start = values.take(u"SelStart"_s);
    const QVariant length = values.take(u"SelLength"_s);
    MapPropertyBag bag(std::move(values));
    applyBag(bag);
    if (start.isValid())
        m_rtf->setSelStart(start.toInt());
    if (length.isValid())
        m_rtf->setSelLength(length.toInt());
}

void HindiRTFPrivate::endPropertyLoad()
{
    settle();
    m_loading = false;
    m_loadValues.clear();
}

void HindiRTFPrivate::markChanged(const QString &name)
{
    if (m_reading)
        return;
    if (!m_changed.contains(name))
        m_changed.append(name);
    Q_EMIT q->PropertyChanged(name);
}

// --- Properties --------------------------------------------------------------------

void HindiRTFPrivate::applyBackColor()
{
    QPalette pal = m_rtf->palette();
    pal.setColor(QPalette::Base, colourOf(m_backColor, QApplication::palette()));
    m_rtf->setPalette(pal);
}

void HindiRTFPrivate::formatScope(const std::function<void()> &apply)
{
    if (!m_formatSelection) {
        const QTextCursor saved = m_rtf->textCursor();
        QTextCursor all(m_rtf->document());
        all.select(QTextCursor::Document);
        m_rtf->setTextCursor(all);
        apply();
        m_rtf->setTextCursor(saved);
    }
    // The selection (or the caret's typing format) in every case: restoring
    // the cursor above brings back the caret's earlier format.
    apply();
}

void HindiRTFPrivate::replaceText(const QString &text)
{
    // Formats set on an empty control wait at the caret; the text written
    // into it takes them, as typing would.
    const bool wasEmpty = m_rtf->document()->isEmpty();
    const QTextCharFormat typing = m_rtf->currentCharFormat();
    m_rtf->setText(text);
    if (!wasEmpty)
        return;
    if (!text.isEmpty()) {
        QTextCursor all(m_rtf->document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(typing);
    }
    m_rtf->mergeCurrentCharFormat(typing);
}

void HindiRTFPrivate::mergeIndent(int which, int twips)
{
    const double units = document::twipsToUnits(twips);
    QTextBlockFormat f;
    switch (which) {
    case Bottom: f.setBottomMargin(std::max(0.0, units)); break;
    case FirstLine: f.setTextIndent(units); break;
    case Left: f.setLeftMargin(std::max(0.0, units)); break;
    case Right: f.setRightMargin(std::max(0.0, units)); break;
    case Top: f.setTopMargin(std::max(0.0, units)); break;
    }
    QTextCursor c = m_rtf->textCursor();
    if (!m_formatSelection)
        c.select(QTextCursor::Document);
    c.mergeBlockFormat(f);
}

int HindiRTFPrivate::indent(int which)
{
    settle();
    QTextCursor c = m_rtf->textCursor();
    c.setPosition(c.selectionStart());
    const QTextBlockFormat f = c.blockFormat();
    switch (which) {
    case Bottom: return clamp16(toTwips(f.bottomMargin()));
    case FirstLine: return clamp16(toTwips(f.textIndent()));
    case Left: return clamp16(toTwips(f.leftMargin()));
    case Right: return clamp16(toTwips(f.rightMargin()));
    case Top: return clamp16(toTwips(f.topMargin()));
    }
    return 0;
}

uint HindiRTF::BackColor() const
{
    d->settle();
    return d->m_backColor;
}

void HindiRTF::setBackColor(uint New_BackColor)
{
    d->writePersisted(u"BackColor"_s, New_BackColor);
}

int HindiRTF::BorderStyle() const
{
    d->settle();
    return d->m_rtf->frameShape() == QFrame::NoFrame ? 0 : 1;
}

void HindiRTF::setBorderStyle(int New_BorderStyle)
{
    d->writePersisted(u"BorderStyle"_s, New_BorderStyle);
}

int HindiRTF::SelStart() const
{
    d->settle();
    return d->m_rtf->SelStart();
}

void HindiRTF::setSelStart(int New_SelStart)
{
    if (d->deferWhileLoading(u"SelStart"_s, New_SelStart))
        return;
    d->m_rtf->setSelStart(New_SelStart);
}

int HindiRTF::SelLength() const
{
    d->settle();
    return d->m_rtf->SelLength();
}

void HindiRTF::setSelLength(int New_SelLength)
{
    if (d->deferWhileLoading(u"SelLength"_s, New_SelLength))
        return;
    d->m_rtf->setSelLength(New_SelLength);
}

int HindiRTF::LangMode() const
{
    d->settle();
    return shared().langMode;
}

void HindiRTF::setLangMode(int New_LangMode)
{
    d->writePersisted(u"LangMode"_s, QString::number(New_LangMode));
}

QString HindiRTF::FontName() const
{
    d->settle();
    return d->m_fontName;
}

void HindiRTF::setFontName(const QString &New_FontName)
{
    d->writePersisted(u"FontName"_s, New_FontName);
}

bool HindiRTF::FormatSelection() const
{
    d->settle();
    return d->m_formatSelection;
}

void HindiRTF::setFormatSelection(bool New_FormatSelection)
{
    d->writePersisted(u"FormatSelection"_s, New_FormatSelection);
}

int HindiRTF::AlignMent() const
{
    d->settle();
    return d->m_rtf->AlignMent();
}

void HindiRTF::setAlignMent(int New_AlignMent)
{
    d->writePersisted(u"AlignMent"_s, New_AlignMent, clamp16(New_AlignMent));
}

int HindiRTF::FontBold() const
{
    d->settle();
    return d->m_rtf->FontBold() ? 1 : 0;
}

void HindiRTF::setFontBold(int New_FontBold)
{
    d->writePersisted(u"FontBold"_s, New_FontBold);
}

int HindiRTF::FontItalic() const
{
    d->settle();
    return d->m_rtf->FontItalic() ? 1 : 0;
}

void HindiRTF::setFontItalic(int New_FontItalic)
{
    d->writePersisted(u"FontItalic"_s, New_FontItalic);
}

int HindiRTF::FontSize() const
{
    d->settle();
    return clamp16(d->m_rtf->FontSize());
}

void HindiRTF::setFontSize(int New_FontSize)
{
    d->writePersisted(u"FontSize"_s, New_FontSize, clamp16(New_FontSize));
}

int HindiRTF::FontStrikeThru() const
{
    d->settle();
    return d->m_rtf->FontStrikeThru() ? 1 : 0;
}

void HindiRTF::setFontStrikeThru(int New_FontStrikeThru)
{
    d->writePersisted(u"FontStrikeThru"_s, New_FontStrikeThru);
}

int HindiRTF::FontUnderline() const
{
    d->settle();
    return d->m_rtf->FontUnderline() ? 1 : 0;
}

void HindiRTF::setFontUnderline(int New_FontUnderline)
{
    d->writePersisted(u"FontUnderline"_s, New_FontUnderline);
}

uint HindiRTF::ForeColor() const
{
    d->settle();
    // A selection of several colours reads -1, as the inner control gives it.
    return static_cast<uint>(d->m_rtf->ForeColor());
}

void HindiRTF::setForeColor(uint New_ForeColor)
{
    d->writePersisted(u"ForeColor"_s, New_ForeColor);
}

int HindiRTF::IndentB() const
{
    return d->indent(Bottom);
}

void HindiRTF::setIndentB(int New_IndentB)
{
    d->writePersisted(u"IndentB"_s, New_IndentB, clamp16(New_IndentB));
}

int HindiRTF::IndentFL() const
{
    return d->indent(FirstLine);
}

void HindiRTF::setIndentFL(int New_IndentFL)
{
    d->writePersisted(u"IndentFL"_s, New_IndentFL, clamp16(New_IndentFL));
}

int HindiRTF::IndentL() const
{
    return d->indent(Left);
}

void HindiRTF::setIndentL(int New_IndentL)
{
    d->writePersisted(u"IndentL"_s, New_IndentL, clamp16(New_IndentL));
}

int HindiRTF::IndentR() const
{
    return d->indent(Right);
}

void HindiRTF::setIndentR(int New_IndentR)
{
    d->writePersisted(u"IndentR"_s, New_IndentR, clamp16(New_IndentR));
}

int HindiRTF::IndentT() const
{
    return d->indent(Top);
}

void HindiRTF::setIndentT(int New_IndentT)
{
    d->writePersisted(u"IndentT"_s, New_IndentT, clamp16(New_IndentT));
}

int HindiRTF::ScrollBars() const
{
    d->settle();
    return (d->m_rtf->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff ? 1 : 0)
        | (d->m_rtf->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff ? 2 : 0);
}

void HindiRTF::setScrollBars(int New_ScrollBars)
{
    d->writePersisted(u"ScrollBars"_s, New_ScrollBars);
}

QString HindiRTF::Text() const
{
    d->settle();
    return d->m_rtf->Text();
}

void HindiRTF::setText(const QString &New_Text)
{
    d->writePersisted(u"Text"_s, New_Text);
}

QString HindiRTF::SelText() const
{
    d->settle();
    return d->m_rtf->SelText();
}

void HindiRTF::setSelText(const QString &New_SelText)
{
    d->writePersisted(u"SelText"_s, New_SelText);
}

// --- Pop-up menu ---------------------------------------------------------------------

void HindiRTFPrivate::sendCtrlKey(Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier);
    QCoreApplication::sendEvent(m_rtf, &press);
    QCoreApplication::sendEvent(m_rtf, &release);
}

void HindiRTFPrivate::showPopup(const QPoint &viewportPos)
{
    endPropertyLoad();
    if (!m_popup) {
        m_popup = new QMenu(q);
        m_popup->setObjectName(u"popup"_s);
        const auto item = [this](const QString &text, QKeySequence::StandardKey shortcut, auto run) {
            // The shortcut is only shown: the keys reach the inner control
            // as keys, and a host's own shortcuts stay its own.
            QAction *a = m_popup->addAction(
                text + u'\t' + QKeySequence(shortcut).toString(QKeySequence::NativeText));
            QObject::connect(a, &QAction::triggered, q, run);
            return a;
        };
        item(u"Cu&t"_s, QKeySequence::Cut, [this] { sendCtrlKey(Qt::Key_X); });
        item(u"&Copy"_s, QKeySequence::Copy, [this] { sendCtrlKey(Qt::Key_C); });
        item(u"&Paste"_s, QKeySequence::Paste, [this] { sendCtrlKey(Qt::Key_V); });
        m_popup->addSeparator();
        // In one step, as Ctrl+A does.
        item(u"Select &All"_s, QKeySequence::SelectAll, [this] { m_rtf->selectAll(); });
    }
    const QList<QAction *> items = m_popup->actions();
    const bool selection = m_rtf->textCursor().hasSelection();
    const bool writable = !m_rtf->isReadOnly();
    items[0]->setEnabled(selection && writable);
    items[1]->setEnabled(selection);
    items[2]->setEnabled(writable && m_rtf->canPaste());
    items[4]->setEnabled(!m_rtf->document()->isEmpty());
    m_popup->popup(m_rtf->viewport()->mapToGlobal(viewportPos));
}

// --- Events of the inner control -----------------------------------------------------

void HindiRTFPrivate::onKeyDown(int keyCode, int shift)
{
    endPropertyLoad();
    if (shift != ShiftCtrl && keyCode >= 37 && keyCode <= 40)
        Q_EMIT q->formatChanged();
}

void HindiRTFPrivate::onKeyPress(int &key)
{
    endPropertyLoad();
    if (textengine::takeClipboardKey(*m_rtf, key, m_cutDone))
        return;
    // Control keys (Backspace, Ctrl with a letter, Escape) are the inner
    // control's own commands; the engine's stand-in space at a line start
    // would take the place of a selection there.
    if (key < 32 && key != KeyEnter)
        return;
    SharedInput &in = shared();
    if (in.langMode != 1)
        return;
    in.state.InputLanguage = "HINDI";
    engine::Engine engine(in.state, in.host);
    engine::KeyCode code = static_cast<engine::KeyCode>(key);
    // The layout is read at every key, so a change in the main window's menu
    // takes effect at the next one.
    const std::string layout = in.host.layout();
    if (layout == "Rem")
        engine.RemingtonKeyPress(*m_surface, code);
    else if (layout == "Rom")
        engine.PhoneticKeyPress(*m_surface, code);
    key = code;
}

void HindiRTFPrivate::onTextChange()
{
    // Text changed by anyone but the load itself: the control is in use.
    if (!m_reading)
        endPropertyLoad();
    SharedInput &in = shared();
    if (in.langMode == 1 && in.state.RephPending) {
        engine::Engine engine(in.state, in.host);
        engine.PlacePendingReph(*m_surface);
    }
    Q_EMIT q->Change();
}

