#include "tests/app/shellfixture.h"

#include "app/frmfind.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace kalamora;

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
    main->language().OptEnglish()->setChecked(true);
    main->language().OptHindi()->setChecked(true);
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
    main->language().OptEnglish()->setChecked(true);
    main->commands().mnuEditFind->trigger();
    EXPECT_EQ(main->findChild<frmFind *>(), nullptr);
    EXPECT_EQ(engineDialogs.size(), 1); // the control's own find dialog
}

} // namespace

namespace {

// Closing a document, or the program, while the find window works on it:
// the window's edits come back first, the document's question follows, and
// the find window goes with its document.
TEST_F(FindTest, FindWindowOutlivedItsDocument)
{
    QTemporaryDir dir;
    struct Row {
        const char *what;
        bool exit; // File > Exit, else the document's own close box
        QMessageBox::StandardButton answer;
        bool saved;
    };
    const Row rows[] = {
        {"close, No", false, QMessageBox::No, false},
        {"close, Yes", false, QMessageBox::Yes, true},
        {"close, Cancel", false, QMessageBox::Cancel, false},
        {"exit, Cancel", true, QMessageBox::Cancel, false},
        {"exit, Yes", true, QMessageBox::Yes, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        answers.assign(4, QMessageBox::No);
        main->windows().mdiArea()->closeAllSubWindows(); // the row's document stands alone
        main->commands().mnuFileNew->trigger();
        type(u"ghar kamal ghar"_s);
        QPointer<frmFind> find = open(true);
        find->Text1->setText(u"?kj"_s);
        find->Text2->setText(u"d"_s);
        find->replaceAll();
        const QString edited = text3()->Text();
        const QString file = dir.filePath(QString::fromLatin1(row.what).replace(u", "_s, u"-"_s) + u".rtf"_s);
        fileChoices = {{file, 1}};
        answers = {row.answer};
        QPointer<frmDocument> doc = main->activeDocument();
        if (row.exit)
            main->commands().mnuFileExit->trigger();
        else
            main->windows().mdiArea()->activeSubWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(find.isNull()) << "the find window closed";
        if (find)
            find->close(); // the crash: the window still pointed at a closed document
        EXPECT_EQ(QFile::exists(file), row.saved);
        if (row.saved) {
            textengine::TextControl reread;
            ASSERT_TRUE(reread.Load(file, 0, textengine::TextControl::FormatRtf));
            EXPECT_EQ(reread.Text(), edited);
        }
        if (row.answer == QMessageBox::Cancel) {
            ASSERT_FALSE(doc.isNull());
            EXPECT_EQ(doc->rtftext()->Text(), edited);
            EXPECT_TRUE(doc->rtftext()->isVisibleTo(doc));
        }
        if (row.exit && row.answer != QMessageBox::Cancel)
            return; // the program has closed
    }
}

TEST_F(FindTest, ReplaceAllThenExitSavedTheOldText)
{
    QTemporaryDir dir;
    type(u"ghar kamal ghar"_s);
    frmFind *find = open(true);
    find->Text1->setText(u"?kj"_s);
    find->Text2->setText(u"d"_s);
    find->replaceAll();
    const QString edited = text3()->Text();
    fileChoices = {{dir.filePath(u"saved.rtf"_s), 1}};
    answers = {QMessageBox::Yes};
    EXPECT_TRUE(main->close());
    textengine::TextControl reread;
    ASSERT_TRUE(reread.Load(dir.filePath(u"saved.rtf"_s), 0, textengine::TextControl::FormatRtf));
    EXPECT_EQ(reread.Text(), edited);
}

} // namespace

namespace {

// "kamal" typed into the find box was not found in "... kamal ...": the box
// held the word with the halant its last consonant keeps until the next
// key, and Replace With wrote that halant into the document. Each word as
// a user types it into the boxes is found and written as it was ended in
// the document, before a blank, a full stop or a line end.
TEST_F(FindTest, TypedWordNotFoundForItsPendingHalant)
{
    const QString words[] = {u"kamal"_s, u"ghar"_s, u"bhaarat"_s, u"vidyaalay"_s, u"ann"_s, u"kRShN"_s};
    const QString ends[] = {u" "_s, u"."_s, u"\n"_s};
    for (const QString &word : words) {
        for (const QString &end : ends) {
            SCOPED_TRACE(testing::Message() << word.toStdString() << " then " << end.toStdString());
            main->commands().mnuFileNew->trigger();
            type(u"pahalaa "_s + word);
            const int at = int(glyphs().lastIndexOf(u' ')) + 1;
            if (end == u"\n"_s)
                QTest::keyClick(rtf(), Qt::Key_Return);
            else
                type(end);
            const QString ended = glyphs().mid(at, glyphs().size() - at - 1);
            frmFind *find = open(true);
            typeInto(find->Text1, word);
            typeInto(find->Text2, u"ghar"_s);
            find->findNext();
            EXPECT_EQ(messages, QStringList());
            EXPECT_EQ(text3()->SelStart(), at);
            EXPECT_EQ(text3()->SelText(), ended);
            find->replace();
            EXPECT_EQ(text3()->Text().mid(at, 3), u"?kj"_s);
            EXPECT_NE(text3()->Text().mid(at, 4), u"?kj~"_s);
            find->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            messages.clear();
        }
    }
    // Typed in English, a tilde is a tilde.
    main->commands().mnuFileNew->trigger();
    main->language().OptEnglish()->setChecked(true);
    type(u"a~ b"_s);
    main->language().OptHindi()->setChecked(true);
    frmFind *find = open(false);
    find->Text1->setText(u"a~"_s);
    main->language().OptEnglish()->setChecked(true);
    find->findNext();
    EXPECT_EQ(text3()->SelText(), u"a~"_s);
    find->close();
}

} // namespace
