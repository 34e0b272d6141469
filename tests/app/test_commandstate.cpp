// The main window's controls follow the documents: enabled and checked
// states, the view a new document takes, the font and size boxes at start.
#include "tests/app/shellfixture.h"

#include "app/filecommands.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QFontInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>

#include <functional>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

using CommandStateTest = ShellTest;

TEST_F(CommandStateTest, FirstStartStoredEnglishAt6Points)
{
    EXPECT_NE(settings->readString(u"EngFontSize"_s), u"6"_s);
    main->language().OptEnglish()->setChecked(true);
    EXPECT_EQ(main->language().cmbFontSize()->currentText(), u"20"_s);
    type(u"home"_s);
    rtf()->setSelStart(2);
    EXPECT_EQ(rtf()->FontSize(), 20);
}

TEST_F(CommandStateTest, EnglishFontBoxStartedOnAFoundryName)
{
    const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    EXPECT_EQ(main->language().cmbFontEng()->currentText(), family);
    for (int i = 0; i < main->language().cmbFontEng()->count(); ++i)
        EXPECT_FALSE(main->language().cmbFontEng()->itemText(i).contains(u'[')) << main->language().cmbFontEng()->itemText(i).toStdString();
    main->language().OptEnglish()->setChecked(true);
    type(u"home"_s);
    rtf()->setSelStart(2);
    EXPECT_EQ(rtf()->FontName(), family);
    // Even a name typed with its foundry reaches the document without it.
    main->language().cmbFontEng()->setCurrentText(family + u" [Foundry]"_s);
    rtf()->setSelStart(0);
    rtf()->setSelLength(4);
    Q_EMIT main->language().cmbFontEng()->activated(0);
    EXPECT_EQ(rtf()->FontName(), family);
    EXPECT_FALSE(rtf()->toRtf().contains("[Foundry]"));
}

TEST_F(CommandStateTest, LaterDocumentsOpenedInContinuousView)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(u"a.rtf"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 a\\par}");
    file.close();
    CommandSurface &c = main->commands();
    for (const bool pageView : {true, false, true}) {
        if (c.button[u"PView"_s]->isChecked() != pageView)
            c.button[u"PView"_s]->trigger();
        ASSERT_EQ(rtf()->ViewMode(), pageView ? 1 : 0);
        c.mnuFileNew->trigger();
        EXPECT_EQ(rtf()->ViewMode(), pageView ? 1 : 0) << "new, page view " << pageView;
        frmDocument *opened = main->files().OpenDocument(file.fileName());
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(opened->rtftext()->ViewMode(), pageView ? 1 : 0) << "opened, page view " << pageView;
        EXPECT_EQ(c.mnuViewPageView->isChecked(), pageView);
    }
}

