// Copy, cut and paste in a document window, by every route a user has.
#include "tests/app/shellfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QToolBar>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

enum class Route { Keys, EditMenu, Toolbar, PopUp };
enum class Op { Copy, Cut, Paste };

class ClipboardTest : public ShellTest {
protected:
    void keyClick(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(rtf(), key, mods); }

    void run(Route route, Op op)
    {
        CommandSurface &c = main->commands();
        QAction *edit[] = {c.mnuEditCopy, c.mnuEditCut, c.mnuEditPaste};
        QAction *pop[] = {c.mnuPopCopy, c.mnuPopCut, c.mnuPopPaste};
        const Qt::Key keys[] = {Qt::Key_C, Qt::Key_X, Qt::Key_V};
        switch (route) {
        case Route::Keys:
            keyClick(keys[int(op)], Qt::ControlModifier);
            break;
        case Route::EditMenu:
            Q_EMIT c.mnuEdit->aboutToShow();
            edit[int(op)]->trigger();
            break;
        case Route::Toolbar: {
            QWidget *button = c.tbToolbar->widgetForAction(edit[int(op)]);
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        }
        case Route::PopUp:
            main->activeDocument()->PopUpEditMenu();
            pop[int(op)]->trigger();
            break;
        }
    }
};

// A user's everyday clipboard work on whole lines, by keys, menu, toolbar
// and pop-up menu, typing Hindi (both layouts) and English: a copy never
// changes the text, a cut removes exactly the selection and puts it on the
// clipboard, a paste puts exactly the clipboard in its place; a cut or a
// paste undoes in one step. Each row works in a window of its own.
TEST_F(ClipboardTest, CopyCutPasteOfWholeLinesByEveryRoute)
{
    const QString layouts[] = {u"Rom"_s, u"Rem"_s, u"English"_s};
    for (const QString &layout : layouts) {
        for (Route route : {Route::Keys, Route::EditMenu, Route::Toolbar, Route::PopUp}) {
            for (Op op : {Op::Copy, Op::Cut, Op::Paste}) {
                SCOPED_TRACE(testing::Message() << layout.toStdString() << ", route " << int(route) << ", op " << int(op));
                main->commands().mnuFileNew->trigger();
                useInput(layout);
                type(u"kamal"_s);
                keyClick(Qt::Key_Return);
                type(u"ghar"_s);
                keyClick(Qt::Key_Home);
                keyClick(Qt::Key_End, Qt::ShiftModifier);
                const QString before = glyphs();
                const int start = rtf()->SelStart();
                const QString selected = rtf()->SelText();
                ASSERT_FALSE(selected.isEmpty());
                ASSERT_EQ(before.mid(start), selected);
                QApplication::clipboard()->setText(u"xy"_s);

                run(route, op);
                switch (op) {
                case Op::Copy:
                    EXPECT_EQ(glyphs(), before);
                    EXPECT_EQ(rtf()->SelStart(), start);
                    EXPECT_EQ(rtf()->SelText(), selected);
                    EXPECT_EQ(QApplication::clipboard()->text(), u" "_s + selected);
                    break;
                case Op::Cut:
                    EXPECT_EQ(glyphs(), before.left(start));
                    EXPECT_EQ(QApplication::clipboard()->text(), u" "_s + selected);
                    break;
                case Op::Paste:
                    EXPECT_EQ(glyphs(), before.left(start) + u"xy"_s);
                    break;
                }
                if (op != Op::Copy) {
                    keyClick(Qt::Key_Z, Qt::ControlModifier);
                    EXPECT_EQ(glyphs(), before) << "one undo";
                }
            }
        }
    }
}

