#include "app/frmfind.h"

#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"

#include "engine/keybinding.h"
#include "settings/paths.h"
#include "surface/textcontrolsurface.h"
#include "textengine/textcontrol.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {
constexpr int ShiftCtrl = 2;
} // namespace

QString frmFind::boxText(const textengine::TextControl *box) const
{
    // Typed in Hindi, a word ends in the halant of its last consonant until
    // the next key (a blank, a full stop) takes it away; the word the user
    // means is the ended one, as it stands in the document.
    QString text = box->Text();
    if (m_main->isHindi() && text.size() > 1 && text.endsWith(u'~') && !text.endsWith(u"~~"_s))
        text.chop(1);
    return text;
}

void SetAlwaysOnTop(QWidget *window, bool onTop)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        window->show(); // changing the flags hides a window
}

QString frmFind::temporaryFile()
{
    return kalamora::userDataFolder() + u"/FINDTMP0.RTF"_s;
}

frmFind::frmFind(frmMain *main, frmDocument *document, bool replacing)
    : QDialog(main)
    , m_main(main)
    , m_document(document)
{
    setObjectName(u"frmFind"_s);
    setWindowTitle(u"Find & Replace Text"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    Text1 = new textengine::TextControl(this);
    Text1->setObjectName(u"Text1"_s);
    Text2 = new textengine::TextControl(this);
    Text2->setObjectName(u"Text2"_s);
    for (textengine::TextControl *field : {Text1, Text2}) {
        field->setFontName(u"Arial"_s);
        field->setFixedHeight(field->fontMetrics().height() * 2 + 12);
        field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        field->setTabChangesFocus(true);
        if (m_main->isHindi() && !m_main->language().CmbFontHin()->currentText().isEmpty())
            field->setFontName(m_main->language().CmbFontHin()->currentText());
    }
    auto *findLabel = new QLabel(u"F&ind What:"_s, this);
    findLabel->setBuddy(Text1);
    m_replaceLabel = new QLabel(u"&Replace With:"_s, this);
    m_replaceLabel->setBuddy(Text2);

    FindNext = new QPushButton(u"&Find Next"_s, this);
    FindNext->setObjectName(u"FindNext"_s);
    FindNext->setDefault(true);
    Replace = new QPushButton(u"&Replace"_s, this);
    Replace->setObjectName(u"Replace"_s);
    ReplaceAll = new QPushButton(u"Replace &All"_s, this);
    ReplaceAll->setObjectName(u"ReplaceAll"_s);
    Close = new QPushButton(u"&Close"_s, this);
    Close->setObjectName(u"Close"_s);
    Replace->setEnabled(false);
    ReplaceAll->setEnabled(false);

    auto *grid = new QGridLayout;
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(m_replaceLabel, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->setColumnMinimumWidth(1, 260);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {FindNext, Replace, ReplaceAll, Close})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    if (!replacing) {
        for (QWidget *w : std::initializer_list<QWidget *>{m_replaceLabel, Text2, Replace, ReplaceAll})
            w->hide();
    }

    m_binding = std::make_unique<engine::KeyBinding>(main->engineState(), main->language(),
                                                     engine::KeyBinding::Target::FindField);
    m_surface1 = std::make_unique<textengine::TextControlSurface>(Text1);
    m_surface2 = std::make_unique<textengine::TextControlSurface>(Text2);
    bindField(Text1, m_surface1.get());
    bindField(Text2, m_surface2.get());

    connect(FindNext, &QPushButton::clicked, this, &frmFind::findNext);
    connect(Replace, &QPushButton::clicked, this, &frmFind::replace);
    connect(ReplaceAll, &QPushButton::clicked, this, &frmFind::replaceAll);
    connect(Close, &QPushButton::clicked, this, &QWidget::close);

    // The document goes through the temporary file into Text3, which
    // stands in its place while the window is open. The document is not
    // changed by the export.
    textengine::TextControl *rtf = m_document->rtftext();
    const int caret = rtf->SelStart();
    const int length = rtf->SelLength();
    rtf->RTFExport(temporaryFile());
    rtf->setSelStart(caret);
    rtf->setSelLength(length);
    m_document->Text3()->Load(temporaryFile(), 0, textengine::TextControl::FormatRtf);
    m_document->showFindCopy(true);
    m_document->Text3()->setSelStart(0);

    // A document that goes away without its close (the closes give the
    // edits back first) takes the window with it, edits and all.
    connect(m_document, &QObject::destroyed, this, [this] {
        m_closed = true;
        close();
    });

    SetAlwaysOnTop(this, true);
    Text1->setFocus();
}

frmFind::~frmFind() = default;

void frmFind::bindField(textengine::TextControl *field, textengine::TextControlSurface *surface)
{
    connect(field, &textengine::TextControl::KeyDown, this, [this](int keyCode, int shift) {
        if (keyCode == 'L' && shift == ShiftCtrl) {
            m_main->language().toggleLanguage();
            m_main->SyncFormatControls();
            activateWindow();
        }
    });
    connect(field, &textengine::TextControl::KeyPress, this, [this, surface](int &key) {
        if (key == 27) {
            key = 0;
            close();
            return;
        }
        if (key == 13) {
            key = 0; // Enter finds, as the default button
            findNext();
            return;
        }
        if (key < 32)
            return; // the field's own commands (copy, paste, Backspace, ...)
        key = m_binding->keyPress(*surface, key);
    });
    connect(field, &textengine::TextControl::Change, this, [this, surface] { m_binding->textChanged(*surface); });
    connect(field, &textengine::TextControl::PosChange, m_main, &frmMain::SyncFormatControls);
}

void frmFind::findNext()
{
    if (!m_document)
        return;
    textengine::TextControl *text3 = m_document->Text3();
    if (!m_searchStarted) {
        text3->setSelStart(0);
        m_searchStarted = true;
    }
    const QString what = boxText(Text1);
    const int from = text3->SelStart() + text3->SelLength();
    const int at = what.isEmpty() ? -1 : int(text3->Text().indexOf(what, from, Qt::CaseSensitive));
    if (at < 0) {
        kalamora::showMessage(this, QMessageBox::Information, u"Finished Searching"_s,
                              u"Penwick Has Finished Searching The Document"_s);
        m_searchStarted = false;
        Replace->setEnabled(false);
        ReplaceAll->setEnabled(false);
        return;
    }
    Replace->setEnabled(true);
    ReplaceAll->setEnabled(true);
    text3->setSelStart(at);
    text3->setSelLength(int(what.size()));
    text3->setFocus();
}

void frmFind::replace()
{
    if (!m_document)
        return;
    textengine::TextControl *text3 = m_document->Text3();
    if (text3->SelLength() == 0)
        return;
    text3->setSelText(boxText(Text2));
    Replace->setEnabled(false);
    ReplaceAll->setEnabled(false);
}

void frmFind::replaceAll()
{
    // One pass from the caret: the search goes on after each replacement, so
    // a replacement that contains the search text is not searched again, and
    // an empty search text replaces nothing.
    if (!m_document)
        return;
    textengine::TextControl *text3 = m_document->Text3();
    const QString what = boxText(Text1);
    const QString with = boxText(Text2);
    if (what.isEmpty())
        return;
    QString text = text3->Text();
    int from = text3->SelStart();
    for (;;) {
        const int at = int(text.indexOf(what, from, Qt::CaseSensitive));
        if (at < 0)
            break;
        text3->setSelStart(at);
        text3->setSelLength(int(what.size()));
        text3->setSelText(with);
        text.replace(at, what.size(), with);
        from = at + int(with.size());
    }
}

void frmFind::giveBack()
{
    if (m_closed || !m_document)
        return;
    m_closed = true;
    textengine::TextControl *text3 = m_document->Text3();
    textengine::TextControl *rtf = m_document->rtftext();
    const int start = text3->SelStart();
    const int length = text3->SelLength();
    if (text3->Save(temporaryFile(), 0, textengine::TextControl::FormatRtf))
        rtf->Load(temporaryFile(), 0, textengine::TextControl::FormatRtf);
    rtf->setSelStart(start);
    rtf->setSelLength(length);
    text3->setText(QString());
    m_document->showFindCopy(false);
    rtf->setFocus();
}

void frmFind::closeEvent(QCloseEvent *event)
{
    giveBack();
    QDialog::closeEvent(event);
}

void frmFind::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kalamora