// The states of the shared actions, after what a user does, with no menu
// opened in between (a menu's own refresh must not be what sets them).
TEST_F(CommandStateTest, SharedActionsLeakedState)
{
    CommandSurface &c = main->commands();
    QAction *cut = c.button[u"Cut"_s];
    QAction *copy = c.button[u"Copy"_s];
    QAction *undo = c.button[u"Undo"_s];
    auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(rtf(), k, m); };
    struct Row {
        const char *what;
        std::function<void()> act;
        std::function<bool()> holds;
    };
    const Row rows[] = {
        {"the Edit menu opened without a selection, then text selected",
         [&] {
             type(u"ghar"_s);
             Q_EMIT c.mnuEdit->aboutToShow();
             key(Qt::Key_Left, Qt::ShiftModifier);
         },
         [&] { return cut->isEnabled() && copy->isEnabled(); }},
        {"the selection collapsed by a key", [&] { key(Qt::Key_Right); },
         [&] { return !cut->isEnabled() && !copy->isEnabled(); }},
        {"typing makes undo available", [&] { type(u"k"_s); }, [&] { return undo->isEnabled(); }},
        {"undoing everything leaves none", [&] {
             for (int i = 0; i < 20; ++i)
                 key(Qt::Key_Z, Qt::ControlModifier);
         },
         [&] { return !undo->isEnabled(); }},
        {"a new document: no selection, nothing to undo",
         [&] {
             type(u"ghar"_s);
             rtf()->setSelStart(0);
             rtf()->setSelLength(2);
             c.mnuFileNew->trigger();
         },
         [&] { return !cut->isEnabled() && !undo->isEnabled(); }},
        {"back to the first document, with its selection",
         [&] { main->windows().mdiArea()->activatePreviousSubWindow(); },
         [&] { return cut->isEnabled() && undo->isEnabled(); }},
        {"bold set, then undone without moving the caret",
         [&] {
             c.button[u"Bold"_s]->trigger();
             key(Qt::Key_Z, Qt::ControlModifier);
         },
         [&] { return !rtf()->FontBold() && !c.button[u"Bold"_s]->isChecked(); }},
        {"centred, then undone", [&] {
             c.button[u"Align Centre"_s]->trigger();
             key(Qt::Key_Z, Qt::ControlModifier);
         },
         [&] { return rtf()->AlignMent() == 0 && c.button[u"Align Left"_s]->isChecked(); }},
        {"every document closed: Help > Contents and F1 stay",
         [&] {
             answers.assign(4, QMessageBox::No);
             main->windows().mdiArea()->closeAllSubWindows();
         },
         [&] {
             return main->DocumentCount() == 0 && c.mnuHelpContents->isEnabled()
                 && !c.tbToolbarButton(3)->isEnabled(); // Save
         }},
        {"a document again", [&] { c.mnuFileNew->trigger(); },
         [&] {
             return c.mnuHelpContents->isEnabled() && !cut->isEnabled() && c.button[u"Paste"_s]->isEnabled();
         }},
    };
    for (const Row &row : rows) {
        row.act();
        EXPECT_TRUE(row.holds()) << row.what;
    }
}

// Export As PDF and Export As Unicode Text stayed enabled with every
// document closed. Every File command that writes or prints the active
// document goes off with the last document and on again with a new one;
// the commands that need none stay on.
TEST_F(CommandStateTest, ExportsEnabledWithNoDocumentOpen)
{
    auto &c = main->commands();
    const QList<QAction *> needADocument = {c.mnuFileSave,  c.mnuFileSaveAs,    c.mnuFileSaveHtml,
                                            c.mnuFilePrint, c.mnuFileExportPdf, c.mnuFileExportUnicode};
    const QList<QAction *> needNone = {c.mnuFileNew, c.mnuFileOpen, c.mnuFileImportUnicode, c.mnuFileExit};
    const auto expect = [&](bool documentOpen) {
        for (QAction *a : needADocument)
            EXPECT_EQ(a->isEnabled(), documentOpen) << a->text().toStdString() << " with documents: " << documentOpen;
        for (QAction *a : needNone)
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    };
    answers.assign(4, QMessageBox::No);
    main->windows().mdiArea()->closeAllSubWindows();
    ASSERT_EQ(main->DocumentCount(), 0);
    expect(false);
    c.mnuFileNew->trigger();
    expect(true);
}

} // namespace

