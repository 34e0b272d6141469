#include "shellfixture.h"

#include "frmfind.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {

class FindTest : public ShellTest {
protected:
    frmFind *open(bool replacing)
    {
        (replacing ? main->commands().mnuEditReplace : main->commands().mnuEditFind)->trigger();
        auto *find = main->findChild<frmFind *>();
        EXPECT_NE(find, nullptr);
        return find;
    }
    // Types into a field of the find window through the engine.
    static void typeInto(textengine::TextControl *field, const QString &keys)
    {
        field->setFocus();
        for (QChar c : keys)
            QTest::keyClick(field, c.toLatin1());
    }
    textengine::TextControl *text3() { return main->activeDocument()->Text3(); }
};

TEST_F(FindTest, FindsEachHindiWordInTurnThenSaysItHasFinishedAndStartsAgain)
{
    type(u"ghar kamal ghar"_s);
    frmFind *find = open(false);
    EXPECT_EQ(find->windowTitle(), u"Find & Replace Text"_s);
    EXPECT_TRUE(find->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(find->Text2->isVisibleTo(find));
    EXPECT_TRUE(text3()->isVisibleTo(main->activeDocument()));
    typeInto(find->Text1, u"ghar "_s);
    ASSERT_EQ(find->Text1->Text(), u"?kj "_s);
    find->Text1->setText(u"?kj"_s);
    find->findNext();
    EXPECT_EQ(text3()->SelStart(), 0);
    EXPECT_EQ(text3()->SelLength(), 3);
    EXPECT_TRUE(find->ReplaceAll->isEnabled());
    find->findNext();
    EXPECT_EQ(text3()->SelStart(), int(glyphs().lastIndexOf(u"?kj"_s)));
    find->findNext();
    EXPECT_EQ(messages, QStringList{u"Penwick Has Finished Searching The Document"_s});
    EXPECT_FALSE(find->Replace->isEnabled());
    find->findNext();
    EXPECT_EQ(text3()->SelStart(), 0); // from the beginning again
}

TEST_F(FindTest, TheSearchIsCaseSensitive)
{
    main->OptEnglish->setChecked(true);
    main->OptHindi->setChecked(true);
    rtf()->setSelText(u"KA ka"_s);
    frmFind *find = open(false);
    find->Text1->setText(u"ka"_s);
    find->findNext();
    EXPECT_EQ(text3()->SelStart(), 3);
}

TEST_F(FindTest, ReplaceAllEndsAfterOnePassAndTheDocumentTakesTheCopyOnClose)
{
    type(u"ghar kamal ghar"_s);
    frmFind *find = open(true);
    EXPECT_TRUE(find->Text2->isVisibleTo(find));
    find->Text1->setText(u"?kj"_s);
    find->Text2->setText(u"?kj?kj"_s); // contains the search text
    find->replaceAll();
    EXPECT_EQ(text3()->Text(), QString(glyphs()).replace(u"?kj"_s, u"?kj?kj"_s));
    EXPECT_NE(glyphs(), text3()->Text()); // the document changes only on close
    const QString edited = text3()->Text();
    find->close();
    EXPECT_EQ(glyphs(), edited);
    EXPECT_TRUE(rtf()->isVisibleTo(main->activeDocument()));
    EXPECT_FALSE(text3()->isVisibleTo(main->activeDocument()));
}

TEST_F(FindTest, AnEmptySearchReplacesNothingAndEnds)
{
    type(u"ghar"_s);
    frmFind *find = open(true);
    find->Text2->setText(u"x"_s);
    find->replaceAll();
    find->close();
    EXPECT_EQ(glyphs(), u"?kj~"_s);
}

TEST_F(FindTest, ReplaceChangesOnlyAFoundSelection)
{
    type(u"ghar ghar"_s);
    frmFind *find = open(true);
    find->Text1->setText(u"?kj"_s);
    find->Text2->setText(u"d"_s);
    find->replace(); // nothing found yet: nothing selected
    EXPECT_EQ(text3()->Text(), glyphs());
    find->findNext();
    find->replace();
    EXPECT_FALSE(find->Replace->isEnabled());
    find->close();
    EXPECT_EQ(glyphs().left(2), u"d "_s);
}

TEST_F(FindTest, TenFindSessionsLeaveTheTextAsItWas)
{
    type(u"namaste hindI kamal"_s);
    const QString before = glyphs();
    for (int i = 0; i < 10; ++i) {
        frmFind *find = open(false);
        find->Text1->setText(u"deyy"_s);
        find->findNext();
        find->close();
        ASSERT_EQ(glyphs(), before) << "session " << i;
    }
}

TEST_F(FindTest, InEnglishTheFindWindowIsNotUsed)
{
    main->OptEnglish->setChecked(true);
    main->commands().mnuEditFind->trigger();
    EXPECT_EQ(main->findChild<frmFind *>(), nullptr);
    EXPECT_EQ(engineDialogs.size(), 1); // the control's own find dialog
}

} // namespace
