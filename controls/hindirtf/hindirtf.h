#pragma once

#include "hindirtfglobal.h"
#include "propertybag.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

namespace kalamora::textengine {
class TextControl;
} // namespace kalamora::textengine

class HindiRTFPrivate;

// A Hindi-aware rich-text box for other programs: one text-engine control
// `rtf` that fills the whole widget, with the input engine bound to its keys
// as in a document window, and the inner control's text, selection and
// formatting offered as properties of its own.
//
// Colours are numbers in the Windows layout 0x00BBGGRR; the top bit names a
// system colour (0x80000005 window, 0x80000012 button text). The 16-bit
// properties (BorderStyle, AlignMent, the Font flags and sizes, the indents,
// ScrollBars) keep to the range -32768..32767; the font flags read 1 or 0.
// Indents are in twips.
//
// LangMode is one value for every instance in the process: 1 types Hindi,
// any other value leaves the keys alone. The engine state (a dead consonant,
// a pending reph) is likewise shared by every instance.
//
// Persistence: ReadProperties / WriteProperties go through the host's
// property bag, in the order of persistedProperties(), "SelText" last. A
// form loader that sets the properties one by one (QUiLoader) is served by
// beginPropertyLoad(): the writes are collected and applied in that order,
// as one ReadProperties, whenever the control is read, and the load lasts
// until the event loop next runs or the control is used (keys, text, About):
// a write after a read applies the whole collection again, so a loader that
// reads back what it wrote gets the same control in any order. Writing a
// persisted property emits PropertyChanged(name), so that a host marks it
// for saving.
class HINDIRTF_EXPORT HindiRTF : public QWidget {
    Q_OBJECT

    Q_CLASSINFO("description:BackColor", "Returns/sets the background color of an object.")
    Q_CLASSINFO("description:BorderStyle", "Returns/sets the border style for an object.")

    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor DESIGNABLE true STORED true)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle DESIGNABLE true STORED true)
    Q_PROPERTY(int SelStart READ SelStart WRITE setSelStart DESIGNABLE false STORED false)
    Q_PROPERTY(int SelLength READ SelLength WRITE setSelLength DESIGNABLE false STORED false)
    Q_PROPERTY(int LangMode READ LangMode WRITE setLangMode DESIGNABLE true STORED true)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName DESIGNABLE true STORED true)
    Q_PROPERTY(bool FormatSelection READ FormatSelection WRITE setFormatSelection DESIGNABLE true STORED true)
    Q_PROPERTY(int AlignMent READ AlignMent WRITE setAlignMent DESIGNABLE true STORED true)
    Q_PROPERTY(int FontBold READ FontBold WRITE setFontBold DESIGNABLE true STORED true)
    Q_PROPERTY(int FontItalic READ FontItalic WRITE setFontItalic DESIGNABLE true STORED true)
    Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize DESIGNABLE true STORED true)
    Q_PROPERTY(int FontStrikeThru READ FontStrikeThru WRITE setFontStrikeThru DESIGNABLE true STORED true)
    Q_PROPERTY(int FontUnderline READ FontUnderline WRITE setFontUnderline DESIGNABLE true STORED true)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE setForeColor DESIGNABLE true STORED true)
    Q_PROPERTY(int IndentB READ IndentB WRITE setIndentB DESIGNABLE true STORED true)
    Q_PROPERTY(int IndentFL READ IndentFL WRITE setIndentFL DESIGNABLE true STORED true)
    Q_PROPERTY(int IndentL READ IndentL WRITE setIndentL DESIGNABLE true STORED true)
    Q_PROPERTY(int IndentR READ IndentR WRITE setIndentR DESIGNABLE true STORED true)
    Q_PROPERTY(int IndentT READ IndentT WRITE setIndentT DESIGNABLE true STORED true)
    Q_PROPERTY(int ScrollBars READ ScrollBars WRITE setScrollBars DESIGNABLE true STORED true)
    Q_PROPERTY(QString Text READ Text WRITE setText DESIGNABLE true STORED true)
    Q_PROPERTY(QString SelText READ SelText WRITE setSelText DESIGNABLE true STORED true)

public:
    // The saved values that stand when a form stores none.
    static constexpr uint DefaultBackColor = 0x80000005u;
    static constexpr uint DefaultForeColor = 0x80000012u;

    explicit HindiRTF(QWidget *parent = nullptr);
    ~HindiRTF() override;

    kalamora::textengine::TextControl *rtf() const;

    uint BackColor() const;
    int BorderStyle() const;
    int SelStart() const;
    int SelLength() const;
    int LangMode() const;
    QString FontName() const;
    bool FormatSelection() const;
    int AlignMent() const;
    int FontBold() const;
    int FontItalic() const;
    int FontSize() const;
    int FontStrikeThru() const;
    int FontUnderline() const;
    uint ForeColor() const;
    int IndentB() const;
    int IndentFL() const;
    int IndentL() const;
    int IndentR() const;
    int IndentT() const;
    int ScrollBars() const;
    QString Text() const;
    QString SelText() const;

    // The saved properties, in the order they are read and written, and
    // each one's default.
    static const QStringList &persistedProperties();
    static QVariant persistedDefault(const QString &name);
    // The property browser's description of a property ("" for none).
    static QString propertyDescription(const QString &name);

    // A new instance with nothing saved.
    void InitProperties();
    // Reads every saved property with its default, in the saved order.
    void ReadProperties(PropertyBag &bag);
    // Writes every saved property with its default, in the same order.
    void WriteProperties(PropertyBag &bag) const;

    // The form's saved properties follow as single writes (see above).
    void beginPropertyLoad();
    bool isLoadingProperties() const;

    // The names a write has marked changed since the last clearChangedProperties.
    QStringList changedProperties() const;
    void clearChangedProperties();

    // Replaces the message box of About (tests; hosts without a screen).
    using MessageHook = std::function<void(const QString &title, const QString &text)>;
    static void setMessageHook(MessageHook hook);

public Q_SLOTS:
    void setBackColor(uint New_BackColor);
    void setBorderStyle(int New_BorderStyle);
    void setSelStart(int New_SelStart);
    void setSelLength(int New_SelLength);
    void setLangMode(int New_LangMode);
    void setFontName(const QString &New_FontName);
    void setFormatSelection(bool New_FormatSelection);
    void setAlignMent(int New_AlignMent);
    void setFontBold(int New_FontBold);
    void setFontItalic(int New_FontItalic);
    void setFontSize(int New_FontSize);
    void setFontStrikeThru(int New_FontStrikeThru);
    void setFontUnderline(int New_FontUnderline);
    void setForeColor(uint New_ForeColor);
    void setIndentB(int New_IndentB);
    void setIndentFL(int New_IndentFL);
    void setIndentL(int New_IndentL);
    void setIndentR(int New_IndentR);
    void setIndentT(int New_IndentT);
    void setScrollBars(int New_ScrollBars);
    void setText(const QString &New_Text);
    void setSelText(const QString &New_SelText);

    // A notice about the control, with an OK button.
    void About();

Q_SIGNALS:
    // After every change of the inner control's text.
    void Change();
    // A persisted property was written: the host should save it.
    void PropertyChanged(const QString &name);
    // The format at the caret may differ now (the caret moved, or an arrow
    // key is about to move it): a host that shows the format refreshes it.
    void formatChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The inner control, the engine's view of it and the state of a load:
    // none of it is part of the interface a host builds against.
    const std::unique_ptr<HindiRTFPrivate> d;
};