namespace {

// A family the font database lists under its foundry, because more than
// one foundry ships it (install-deps brings one).
QString foundryQualifiedFamily()
{
    for (const QString &f : QFontDatabase::families()) {
        if (f.contains(u" ["_s) && !QFontDatabase::isPrivateFamily(f))
            return f;
    }
    return {};
}

// The font dialog wrote "C059 [UKWN]" into the document and so into its RTF
// font table. Every route by which a font name reaches a document writes the
// plain family.
TEST_F(CommandStateTest, FontDialogWroteAFoundryName)
{
    const QString qualified = foundryQualifiedFamily();
    ASSERT_FALSE(qualified.isEmpty()) << "no family of two foundries installed";
    const QString plain = qualified.left(qualified.indexOf(u" ["_s));
    CommandSurface &c = main->commands();
    textengine::setDialogHook([&](QDialog *dialog) {
        auto *fonts = qobject_cast<QFontDialog *>(dialog);
        if (!fonts)
            return int(QDialog::Rejected);
        fonts->setCurrentFont(QFont(qualified));
        EXPECT_EQ(fonts->currentFont().family(), qualified) << "the dialog shows the foundry";
        return int(QDialog::Accepted);
    });
    const struct {
        const char *route;
        std::function<void()> write;
    } routes[] = {
        {"Format > Font...", [&] { c.mnuFormatFonts->trigger(); }},
        {"the pop-up menu's Font...", [&] { c.mnuPopFont->trigger(); }},
        {"the English font box", [&] {
             main->language().cmbFontEng()->setCurrentText(qualified);
             Q_EMIT main->language().cmbFontEng()->activated(0);
         }},
        {"Return in the English font box", [&] {
             main->language().cmbFontEng()->setCurrentText(qualified);
             Q_EMIT main->language().cmbFontEng()->lineEdit()->returnPressed();
         }},
        {"English selected", [&] {
             main->language().OptHindi()->setChecked(true);
             main->language().cmbFontEng()->setCurrentText(qualified);
             main->language().OptEnglish()->setChecked(true);
         }},
        {"the FontName property", [&] { rtf()->setProperty("FontName", qualified); }},
    };
    for (const auto &r : routes) {
        SCOPED_TRACE(r.route);
        c.mnuFileNew->trigger();
        type(u"ghar"_s);
        rtf()->selectAll();
        r.write();
        rtf()->selectAll();
        EXPECT_EQ(rtf()->FontName(), plain);
        EXPECT_FALSE(rtf()->toRtf().contains(" [")) << rtf()->toRtf().toStdString();
    }
}

} // namespace

namespace {

// The zoom box kept the zoom set last, whichever document was active. Each
// setting a document keeps of its own and a main-window control shows
// follows the document that becomes active, set in two documents apart.
TEST_F(CommandStateTest, ZoomBoxDidNotFollowTheActiveDocument)
{
    CommandSurface &c = main->commands();
    const QString tabButtons[] = {u"LTab"_s, u"RTab"_s, u"CTab"_s, u"DTab"_s};
    const struct {
        const char *what;
        int values[2];
        std::function<void(int)> set;
        std::function<int()> shown;
    } settings[] = {
        {"the zoom box", {3, 11},
         [&](int i) {
             main->format().cmbZoom()->setCurrentIndex(i);
             Q_EMIT main->format().cmbZoom()->activated(i);
         },
         [&] { return main->format().cmbZoom()->currentIndex(); }},
        {"the zoom menu", {0, 5}, [&](int i) { c.mnuZoom[i]->trigger(); },
         [&] {
             Q_EMIT c.mnuView->aboutToShow();
             for (int i = 0; i < c.mnuZoom.size(); ++i) {
                 if (c.mnuZoom[i]->isChecked())
                     return i;
             }
             return -1;
         }},
        {"Table > Grid Lines", {0, 1},
         [&](int on) {
             if (c.mnuTableGrid->isChecked() != bool(on))
                 c.mnuTableGrid->trigger();
         },
         [&] { return int(c.mnuTableGrid->isChecked()); }},
        {"the tab buttons", {2, 4}, [&](int kind) { c.button[tabButtons[kind - 1]]->trigger(); },
         [&] {
             for (int kind = 1; kind <= 4; ++kind) {
                 if (c.button[tabButtons[kind - 1]]->isChecked())
                     return kind;
             }
             return 0;
         }},
        {"the page-view button", {0, 1},
         [&](int on) {
             if (c.button[u"PView"_s]->isChecked() != bool(on))
                 c.button[u"PView"_s]->trigger();
         },
         [&] { return int(c.button[u"PView"_s]->isChecked()); }},
        {"the input language, by the text at the caret", {1, 0},
         [&](int hindi) {
             (hindi ? main->language().OptHindi() : main->language().OptEnglish())->setChecked(true);
             type(u"ghar"_s);
         },
         [&] { return int(main->isHindi()); }},
    };
    for (const auto &s : settings) {
        SCOPED_TRACE(s.what);
        QMdiSubWindow *windows[2];
        for (int i = 0; i < 2; ++i) {
            c.mnuFileNew->trigger();
            windows[i] = main->windows().mdiArea()->activeSubWindow();
            s.set(s.values[i]);
        }
        for (int i : {0, 1, 0}) {
            main->windows().mdiArea()->setActiveSubWindow(windows[i]);
            EXPECT_EQ(s.shown(), s.values[i]) << "document " << i;
        }
    }
}

} // namespace