// Whatever another program left on the clipboard, or nothing at all (a
// desktop clipboard nobody has copied to offers data without a format):
// paste by key or menu inserts its text, plain or rich, or nothing.
TEST_F(ClipboardTest, PasteWithAnEmptyClipboardCrashed)
{
    struct Row {
        const char *what;
        QString format;
        QByteArray data;
        QString inserted;
    };
    const Row rows[] = {
        {"nothing copied", {}, {}, {}},
        {"data without a format", u"-"_s, {}, {}},
        {"a private format", u"application/x-other"_s, "\x01\x02", {}},
        {"plain text", u"text/plain"_s, "one\ntwo", u"one\ntwo"_s},
        {"rich text", u"text/html"_s, "<p><b>bold</b> text</p>", u"bold text"_s},
    };
    for (const QString &layout : {u"Rom"_s, u"English"_s}) {
        useInput(layout);
        for (const Row &row : rows) {
            for (const bool byMenu : {false, true}) {
                SCOPED_TRACE(testing::Message() << layout.toStdString() << ", " << row.what << ", menu " << byMenu);
                rtf()->setText(u"[]"_s);
                rtf()->setSelStart(1);
                if (row.format.isEmpty()) {
                    QApplication::clipboard()->clear();
                } else {
                    auto *data = new QMimeData;
                    if (row.format != u"-"_s)
                        data->setData(row.format, row.data);
                    QApplication::clipboard()->setMimeData(data);
                }
                if (byMenu)
                    main->commands().mnuEditPaste->trigger();
                else
                    keyClick(Qt::Key_V, Qt::ControlModifier);
                EXPECT_EQ(glyphs(), u"["_s + row.inserted + u"]"_s);
            }
        }
    }
}

// Ctrl+C pressed and released in the orders people manage: the key comes up
// after a click elsewhere, with Ctrl already up, after repeats, or over
// another widget. The text never changes.
TEST_F(ClipboardTest, TheClipboardSpaceRestoreDeletedARealCharacter)
{
    main->language().OptEnglish()->setChecked(true);
    enum Step { CtrlDown, CDown, CRepeat, CUp, CtrlUp, ClickAt9, FocusAway };
    const std::vector<Step> orders[] = {
        {CtrlDown, CDown, ClickAt9, CUp, CtrlUp},
        {CtrlDown, CDown, CtrlUp, CUp},
        {CtrlDown, CDown, CRepeat, CRepeat, CUp, CtrlUp},
        {CtrlDown, CDown, FocusAway, CUp, CtrlUp},
        {CtrlDown, CDown, CUp, CtrlUp},
    };
    for (const auto &order : orders) {
        SCOPED_TRACE(testing::Message() << "order " << (&order - orders));
        rtf()->setText(u"hello world"_s);
        rtf()->setSelStart(0);
        rtf()->setSelLength(5);
        rtf()->setFocus();
        QWidget *target = rtf();
        for (Step s : order) {
            const bool ctrlHeld = s != CtrlUp;
            const auto mods = ctrlHeld ? Qt::ControlModifier : Qt::NoModifier;
            switch (s) {
            case CtrlDown: QTest::keyPress(target, Qt::Key_Control, Qt::ControlModifier); break;
            case CDown: QTest::keyPress(target, Qt::Key_C, Qt::ControlModifier); break;
            case CRepeat: {
                QKeyEvent up(QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier, u"\x03"_s, true);
                QKeyEvent down(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, u"\x03"_s, true);
                QCoreApplication::sendEvent(target, &up);
                QCoreApplication::sendEvent(target, &down);
                break;
            }
            case CUp: QTest::keyRelease(target, Qt::Key_C, mods); break;
            case CtrlUp: QTest::keyRelease(target, Qt::Key_Control, Qt::NoModifier); break;
            case ClickAt9: rtf()->setSelStart(9); break;
            case FocusAway:
                main->language().cmbFontSize()->setFocus();
                target = main->language().cmbFontSize();
                break;
            }
        }
        EXPECT_EQ(glyphs(), u"hello world"_s);
        EXPECT_EQ(QApplication::clipboard()->text(), u" hello"_s);
    }
}

} // namespace
