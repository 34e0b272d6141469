#include "tests/app/shellfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

bool menusVisible(frmMain &m)
{
    bool all = true;
    for (QMenu *menu : m.commands().documentMenus())
        all = all && menu->menuAction()->isVisible();
    return all;
}

bool menusHidden(frmMain &m)
{
    for (QMenu *menu : m.commands().documentMenus())
        if (menu->menuAction()->isVisible())
            return false;
    return true;
}

TEST_F(ShellTest, FirstStartOpensDocumentOneInHindiWithTheDefaults)
{
    ASSERT_NE(main->activeDocument(), nullptr);
    EXPECT_EQ(main->activeDocument()->windowTitle(), u"Document 1"_s);
    EXPECT_EQ(main->DocumentCount(), 1);
    EXPECT_TRUE(main->language().OptHindi()->isChecked());
    EXPECT_EQ(state.InputLanguage, "HINDI");
    EXPECT_EQ(main->language().cmbFontSize()->currentText(), u"24"_s);
    EXPECT_EQ(main->language().CmbFontHin()->currentText(), u"Glyphora 010"_s);
    EXPECT_TRUE(main->commands().mnuEditDot->isChecked());
    EXPECT_TRUE(main->commands().mnuEditEngNume->isChecked());
    EXPECT_TRUE(main->commands().mnuLayoutRom->isChecked());
    EXPECT_TRUE(main->commands().mnuViewPageView->isChecked());
    EXPECT_TRUE(main->commands().mnuTableGrid->isChecked());
    EXPECT_TRUE(menusVisible(*main));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(main->windowTitle().startsWith(u"Kalamora"_s)); // "Kalamora - [Document 1]" while maximized
    // The status bar's panels.
    ASSERT_EQ(main->statusPanels().sbPanels().size(), 7);
    EXPECT_EQ(main->statusPanels().sbPanels()[0]->text(), u"Press F1 To See Help"_s);
    EXPECT_EQ(main->statusPanels().sbPanels()[1]->text(), u"Kalamora"_s);
}

TEST_F(ShellTest, TypedHindiComesOutInTheProgramsFontAtTheBoxSize)
{
    type(u"namaste"_s);
    EXPECT_EQ(glyphs(), u"ueLrs"_s);
    rtf()->setSelStart(2);
    EXPECT_EQ(rtf()->FontName(), u"Glyphora 010"_s);
    EXPECT_EQ(rtf()->FontSize(), 24);
}

// A right-click shows the program's pop-up menu and no other: the text
// control's own context menu opened on top of it as well.
TEST_F(ShellTest, RightClickOpenedTheControlsOwnMenuOverThePopUp)
{
    type(u"kamal"_s);
    QWidget *area = rtf()->viewport();
    const QPoint at(20, 10);
    QTest::mousePress(area, Qt::RightButton, {}, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, area->mapToGlobal(at));
    QApplication::sendEvent(area, &menuEvent);
    QTest::mouseRelease(area, Qt::RightButton, {}, at);
    QCoreApplication::processEvents();
    QList<QMenu *> shown;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *menu = qobject_cast<QMenu *>(w); menu && menu->isVisible())
            shown << menu;
    }
    for (QMenu *menu : shown)
        menu->close();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.front(), main->commands().mnuPopUp);
}

TEST_F(ShellTest, EachRewrittenKeyUndoesAsOneStep)
{
    type(u"k"_s);
    EXPECT_EQ(glyphs(), u"d~"_s);
    type(u"a"_s);
    EXPECT_EQ(glyphs(), u"d"_s);
    rtf()->undo();
    EXPECT_EQ(glyphs(), u"d~"_s);
    rtf()->undo();
    EXPECT_EQ(glyphs(), QString());
}

