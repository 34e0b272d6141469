#include "dict/frmdict.h"
#include "dict/wordlistmodel.h"
#include "kruti/cp1252.h"
#include "tests/dict/dicttestutil.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

using namespace Qt::StringLiterals;
using namespace kalamora;
using dicttest::TempDir;

namespace {

// The meaning as the window shows it: the fake glyph codes as document
// characters, meanings joined by ", ".
QString shown(std::initializer_list<const char *> meanings)
{
    std::string glyphs;
    for (const char *m : meanings) {
        if (!glyphs.empty())
            glyphs += ", ";
        glyphs += dicttest::fakeGlyphs(m);
    }
    return QString::fromStdU16String(kruti::glyphsToUtf16(glyphs));
}

QStringList rows(QListView *view)
{
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, 0).data().toString();
    return out;
}

// Points the program folder somewhere else for one scope, then back to what
// the test run was given (the build's own folder, for the real-data test).
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string &path)
        : m_old(qgetenv("KALAMORA_PROGRAM_DIR")), m_had(qEnvironmentVariableIsSet("KALAMORA_PROGRAM_DIR"))
    {
        qputenv("KALAMORA_PROGRAM_DIR", QByteArray::fromStdString(path));
    }
    ~ProgramFolder()
    {
        if (m_had)
            qputenv("KALAMORA_PROGRAM_DIR", m_old);
        else
            qunsetenv("KALAMORA_PROGRAM_DIR");
    }

private:
    QByteArray m_old;
    bool m_had;
};

class FrmDictTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = QString::fromStdString(dir.file("Dict.mdb"));
        dicttest::buildDatabase(dir.file("Dict.mdb"), dicttest::sampleEntries());
        oldHook = dict::setMessageHook([this](const dict::Message &m) { messages.push_back(m); });
    }
    void TearDown() override { dict::setMessageHook(oldHook); }

    frmDict *loaded()
    {
        window = std::make_unique<frmDict>();
        EXPECT_TRUE(window->load(path));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        txtWord = window->findChild<QLineEdit *>(u"txtWord"_s);
        lstDict = window->findChild<QListView *>(u"lstDict"_s);
        lstSimWords = window->findChild<QListView *>(u"lstSimWords"_s);
        lblSelWord = window->findChild<QLabel *>(u"lblSelWord"_s);
        txtHinMeaning = window->findChild<QPlainTextEdit *>(u"txtHinMeaning"_s);
        return window.get();
    }

    QString selected() const
    {
        const QModelIndex current = lstDict->currentIndex();
        const bool isSelected = current.isValid() && lstDict->selectionModel()->isSelected(current);
        return isSelected ? current.data().toString() : QString();
    }

    void click(QListView *view, const QString &word)
    {
        const QModelIndexList found =
            view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, word, 1, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << word.toStdString();
        view->scrollTo(found.front());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(found.front()).center());
    }

    TempDir dir;
    QString path;
    dict::MessageHook oldHook;
    std::vector<dict::Message> messages;
    std::unique_ptr<frmDict> window;
    QLineEdit *txtWord = nullptr;
    QListView *lstDict = nullptr;
    QListView *lstSimWords = nullptr;
    QLabel *lblSelWord = nullptr;
    QPlainTextEdit *txtHinMeaning = nullptr;
};

} // namespace

TEST_F(FrmDictTest, LoadsEveryWordInOrderWithTheHindiFont)
{
    loaded();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->windowTitle(), u"Kalamora Dictionary"_s);
    EXPECT_EQ(lstDict->model()->rowCount(), 15);
    EXPECT_EQ(lstDict->model()->index(0, 0).data().toString(), u"100%"_s);
    EXPECT_EQ(txtHinMeaning->font().family(), u"Glyphora 010"_s);
    EXPECT_EQ(txtHinMeaning->font().pointSize(), 18);
}

TEST_F(FrmDictTest, EmptyBoxSelectsTheFirstWord)
{
    loaded();
    QTest::keyClicks(txtWord, u"zo"_s);
    EXPECT_EQ(selected(), u"zoo"_s);
    txtWord->clear();
    EXPECT_TRUE(rows(lstSimWords).isEmpty());
    EXPECT_EQ(selected(), u"100%"_s);
    EXPECT_EQ(lblSelWord->text(), u"100%"_s);
    EXPECT_EQ(txtHinMeaning->toPlainText(), shown({"पूरा"}));
    EXPECT_TRUE(txtWord->text().isEmpty());
}

