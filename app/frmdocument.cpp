#include "app/frmdocument.h"

#include "app/documentwindows.h"
#include "app/frmmain.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"

#include "engine/keybinding.h"
#include "surface/textcontrolsurface.h"
#include "textengine/clipboardspace.h"
#include "textengine/textcontrol.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {
constexpr int TwipsPerPixel = 15; // the control's geometry is given in twips at 96 dpi
constexpr int ShiftCtrl = 2;
} // namespace

frmDocument::frmDocument(frmMain *main, const QString &title)
    : m_main(main)
    , m_rtftext(new textengine::TextControl(this))
    , m_text3(new textengine::TextControl(this))
{
    setObjectName(u"frmDocument"_s);
    setAttribute(Qt::WA_DeleteOnClose, false); // the sub-window owns the lifetime
    setWindowTitle(title);
    m_rtftext->setObjectName(u"rtftext"_s);
    m_rtftext->setFontName(u"Arial"_s);
    m_text3->setObjectName(u"Text3"_s);
    m_text3->setVisible(false);
    m_surface = std::make_unique<textengine::TextControlSurface>(m_rtftext);
    m_text3Surface = std::make_unique<textengine::TextControlSurface>(m_text3);

    m_rtftext->setPageWidth(12240);
    m_rtftext->setPageHeight(15840);

    m_binding = std::make_unique<engine::KeyBinding>(main->engineState(), main->language(), engine::KeyBinding::Target::Document);
    m_text3Binding = std::make_unique<engine::KeyBinding>(main->engineState(), main->language(),
                                                          engine::KeyBinding::Target::HiddenText);
    bindKeys(m_rtftext, m_surface.get(), m_binding.get());
    bindKeys(m_text3, m_text3Surface.get(), m_text3Binding.get());

    connect(m_rtftext, &textengine::TextControl::PosChange, m_main, &frmMain::SyncFormatControls);
    // The right button shows the program's pop-up menu (below), not the
    // text control's own.
    m_rtftext->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_rtftext, &textengine::TextControl::MouseDown, this, [this](int button, int, int x, int y) {
        if (button != 2)
            return;
        PopUpEditMenu();
        PopUpTableMenu();
        GeneralCheck();
        const QPoint at(x / TwipsPerPixel, y / TwipsPerPixel);
        m_main->commands().mnuPopUp->popup(m_rtftext->mapToGlobal(at));
    });
    setFocusProxy(m_rtftext);
    // Alt with a letter opens the menus even while the text has the focus.
    m_rtftext->installEventFilter(this);
}

bool frmDocument::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_rtftext && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & Qt::AltModifier) && !(key->modifiers() & Qt::ControlModifier)) {
            key->ignore();
            return true;
        }
        // Ctrl+Return is the control's own page break. Insert > Page Break
        // sends it here; taken for the menu's shortcut again, it would be
        // sent once more, without end.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::ControlModifier) {
            key->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

frmDocument::~frmDocument() = default;

void frmDocument::bindKeys(textengine::TextControl *control, textengine::TextControlSurface *surface,
                           engine::KeyBinding *binding)
{
    if (control == m_rtftext) {
        connect(control, &textengine::TextControl::KeyDown, this, [this](int keyCode, int shift) {
            if (keyCode == 'L' && shift == ShiftCtrl)
                m_main->language().toggleLanguage();
            else if (shift != ShiftCtrl && keyCode >= 37 && keyCode <= 40)
                m_main->SyncFormatControls();
        });
    }
    // The control groups everything a key press handler changes, and the
    // key's insertion, into one undo step.
    connect(control, &textengine::TextControl::KeyPress, this, [this, control, surface, binding](int &key) {
        if (control == m_rtftext && textengine::takeClipboardKey(*m_rtftext, key, m_cutDone))
            return;
        // Other control keys (Ctrl with a letter, Escape, Backspace, Tab)
        // are the control's own commands; the engine's stand-in space at a
        // line start would take the place of a selection there.
        if (key < 32 && key != engine::KeyBinding::Enter)
            return;
        // A save or a command may have put the caret back on an emptied
        // paragraph's leftover format since the last refresh, and a
        // selection may begin in the other language.
        if (control == m_rtftext)
            m_main->language().prepareTyping(control);
        key = binding->keyPress(*surface, key);
    });
    connect(control, &textengine::TextControl::Change, this, [surface, binding] { binding->textChanged(*surface); });
}

void frmDocument::showFindCopy(bool show)
{
    m_rtftext->setVisible(!show);
    m_text3->setVisible(show);
    layoutControls();
}

void frmDocument::PopUpEditMenu()
{
    CommandSurface &c = m_main->commands();
    const bool selection = m_rtftext->SelLength() != 0;
    c.mnuPopCut->setEnabled(selection);
    c.mnuPopCopy->setEnabled(selection);
    c.mnuPopDelete->setEnabled(selection);
}

void frmDocument::PopUpTableMenu()
{
    CommandSurface &c = m_main->commands();
    const bool inTable = m_rtftext->TableAtInputPos() != 0;
    c.mnuPopTableDelete->setEnabled(inTable);
    c.mnuPopTableAttributes->setEnabled(inTable);
    c.mnuPopTableInsert->setEnabled(m_rtftext->TableCanInsert());
    c.mnuPopTableGrid->setEnabled(true);
}

void frmDocument::GeneralCheck()
{
    CommandSurface &c = m_main->commands();
    const int align = m_rtftext->AlignMent();
    if (align < 0 || align > 3)
        return;
    // The pop-up items follow the alignment commands.
    c.action(alignCommand(align))->setChecked(true);
}

void frmDocument::layoutControls()
{
    // In twips: the document 120 in from the left, 240 narrower and 400
    // lower than the window; the hidden control fills the window.
    const int w = width() * TwipsPerPixel, h = height() * TwipsPerPixel;
    if (w - 240 <= 0 || h - 400 <= 0)
        return; // too small: keep the last layout
    m_rtftext->setGeometry(120 / TwipsPerPixel, 0, (w - 240) / TwipsPerPixel, (h - 400) / TwipsPerPixel);
    m_rtftext->setRightMargin(qMax(0, w - 240 - 1200));
    m_text3->setGeometry(0, 0, width(), height());
}

void frmDocument::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmDocument::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        layoutControls();
}

bool frmDocument::closeWithoutQuestion()
{
    m_closingUnasked = true;
    QWidget *window = parentWidget() ? parentWidget() : this;
    const bool closed = window->close();
    m_closingUnasked = false;
    return closed;
}

void frmDocument::closeEvent(QCloseEvent *event)
{
    // What the find window changed is part of the document to be saved.
    m_main->closeFindWindow(this);
    if (!m_closingUnasked) {
        const auto answer = kalamora::showMessage(this, QMessageBox::Question, windowTitle(),
                                                  u"Save Before Closing?"_s,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::Yes) {
            // The save acts on the active document: make it this one.
            m_main->windows().activate(this);
            if (!m_main->FileSave()) {
                event->ignore();
                return;
            }
        }
    }
    event->accept();
    Q_EMIT documentClosed(this);
}

} // namespace kalamora
