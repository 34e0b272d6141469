// The main window's controls follow the documents: enabled and checked
// states, the view a new document takes, the font and size boxes at start.
#include "shellfixture.h"

#include "filecommands.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using CommandStateTest = ShellTest;

TEST_F(CommandStateTest, FirstStartStoredEnglishAt6Points)
{
    EXPECT_NE(settings->readString(u"EngFontSize"_s), u"6"_s);
    main->OptEnglish->setChecked(true);
    EXPECT_EQ(main->cmbFontSize->currentText(), u"20"_s);
    type(u"home"_s);
    rtf()->setSelStart(2);
    EXPECT_EQ(rtf()->FontSize(), 20);
}

TEST_F(CommandStateTest, EnglishFontBoxStartedOnAFoundryName)
{
    const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    EXPECT_EQ(main->cmbFontEng->currentText(), family);
    for (int i = 0; i < main->cmbFontEng->count(); ++i)
        EXPECT_FALSE(main->cmbFontEng->itemText(i).contains(u'[')) << main->cmbFontEng->itemText(i).toStdString();
    main->OptEnglish->setChecked(true);
    type(u"home"_s);
    rtf()->setSelStart(2);
    EXPECT_EQ(rtf()->FontName(), family);
    // Even a name typed with its foundry reaches the document without it.
    main->cmbFontEng->setCurrentText(family + u" [Foundry]"_s);
    rtf()->setSelStart(0);
    rtf()->setSelLength(4);
    Q_EMIT main->cmbFontEng->activated(0);
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
         [&] { main->mdiArea->activatePreviousSubWindow(); },
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
             main->mdiArea->closeAllSubWindows();
         },
         [&] {
             return main->DocumentCount == 0 && c.mnuHelpContents->isEnabled()
                 && !c.tbToolbarButton(3)->isEnabled(); // Save
         }},
        {"a document again", [&] { c.mnuFileNew->trigger(); },
         [&] { return c.mnuHelpContents->isEnabled() && !cut->isEnabled() && c.button[u"Paste"_s]->isEnabled(); }},
    };
    for (const Row &row : rows) {
        row.act();
        EXPECT_TRUE(row.holds()) << row.what;
    }
}

} // namespace