TEST_F(ShellTest, ClosingTheLastDocumentHidesTheDocumentMenusAndNewShowsThem)
{
    answers = {QMessageBox::No};
    ASSERT_TRUE(main->windows().mdiArea()->activeSubWindow()->close());
    QApplication::processEvents();
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_TRUE(menusHidden(*main));
    EXPECT_FALSE(main->commands().mnuFileSave->isEnabled());
    EXPECT_EQ(messages, QStringList{u"Save Before Closing?"_s}); // asked even though nothing changed
    main->commands().mnuFileNew->trigger();
    EXPECT_EQ(main->DocumentCount(), 1);
    EXPECT_TRUE(menusVisible(*main));
    EXPECT_EQ(main->activeDocument()->windowTitle(), u"Document 1"_s);
}

TEST_F(ShellTest, CancelOnExitKeepsTheDocumentAndTheProgram)
{
    type(u"ka"_s);
    answers = {QMessageBox::Cancel};
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->DocumentCount(), 1);
    ASSERT_NE(main->activeDocument(), nullptr);
    EXPECT_EQ(glyphs(), u"d"_s);
}

TEST_F(ShellTest, CtrlLTwiceReturnsToTheStartingLanguage)
{
    ASSERT_EQ(state.InputLanguage, "HINDI");
    QTest::keyClick(rtf(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(state.InputLanguage, "English");
    EXPECT_TRUE(main->language().OptEnglish()->isChecked());
    EXPECT_TRUE(main->language().cmbFontEng()->isEnabled());
    EXPECT_FALSE(main->language().CmbFontHin()->isEnabled());
    QTest::keyClick(rtf(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(state.InputLanguage, "HINDI");
    EXPECT_TRUE(main->language().OptHindi()->isChecked());
    EXPECT_EQ(glyphs(), QString()); // Ctrl+L types nothing
}

TEST_F(ShellTest, CopyPutsASpaceBeforeTheSelectionAndLeavesTheDocumentAlone)
{
    type(u"ghar"_s);
    const QString before = glyphs();
    rtf()->setSelStart(1);
    rtf()->setSelLength(2);
    const QString selected = rtf()->SelText();
    QTest::keyClick(rtf(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), u" "_s + selected);
    EXPECT_EQ(glyphs(), before);
    EXPECT_EQ(rtf()->SelStart(), 1);
    EXPECT_EQ(rtf()->SelLength(), 2);
}

TEST_F(ShellTest, AfterACutLaterCopiesAreNotPrepared)
{
    type(u"ghar kamal"_s);
    rtf()->setSelStart(0);
    rtf()->setSelLength(2);
    QTest::keyClick(rtf(), Qt::Key_X, Qt::ControlModifier);
    const QString afterCut = glyphs();
    rtf()->setSelStart(1);
    rtf()->setSelLength(2);
    const QString selected = rtf()->SelText();
    QTest::keyClick(rtf(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), selected);
    EXPECT_EQ(glyphs(), afterCut);
}

TEST_F(ShellTest, TheLayoutIsReadAtEveryKey)
{
    type(u"k"_s);
    EXPECT_EQ(glyphs(), u"d~"_s);
    main->commands().mnuLayoutRem->trigger();
    EXPECT_EQ(settings->readString(u"Layout"_s), u"Rem"_s);
    EXPECT_TRUE(main->commands().mnuLayoutRem->isChecked());
    EXPECT_FALSE(main->commands().mnuLayoutRom->isChecked());
    type(u"k"_s);
    EXPECT_EQ(glyphs(), u"d~k"_s);
}

TEST_F(ShellTest, TavrinAndEnglishPassKeysUnchanged)
{
    main->commands().mnuLayoutTav->trigger();
    type(u"kaM."_s);
    EXPECT_EQ(glyphs(), u"kaM."_s);
    main->commands().mnuLayoutRom->trigger();
    main->language().OptEnglish()->setChecked(true);
    type(u"k"_s);
    EXPECT_EQ(glyphs(), u"kaM.k"_s);
}

TEST_F(ShellTest, TheFullStopOptionTakesEffectAtTheNextFullStop)
{
    type(u"."_s);
    main->commands().mnuEditDot->trigger();
    EXPECT_FALSE(settings->readBool(u"DotPurna"_s, true));
    EXPECT_FALSE(main->commands().button[u"Dot"_s]->isChecked());
    type(u"."_s);
    EXPECT_EQ(glyphs(), u"-A"_s);
}

TEST_F(ShellTest, ToggleDotWithAnUnreadableStoredValueDoesNotThrow)
{
    // The stored value went bad after start-up (written by hand or by
    // another program): it counts as the default, dot on, so the toggle
    // turns it off.
    settings->writeString(u"DotPurna"_s, u"maybe"_s);
    EXPECT_NO_THROW(main->commands().mnuEditDot->trigger());
    EXPECT_EQ(settings->readString(u"DotPurna"_s), u"False"_s);
    EXPECT_FALSE(main->commands().mnuEditDot->isChecked());
}

TEST_F(ShellTest, EnglishNumeralsFollowTheMenuCheck)
{
    type(u"5"_s);
    main->commands().mnuEditEngNume->trigger();
    EXPECT_EQ(settings->readString(u"NumeralTypeEng"_s), u"False"_s);
    type(u"5"_s);
    EXPECT_EQ(glyphs(), u"5\u2021"_s); // 0x87 is the double dagger in Windows-1252
}

TEST_F(ShellTest, SwitchingLanguagesKeepsASizePerLanguageAndShowsOversizeAs20)
{
    settings->writeString(u"EngFontSize"_s, u"12"_s);
    main->language().OptEnglish()->setChecked(true);
    EXPECT_EQ(main->language().cmbFontSize()->currentText(), u"12"_s);
    EXPECT_EQ(settings->readString(u"HinFontSize"_s), u"24"_s);
    settings->writeString(u"HinFontSize"_s, u"120"_s);
    main->language().OptHindi()->setChecked(true);
    EXPECT_EQ(main->language().cmbFontSize()->currentText(), u"20"_s);
    EXPECT_EQ(settings->readString(u"EngFontSize"_s), u"12"_s);
}

TEST_F(ShellTest, TheCaretInARunSwitchesTheLanguageByItsFont)
{
    type(u"ghar"_s);
    main->language().OptEnglish()->setChecked(true);
    rtf()->setFontName(u"DejaVu Sans"_s);
    type(u" home"_s);
    rtf()->setSelStart(2); // inside the Hindi word
    main->SyncFormatControls();
    EXPECT_EQ(state.InputLanguage, "HINDI");
    EXPECT_EQ(main->language().CmbFontHin()->currentText(), u"Glyphora 010"_s);
    rtf()->setSelStart(glyphs().size() - 1); // inside the English word
    main->SyncFormatControls();
    EXPECT_EQ(state.InputLanguage, "English");
    EXPECT_EQ(main->language().cmbFontEng()->currentText(), u"DejaVu Sans"_s);
}

TEST_F(ShellTest, ShutDownStoresTheSizeBoxAndTheGridChoice)
{
    main->commands().mnuTableGrid->setChecked(false);
    main->language().cmbFontSize()->setCurrentText(u"14"_s);
    answers = {QMessageBox::No};
    EXPECT_TRUE(main->close());
    EXPECT_EQ(settings->readString(u"HinFontSize"_s), u"14"_s);
    EXPECT_EQ(settings->readString(u"EngFontSize"_s), u"14"_s);
    EXPECT_EQ(settings->readString(u"GridLines"_s), u"False"_s);
    EXPECT_TRUE(settings->contains(u"MainWidth"_s));
}

TEST_F(ShellTest, EditMenuEnablesCutAndCopyOnlyWithASelection)
{
    type(u"ghar"_s);
    main->commands().mnuEdit->aboutToShow();
    EXPECT_FALSE(main->commands().mnuEditCut->isEnabled());
    EXPECT_FALSE(main->commands().mnuEditCopy->isEnabled());
    EXPECT_TRUE(main->commands().mnuEditClear->isEnabled());
    rtf()->setSelStart(0);
    rtf()->setSelLength(2);
    main->commands().mnuEdit->aboutToShow();
    EXPECT_TRUE(main->commands().mnuEditCut->isEnabled());
}

TEST_F(ShellTest, RightClickMenuFollowsTheSelectionAndTheTable)
{
    frmDocument *doc = main->activeDocument();
    doc->PopUpEditMenu();
    doc->PopUpTableMenu();
    EXPECT_FALSE(main->commands().mnuPopCut->isEnabled());
    EXPECT_FALSE(main->commands().mnuPopDelete->isEnabled());
    EXPECT_FALSE(main->commands().mnuPopTableDelete->isEnabled());
    EXPECT_FALSE(main->commands().mnuPopTableAttributes->isEnabled());
    EXPECT_TRUE(main->commands().mnuPopTableGrid->isEnabled());
}

TEST_F(ShellTest, ToolbarButtonsSitWhereTheProgramAddressesThem)
{
    CommandSurface &c = main->commands();
    EXPECT_EQ(c.tbToolbarButton(13), c.button[u"Bold"_s]);
    EXPECT_EQ(c.tbToolbarButton(15), c.button[u"Underline"_s]);
    EXPECT_EQ(c.tbToolbarButton(19), c.button[u"Align Left"_s]);
    EXPECT_EQ(c.tbToolbarButton(22), c.button[u"Justify"_s]);
    EXPECT_EQ(c.tbBar2Items.size(), 17);
    EXPECT_EQ(c.tbBar2Button(1), c.button[u"HighLight"_s]);
    EXPECT_EQ(c.tbBar2Button(8), c.button[u"PView"_s]);
    EXPECT_EQ(c.tbBar2Button(10), c.button[u"StrikeThru"_s]);
    EXPECT_EQ(c.tbBar2Button(14), c.button[u"Dot"_s]);
    // Every command has an icon or is a plain check item.
    for (QAction *a : c.tbToolbarItems + c.tbBar2Items)
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull()) << a->text().toStdString();
}

TEST_F(ShellTest, CommandsAreOneActionEachAndUnknownNamesAreRefused)
{
    CommandSurface &c = main->commands();
    // A mistyped key or an unregistered command throws instead of a null.
    for (const QString &key : {u"bold"_s, u"Align Center"_s, QString()})
        EXPECT_THROW(c.button[key], std::out_of_range) << key.toStdString();
    ActionRegistry empty;
    EXPECT_THROW(empty[Cmd::FileNew], std::out_of_range);
    EXPECT_THROW(empty.add(Cmd::FileNew, nullptr), std::logic_error);
    EXPECT_THROW(c.actions.add(Cmd::FileNew, c.mnuFileOpen), std::logic_error);

    // Toolbar buttons of a menu command are that command's action.
    const std::pair<QString, QAction *> shared[] = {
        {u"Bold"_s, c.mnuStyleBold},        {u"StrikeThru"_s, c.mnuStyleStrike}, {u"Align Left"_s, c.mnuAlignLeft},
        {u"Justify"_s, c.mnuAlignJustify},  {u"LTab"_s, c.mnuTabLeft},           {u"CTab"_s, c.mnuTabCenter},
        {u"Dot"_s, c.mnuEditDot},           {u"Number"_s, c.mnuEditEngNume},     {u"Dictionary"_s, c.mnuLangDictionary},
        {u"Save"_s, c.mnuFileSave},
    };
    for (const auto &[key, item] : shared)
        EXPECT_EQ(c.button[key], item) << key.toStdString();
    // Every button is where its table says, and answers to its key.
    for (auto [bar, items] : {std::pair{CommandSurface::standardBar(), c.tbToolbarItems},
                              std::pair{CommandSurface::formattingBar(), c.tbBar2Items}}) {
        ASSERT_EQ(std::size_t(items.size()), bar.size());
        for (std::size_t i = 0; i < bar.size(); ++i) {
            if (bar[i].isSeparator())
                continue;
            EXPECT_EQ(items[i], c.action(bar[i].id)) << i;
            EXPECT_EQ(c.button[QString::fromUtf16(bar[i].key)], items[i]) << i;
        }
    }

    // Alignment: whichever item is chosen, menu, button and pop-up agree on one.
    const QList<QAction *> menu = {c.mnuAlignLeft, c.mnuAlignCenter, c.mnuAlignRight, c.mnuAlignJustify};
    const QList<QAction *> popup = {c.mnuPopAlignLeft, c.mnuPopAlignCenter, c.mnuPopAlignRight,
                                    c.mnuPopAlignJustify};
    for (int chosen : {2, 0, 3, 3, 1}) {
        (chosen % 2 ? popup : menu)[chosen]->trigger();
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(menu[i]->isChecked(), i == chosen) << chosen << " " << i;
            EXPECT_EQ(popup[i]->isChecked(), i == chosen) << chosen << " " << i;
        }
    }
}

} // namespace

namespace {

TEST_F(ShellTest, AltWithALetterTypesNothing)
{
    type(u"k"_s);
    QTest::keyClick(rtf(), Qt::Key_V, Qt::AltModifier);
    QApplication::processEvents();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    EXPECT_EQ(glyphs(), u"d~"_s);
}

} // namespace

namespace {

TEST_F(ShellTest, MenuShortcutsWorkWhileTheDocumentHasTheFocus)
{
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    rtf()->setFocus();
    QTest::keyClick(rtf(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(main->DocumentCount(), 2);
    QTest::keyClick(rtf(), Qt::Key_V, Qt::AltModifier);
    QWidget *popup = QApplication::activePopupWidget();
    EXPECT_EQ(popup, main->commands().mnuView);
    if (popup)
        popup->close();
}

} // namespace

namespace {

TEST_F(ShellTest, TheNoticeHidesWithItsLabel)
{
    auto *picBug = main->findChild<QLabel *>(u"picBug"_s);
    auto *label = main->findChild<QLabel *>(u"lblBugHide"_s);
    ASSERT_TRUE(picBug && label);
    EXPECT_TRUE(picBug->isVisible());
    Q_EMIT label->linkActivated(u"hide"_s);
    EXPECT_FALSE(picBug->isVisible());
    EXPECT_FALSE(label->isVisible());
    EXPECT_NE(main->findChild<QWidget *>(u"Picture2"_s), nullptr);
    EXPECT_NE(main->findChild<QWidget *>(u"Picture3"_s), nullptr);
}

} // namespace

namespace {

TEST_F(ShellTest, TilingPutsDocumentsSideBySideOrOneAboveTheOther)
{
    main->commands().mnuFileNew->trigger();
    const auto subs = main->windows().mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    main->commands().mnuWindowTileV->trigger();
    EXPECT_EQ(subs[0]->y(), subs[1]->y());
    EXPECT_NE(subs[0]->x(), subs[1]->x());
    main->commands().mnuWindowTileH->trigger();
    EXPECT_EQ(subs[0]->x(), subs[1]->x());
    EXPECT_NE(subs[0]->y(), subs[1]->y());
}

} // namespace

namespace {

// The clock runs from start-up; the sayings band the main toolbar's first
// 8600 twips into 22, between 30 and 330 twips from its top, and leave the
// first panel alone elsewhere.
TEST_F(ShellTest, TheClockTicksAndEachToolbarBandHasItsSaying)
{
    StatusPanels &status = main->statusPanels();
    EXPECT_TRUE(status.tmTimer()->isActive());
    EXPECT_EQ(status.tmTimer()->interval(), 1000);
    EXPECT_FALSE(status.sbPanels()[5]->text().isEmpty());
    EXPECT_FALSE(status.sbPanels()[6]->text().isEmpty());

    const struct {
        int x, y;
        bool shown;
    } rows[] = {
        {0, 30, true},     {8599, 330, true}, {-1, 100, false},
        {8600, 100, false}, {100, 29, false},  {100, 331, false},
    };
    for (const auto &row : rows) {
        status.sbPanels()[0]->setText(u"before"_s);
        EXPECT_EQ(status.showSaying(row.x, row.y), row.shown) << row.x << "," << row.y;
        EXPECT_EQ(status.sbPanels()[0]->text() != u"before"_s, row.shown) << row.x << "," << row.y;
    }
    // Every band its own saying.
    QStringList sayings;
    for (int band = 0; band < 22; ++band) {
        status.showSaying(band * 8600 / 22 + 200, 100);
        sayings.append(status.sbPanels()[0]->text());
    }
    sayings.removeDuplicates();
    EXPECT_EQ(sayings.size(), 22);
}

} // namespace