TEST_F(FrmDictTest, TypingSelectsShowsAndListsSimilarWords)
{
    loaded();
    QTest::keyClicks(txtWord, u"HOU"_s);  // capitals find the small letters
    EXPECT_EQ(selected(), u"house"_s);
    EXPECT_EQ(lblSelWord->text(), u"house"_s);
    EXPECT_EQ(txtHinMeaning->toPlainText(), shown({"घर", "मकान"}));
    EXPECT_EQ(rows(lstSimWords), (QStringList{u"house"_s, u"house arrest"_s, u"houseboat"_s, u"household"_s}));
    EXPECT_EQ(txtWord->text(), u"HOU"_s);  // the search never rewrites what is typed

    QTest::keyClicks(txtWord, u"Z"_s);  // no word begins with "HOUZ"
    EXPECT_TRUE(selected().isEmpty());
    EXPECT_TRUE(lblSelWord->text().isEmpty());
    EXPECT_TRUE(rows(lstSimWords).isEmpty());
    EXPECT_TRUE(txtHinMeaning->toPlainText().isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FrmDictTest, QuotesAndWildcardsTypedAreCharacters)
{
    loaded();
    const struct {
        QString typed;
        QString selected;
        QStringList similar;
    } cases[] = {
        {u"o'"_s, u"o'clock"_s, {u"o'clock"_s}},
        {u"a_"_s, u"a_b"_s, {u"a_b"_s}},
        {u"100%"_s, u"100%"_s, {u"100%"_s}},
        {u"10%"_s, {}, {}},
        {u"back\\"_s, u"back\\slash"_s, {u"back\\slash"_s}},
        {u"star*"_s, u"star*"_s, {u"star*"_s}},
        {u"' OR '1'='1"_s, {}, {}},
        {u"*"_s, {}, {}},  // no word begins with "*" itself, so the fields empty
    };
    for (const auto &c : cases) {
        txtWord->clear();
        QTest::keyClicks(txtWord, c.typed);
        EXPECT_EQ(selected(), c.selected) << c.typed.toStdString();
        EXPECT_EQ(rows(lstSimWords), c.similar) << c.typed.toStdString();
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(FrmDictTest, ClickingASimilarWordTakesItOver)
{
    loaded();
    QTest::keyClicks(txtWord, u"hou"_s);
    click(lstSimWords, u"household"_s);
    EXPECT_EQ(txtWord->text(), u"household"_s);
    EXPECT_EQ(selected(), u"household"_s);
    EXPECT_EQ(lblSelWord->text(), u"household"_s);
    EXPECT_EQ(txtHinMeaning->toPlainText(), shown({"परिवार"}));
    EXPECT_EQ(rows(lstSimWords), QStringList{u"household"_s});
}

TEST_F(FrmDictTest, ClickingTheWordListWritesTheBoxOnce)
{
    loaded();
    QSignalSpy changes(txtWord, &QLineEdit::textChanged);
    click(lstDict, u"zoo"_s);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(txtWord->text(), u"zoo"_s);
    EXPECT_EQ(txtHinMeaning->toPlainText(), shown({"चिड़ियाघर"}));
    EXPECT_EQ(rows(lstSimWords), QStringList{u"zoo"_s});
    EXPECT_FALSE(window->SyncingList());

    // The list does not move under the pointer.
    window->resize(520, 300);  // a list shorter than its words
    QTest::qWait(50);
    lstDict->verticalScrollBar()->setValue(3);  // "ab" at the top
    ASSERT_TRUE(lstDict->viewport()->rect().contains(lstDict->visualRect(lstDict->model()->index(5, 0))));
    click(lstDict, u"back\\slash"_s);            // row 5, in view
    EXPECT_EQ(txtWord->text(), u"back\\slash"_s);
    EXPECT_EQ(lstDict->verticalScrollBar()->value(), 3);

    // A click on the word the search selected still takes it into the box.
    txtWord->setText(u"abando"_s);
    ASSERT_EQ(selected(), u"abandon"_s);
    changes.clear();
    click(lstDict, u"abandon"_s);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(txtWord->text(), u"abandon"_s);

    // Moving through the list with the keyboard follows the same way.
    lstDict->setFocus();
    changes.clear();
    QTest::keyClick(lstDict, Qt::Key_Down);
    EXPECT_EQ(txtWord->text(), u"back\\slash"_s);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(FrmDictTest, MissingDatabaseClosesTheWindow)
{
    TempDir empty;
    {
        ProgramFolder folder(empty.path());
        EXPECT_EQ(frmDict::openDictionary(), nullptr);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, u"File missing."_s);
    EXPECT_EQ(messages[0].text, u"Can't find dictionary files. Please re-install."_s);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
}

TEST_F(FrmDictTest, UnreadableDatabaseIsReportedAndTheWindowStaysUsable)
{
    for (const std::string &content : {std::string("wrong key"), std::string(2048, '\x01')}) {
        messages.clear();
        if (content == "wrong key") {
            const std::string other = "another password";
            std::filesystem::remove(path.toStdString());
            dicttest::buildDatabase(path.toStdString(), dicttest::sampleEntries(), &other);
        } else {
            std::FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        loaded();
        ASSERT_EQ(messages.size(), 1u) << content;
        EXPECT_EQ(messages[0].title, u"Kalamora"_s);
        EXPECT_EQ(messages[0].text, u"Error: 26 'file is encrypted or is not a database'"_s);
        EXPECT_EQ(lstDict->model()->rowCount(), 0);
        QTest::keyClicks(txtWord, u"house"_s);
        EXPECT_TRUE(lblSelWord->text().isEmpty());
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(FrmDictTest, OpensWithAWordAndClosesOnEscapeOrClose)
{
    ProgramFolder folder(dir.path());
    for (bool escape : {true, false}) {
        QPointer<frmDict> opened = frmDict::openDictionary(nullptr, u"zoo"_s);
        ASSERT_TRUE(opened);
        ASSERT_TRUE(QTest::qWaitForWindowActive(opened));
        EXPECT_TRUE(opened->isVisible());
        EXPECT_EQ(opened->findChild<QLabel *>(u"lblSelWord"_s)->text(), u"zoo"_s);
        EXPECT_EQ(opened->findChild<QPlainTextEdit *>(u"txtHinMeaning"_s)->toPlainText(), shown({"चिड़ियाघर"}));
        if (escape)
            QTest::keyClick(opened->findChild<QLineEdit *>(u"txtWord"_s), Qt::Key_Escape);
        else
            QTest::mouseClick(opened->findChild<QPushButton *>(u"cmdExit"_s), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(opened) << "escape " << escape;
        delete opened.data();
    }
    EXPECT_TRUE(messages.empty());
}

// The database the build makes from the real word list.
TEST(FrmDictRealData, HouseHasAMeaning)
{
    const QString real = QDir(qEnvironmentVariable("KALAMORA_PROGRAM_DIR")).filePath(u"Dict.mdb"_s);
    if (qEnvironmentVariableIsEmpty("KALAMORA_PROGRAM_DIR") || !QFileInfo::exists(real))
        GTEST_SKIP() << "no built Dict.mdb";
    std::vector<dict::Message> messages;
    const auto old = dict::setMessageHook([&](const dict::Message &m) { messages.push_back(m); });
    frmDict window;
    ASSERT_TRUE(window.load(real));
    EXPECT_TRUE(messages.empty());
    auto *lstDict = window.findChild<QListView *>(u"lstDict"_s);
    EXPECT_GT(lstDict->model()->rowCount(), 20000);
    window.findChild<QLineEdit *>(u"txtWord"_s)->setText(u"House"_s);
    EXPECT_EQ(window.findChild<QLabel *>(u"lblSelWord"_s)->text(), u"house"_s);
    const QString meaning = window.findChild<QPlainTextEdit *>(u"txtHinMeaning"_s)->toPlainText();
    EXPECT_FALSE(meaning.isEmpty());
    // Glyph codes only: every character stands for one.
    for (QChar ch : meaning)
        EXPECT_NE(kruti::charToGlyph(ch.unicode()), 0) << int(ch.unicode());
    dict::setMessageHook(old);
}
