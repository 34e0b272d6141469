#include "tests/app/shellfixture.h"

#include "app/filecommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMetaProperty>
#include <QMimeData>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QDir>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class FilesTest : public ShellTest {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList recent()
    {
        QStringList l;
        for (int i = 0; i < 4; ++i)
            l.append(settings->readString(u"MRU%1"_s.arg(i)));
        return l;
    }
    QTemporaryDir dir;
};

TEST_F(FilesTest, TheFormatFollowsTheEndingInAnyCase)
{
    write(path(u"LETTER.Rtf"_s), "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear friend\\par}");
    write(path(u"notes.doc"_s), "{\\rtf1 not read as rtf}");
    frmDocument *letter = main->files().OpenDocument(path(u"LETTER.Rtf"_s));
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->rtftext()->Text(), u"Dear friend"_s);
    EXPECT_EQ(letter->SavedFormat, u"0"_s);
    EXPECT_EQ(letter->windowTitle(), path(u"LETTER.Rtf"_s));
    frmDocument *notes = main->files().OpenDocument(path(u"notes.doc"_s));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->rtftext()->Text(), u"{\\rtf1 not read as rtf}"_s);
    EXPECT_EQ(notes->SavedFormat, u"1"_s);
    EXPECT_EQ(main->DocumentCount(), 3);
}

// The window read the format from a name's last three letters, so a text
// file named "minutes_rtf" or "notes.xrtf" was read as RTF and would not
// open; it goes by the extension now, as the command line and mail do.
TEST_F(FilesTest, ANameEndingInRtfWithoutTheExtensionWouldNotOpen)
{
    using TC = textengine::TextControl;
    struct Row {
        QString name;
        int format, saved;
    };
    const Row rows[] = {
        {u"a.rtf"_s, TC::FormatRtf, 0},        {u"B.RTF"_s, TC::FormatRtf, 0},
        {u"c.Htm"_s, TC::FormatHtml, 3},       {u"d.HTML"_s, TC::FormatHtml, 3},
        {u"e.txt"_s, TC::FormatText, 1},       {u"minutes_rtf"_s, TC::FormatText, 1},
        {u"notes.xrtf"_s, TC::FormatText, 1},  {u"page.shtm"_s, TC::FormatText, 1},
        {u"x.rtf.txt"_s, TC::FormatText, 1},   {u"dir.rtf/plain"_s, TC::FormatText, 1},
    };
    for (const Row &r : rows) {
        int saved = -1;
        EXPECT_EQ(FileCommands::formatForName(r.name, &saved), r.format) << r.name.toStdString();
        EXPECT_EQ(saved, r.saved) << r.name.toStdString();
    }
    write(path(u"minutes_rtf"_s), "Plain minutes");
    frmDocument *minutes = main->files().OpenDocument(path(u"minutes_rtf"_s));
    ASSERT_NE(minutes, nullptr);
    EXPECT_EQ(minutes->rtftext()->Text(), u"Plain minutes"_s);
    EXPECT_EQ(minutes->SavedFormat, u"1"_s);
}

TEST_F(FilesTest, AMissingFileSaysSoAndClosesItsWindowWithoutTheQuestion)
{
    EXPECT_EQ(main->files().OpenDocument(path(u"gone.rtf"_s)), nullptr);
    EXPECT_EQ(messages, QStringList{u"File Not Found"_s});
    EXPECT_EQ(main->DocumentCount(), 1);
    // The close without its question leaves the next close asking.
    answers = {QMessageBox::Cancel};
    EXPECT_FALSE(main->activeDocument()->parentWidget()->close());
    EXPECT_EQ(messages.back(), u"Save Before Closing?"_s);
    EXPECT_EQ(recent(), (QStringList{QString(), QString(), QString(), QString()}));
}

TEST_F(FilesTest, TheRecentListKeepsItsOrderAndDropsTheOldest)
{
    QStringList names;
    for (int i = 1; i <= 5; ++i) {
        names.append(path(u"f%1.txt"_s.arg(i)));
        write(names.last(), "x");
    }
    for (int i = 0; i < 4; ++i)
        main->files().OpenDocument(names[i]);
    EXPECT_EQ(recent(), (QStringList{names[3], names[2], names[1], names[0]}));
    main->files().OpenDocument(names[1]); // already listed: no reordering
    EXPECT_EQ(recent(), (QStringList{names[3], names[2], names[1], names[0]}));
    main->files().OpenDocument(names[4]);
    EXPECT_EQ(recent(), (QStringList{names[4], names[3], names[2], names[1]}));
    EXPECT_EQ(main->commands().mnuRecentFile[0]->text(), names[4]);
    EXPECT_TRUE(main->commands().mnuFileRecent->menuAction()->isVisible());
    // A recent item opens its file.
    const int before = main->DocumentCount();
    main->commands().mnuRecentFile[3]->trigger();
    EXPECT_EQ(main->DocumentCount(), before + 1);
    EXPECT_EQ(main->activeDocument()->SavedName, names[1]);
}

TEST_F(FilesTest, SaveWritesRtfUnderTheOpenedNameAndKeepsTextAndCaret)
{
    write(path(u"a.txt"_s), "plain words");
    frmDocument *doc = main->files().OpenDocument(path(u"a.txt"_s));
    ASSERT_NE(doc, nullptr);
    doc->rtftext()->setSelStart(3);
    main->commands().mnuFileSave->trigger();
    EXPECT_TRUE(main->saveCompleted());
    EXPECT_TRUE(readAll(path(u"a.txt"_s)).startsWith("{\\rtf1"));
    EXPECT_EQ(doc->rtftext()->Text(), u"plain words"_s);
    EXPECT_EQ(doc->rtftext()->SelStart(), 3);
}

TEST_F(FilesTest, OpenSaveRoundTripsNeverChangeTheText)
{
    type(u"namaste hindI"_s);
    const QString typed = glyphs();
    fileChoices = {{path(u"round.rtf"_s), 1}};
    main->commands().mnuFileSave->trigger();
    ASSERT_TRUE(main->saveCompleted());
    EXPECT_EQ(main->activeDocument()->SavedFormat, u"5"_s);
    EXPECT_EQ(main->activeDocument()->windowTitle(), path(u"round.rtf"_s));
    for (int i = 0; i < 10; ++i) {
        main->activeDocument()->closeWithoutQuestion();
        frmDocument *doc = main->files().OpenDocument(path(u"round.rtf"_s));
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->rtftext()->Text(), typed) << "round " << i;
        main->commands().mnuFileSave->trigger();
        ASSERT_TRUE(main->saveCompleted());
    }
}

TEST_F(FilesTest, SaveAsOntoAnExistingFileAnsweredNoChangesNothing)
{
    write(path(u"keep.rtf"_s), "original bytes");
    type(u"ghar"_s);
    fileChoices = {{path(u"keep.rtf"_s), 1}};
    answers = {QMessageBox::No};
    main->commands().mnuFileSaveAs->trigger();
    EXPECT_EQ(messages, QStringList{u"File Already Exists. Overwrite ?"_s});
    EXPECT_EQ(readAll(path(u"keep.rtf"_s)), QByteArray("original bytes"));
    EXPECT_EQ(main->activeDocument()->SavedName, frmDocument::None);
    EXPECT_EQ(main->activeDocument()->windowTitle(), u"Document 1"_s);
    EXPECT_EQ(dialogs, QStringList{u"Save File As"_s});
}

// File > "Save As HTML" did nothing: it asks for a file and writes the
// document there as HTML with its pictures, and the document keeps its own
// name, format and title; answering No to the overwrite question keeps the
// old file.
TEST_F(FilesTest, SaveAsHtmlDidNothing)
{
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(path(u"red.png"_s)));
    type(u"ghar"_s);
    ASSERT_TRUE(rtf()->ObjectInsertAsChar(0, path(u"red.png"_s), -1, 100, 100));
    fileChoices = {{path(u"page"_s), 1}};
    main->commands().mnuFileSaveHtml->trigger();
    EXPECT_EQ(dialogs, QStringList{u"Save As HTML"_s});
    const QByteArray html = readAll(path(u"page.htm"_s));
    EXPECT_TRUE(html.contains("<img src=\"data:image/png;base64,")) << html.left(400).toStdString();
    EXPECT_TRUE(html.contains("?kj~"));
    EXPECT_EQ(main->activeDocument()->SavedName, frmDocument::None);
    EXPECT_EQ(main->activeDocument()->SavedFormat, frmDocument::None);
    EXPECT_EQ(main->activeDocument()->windowTitle(), u"Document 1"_s);
    EXPECT_EQ(recent().first(), QString());

    fileChoices = {{path(u"page.htm"_s), 1}};
    answers = {QMessageBox::No};
    rtf()->setSelText(u"more"_s);
    main->commands().mnuFileSaveHtml->trigger();
    EXPECT_EQ(messages, QStringList{u"File Already Exists. Overwrite ?"_s});
    EXPECT_EQ(readAll(path(u"page.htm"_s)), html);
}

TEST_F(FilesTest, SaveAsTextWritesTextAndLeavesTheRecentListAlone)
{
    type(u"ghar"_s);
    fileChoices = {{path(u"out.txt"_s), 2}};
    main->commands().mnuFileSaveAs->trigger();
    EXPECT_EQ(readAll(path(u"out.txt"_s)), QByteArray("?kj~"));
    EXPECT_EQ(main->activeDocument()->SavedFormat, u"1"_s);
    EXPECT_EQ(recent().first(), QString());
}

TEST_F(FilesTest, ACancelledFirstSaveKeepsTheWindowOpenOnClose)
{
    type(u"ghar"_s);
    answers = {QMessageBox::Yes};
    EXPECT_FALSE(main->windows().mdiArea()->activeSubWindow()->close()); // the save dialog is cancelled
    EXPECT_FALSE(main->saveCompleted());
    EXPECT_EQ(main->DocumentCount(), 1);
    EXPECT_EQ(dialogs, QStringList{u"Save Document"_s});
}

// A save that fails, in ways that bind for root too (the tests run as root
// in CI): the old file stays whole, the window stays open under its name,
// and the user is told.
TEST_F(FilesTest, FailedSaveSkippedItselfForRoot)
{
    enum How { Save, SaveAs, ExportUnicode };
    struct Row {
        const char *what;
        How how;
        QString target;
    };
    write(path(u"blocker"_s), "a file where a folder should be");
    const Row rows[] = {
        {"the disk takes no more", Save, path(u"old.rtf"_s)},
        {"the folder is a file", SaveAs, path(u"blocker/new.rtf"_s)},
        {"Unicode export, the disk takes no more", ExportUnicode, path(u"old.rtf"_s)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        write(path(u"old.rtf"_s), "{\\rtf1 old}");
        frmDocument *doc = main->files().OpenDocument(path(u"old.rtf"_s));
        ASSERT_NE(doc, nullptr);
        doc->rtftext()->setSelText(QString(20000, u'x'));
        messages.clear();
        {
            // Files may grow to 8 KiB while the save runs; the bigger
            // document fails half way.
            struct FileSizeLimit {
                rlimit saved{};
                explicit FileSizeLimit(bool on)
                {
                    getrlimit(RLIMIT_FSIZE, &saved);
                    signal(SIGXFSZ, SIG_IGN);
                    if (on) {
                        rlimit small = saved;
                        small.rlim_cur = 8192;
                        setrlimit(RLIMIT_FSIZE, &small);
                    }
                }
                ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
            } limit(row.how != SaveAs);
            fileChoices = {{row.target, 1}};
            if (row.how == Save) {
                main->commands().mnuFileSave->trigger();
                EXPECT_FALSE(main->saveCompleted());
            } else {
                (row.how == SaveAs ? main->commands().mnuFileSaveAs : main->commands().mnuFileExportUnicode)
                    ->trigger();
            }
        }
        EXPECT_EQ(readAll(path(u"old.rtf"_s)), QByteArray("{\\rtf1 old}"));
        EXPECT_EQ(readAll(path(u"blocker"_s)), QByteArray("a file where a folder should be"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no half-written file is left";
        EXPECT_EQ(messages.size(), 1);
        EXPECT_EQ(doc->SavedName, path(u"old.rtf"_s));
        EXPECT_EQ(main->activeDocument(), doc);
    }
}

TEST(FileFilters, LegacyFiltersBecomeQtFilters)
{
    EXPECT_EQ(kalamora::qtFilters(u"Rich Text File (*.rtf) |*.rtf|Text File (*.txt) |*.txt|"_s),
              (QStringList{u"Rich Text File (*.rtf)"_s, u"Text File (*.txt)"_s}));
    EXPECT_EQ(kalamora::qtFilters(u"Pictures|*.png|"_s), QStringList{u"Pictures (*.png)"_s});
    EXPECT_EQ(kalamora::qtFilters(u"HyperText File (*.htm;*.html) |*.htm;*.html|"_s),
              QStringList{u"HyperText File (*.htm *.html)"_s});
}

// A bare name saved under a filter of two patterns became "name.htm *.html".
TEST(FileFilters, SaveAppendedEverythingUpToTheBracket)
{
    const QString html = u"HyperText File (*.htm *.html)"_s;
    const QString rtf = u"Rich Text File (*.rtf)"_s;
    const struct {
        QString path, filter, saved;
    } rows[] = {
        {u"/d/name"_s, html, u"/d/name.htm"_s},
        {u"/d/name"_s, rtf, u"/d/name.rtf"_s},
        {u"/d/name.html"_s, html, u"/d/name.html"_s},
        {u"/d/NAME.HTM"_s, html, u"/d/NAME.HTM"_s},
        {u"/d/name.txt"_s, rtf, u"/d/name.txt"_s},
        {u"/d/name."_s, rtf, u"/d/name.rtf"_s},
        {u"/d.v2/name"_s, rtf, u"/d.v2/name.rtf"_s},
        {u"/d/name"_s, u"All Files (*)"_s, u"/d/name"_s},
        {u"/d/name"_s, QString(), u"/d/name"_s},
    };
    for (const auto &r : rows)
        EXPECT_EQ(kalamora::withFilterEnding(r.path, r.filter), r.saved) << r.path.toStdString() << " under "
                                                                          << r.filter.toStdString();
}

} // namespace

namespace {

TEST_F(FilesTest, UnicodeExportCopyAndImport)
{
    type(u"namaste hindI"_s);
    main->language().OptEnglish()->setChecked(true);
    type(u" ok"_s);
    fileChoices = {{path(u"out.txt"_s), 1}};
    main->commands().mnuFileExportUnicode->trigger();
    EXPECT_EQ(QString::fromUtf8(readAll(path(u"out.txt"_s))), u"नमस्ते हिन्दी ok"_s);
    EXPECT_EQ(glyphs(), u"ueLrs fgUnh ok"_s); // the document stays in glyphs

    rtf()->setSelStart(0);
    rtf()->setSelLength(5);
    main->commands().mnuEditCopyUnicode->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), u"नमस्ते"_s);

    write(path(u"in.txt"_s), QString(u"भारत और hindI"_s).toUtf8());
    fileChoices = {{path(u"in.txt"_s), 1}};
    main->commands().mnuFileImportUnicode->trigger();
    EXPECT_EQ(main->activeDocument()->rtftext()->Text(), u"Hkkjr v\u00A9j hindI"_s);
    main->activeDocument()->rtftext()->setSelStart(2);
    EXPECT_EQ(main->activeDocument()->rtftext()->FontName(), u"Glyphora 010"_s);
    EXPECT_EQ(main->activeDocument()->SavedName, frmDocument::None); // never saved over its source
}

TEST_F(FilesTest, ImportRefusesTextThatIsNotUtf8)
{
    write(path(u"latin1.txt"_s), QByteArray("caf\xe9"));
    fileChoices = {{path(u"latin1.txt"_s), 1}};
    const int before = main->DocumentCount();
    main->commands().mnuFileImportUnicode->trigger();
    EXPECT_EQ(main->DocumentCount(), before);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(u"not UTF-8"_s));
}

} // namespace

namespace {

// A ".html" file opened as plain text showing its markup: the format came
// from the last three letters, and "TML" is not "HTM". Names of every kind
// through Open (a path, as the command line and the recent list give it,
// and the dialog), and through Save As and Save As HTML.
TEST_F(FilesTest, HtmlFileOpenedAsTextShowingItsMarkup)
{
    const QByteArray html = "<html><body><p>Dear <b>friend</b></p></body></html>";
    const QByteArray rtfBytes = "{\\rtf1\\ansi Dear friend\\par}";
    const QByteArray text = "<p>Dear friend</p>";
    const struct {
        const char *name;
        QByteArray bytes;
        QString shown;
        QString savedFormat;
    } opened[] = {
        {"page.html", html, u"Dear friend"_s, u"3"_s},
        {"PAGE.HTML", html, u"Dear friend"_s, u"3"_s},
        {"page.htm", html, u"Dear friend"_s, u"3"_s},
        {"Page.Htm", html, u"Dear friend"_s, u"3"_s},
        {"letter.rtf", rtfBytes, u"Dear friend"_s, u"0"_s},
        {"LETTER.RTF", rtfBytes, u"Dear friend"_s, u"0"_s},
        {"notes.txt", text, u"<p>Dear friend</p>"_s, u"1"_s},
        {"notes", text, u"<p>Dear friend</p>"_s, u"1"_s},
        {"notes.xhtml", text, u"<p>Dear friend</p>"_s, u"1"_s},
        {"page.html.txt", text, u"<p>Dear friend</p>"_s, u"1"_s},
    };
    for (const auto &row : opened) {
        SCOPED_TRACE(row.name);
        const QString file = path(QString::fromLatin1(row.name));
        write(file, row.bytes);
        frmDocument *doc = main->files().OpenDocument(file);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->rtftext()->Text(), row.shown);
        EXPECT_EQ(doc->SavedFormat, row.savedFormat);
        // The dialog lists the file under the filter of its kind.
        fileChoices = {{file, 3}};
        main->commands().mnuFileOpen->trigger();
        EXPECT_EQ(rtf()->Text(), row.shown);
    }
    EXPECT_EQ(kalamora::filterEndings(kalamora::qtFilters(u"x|*.htm;*.html|"_s).first()),
              (QStringList{u"htm"_s, u"html"_s}));

    // A relative name (from the command line) opens under its full path.
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    frmDocument *relative = main->files().OpenDocument(u"page.html"_s);
    QDir::setCurrent(here);
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(relative->SavedName, path(u"page.html"_s));
    EXPECT_EQ(relative->rtftext()->Text(), u"Dear friend"_s);

    const struct {
        QAction *command;
        QString chosen;
        int filter;
        QString written;
        QByteArray starts;
    } saved[] = {
        {main->commands().mnuFileSaveAs, u"out"_s, 1, u"out.rtf"_s, "{\\rtf1"},
        {main->commands().mnuFileSaveAs, u"out"_s, 2, u"out.txt"_s, "Dear"},
        {main->commands().mnuFileSaveAs, u"Out.RTF"_s, 1, u"Out.RTF"_s, "{\\rtf1"},
        {main->commands().mnuFileSaveHtml, u"web"_s, 1, u"web.htm"_s, "<!DOCTYPE"},
        {main->commands().mnuFileSaveHtml, u"web.html"_s, 1, u"web.html"_s, "<!DOCTYPE"},
        {main->commands().mnuFileSaveHtml, u"WEB.HTML"_s, 1, u"WEB.HTML"_s, "<!DOCTYPE"},
    };
    for (const auto &row : saved) {
        SCOPED_TRACE(row.chosen.toStdString());
        fileChoices = {{path(row.chosen), row.filter}};
        row.command->trigger();
        EXPECT_TRUE(readAll(path(row.written)).startsWith(row.starts)) << readAll(path(row.written)).left(60).toStdString();
        // What was saved as HTML opens as HTML again.
        if (row.written.endsWith(u"html"_s, Qt::CaseInsensitive)) {
            frmDocument *back = main->files().OpenDocument(path(row.written));
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->rtftext()->Text(), u"Dear friend"_s);
        }
    }
}

} // namespace

namespace {

// Opening an HTML file crashed the program: the main window read the
// paragraph format from a format signal while QTextEdit's cursor was a
// null one in the middle of setHtml. Every readable member of the control,
// read from every signal it raises, during every way of replacing or
// inserting content.
TEST(ControlReadsDuringLoads, OpeningAnHtmlFileCrashed)
{
    QTemporaryDir dir;
    const QString html = dir.filePath(u"a.htm"_s), rtf = dir.filePath(u"a.rtf"_s), text = dir.filePath(u"a.txt"_s);
    write(html, "<html><body><p align=center>Dear <b>friend</b></p><table><tr><td>x</td></tr></table></body></html>");
    write(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Glyphora 010;}}\\f0\\qc ?kj\\par\\trowd\\cellx900 x\\cell\\row}");
    write(text, "ghar\r\nkamal");
    textengine::TextControl control;
    control.show();
    int reads = 0;
    auto readEverything = [&] {
        const QMetaObject *meta = control.metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            if (meta->property(i).isReadable()) {
                meta->property(i).read(&control);
                ++reads;
            }
        }
    };
    QObject::connect(&control, &QTextEdit::currentCharFormatChanged, readEverything);
    QObject::connect(&control, &QTextEdit::cursorPositionChanged, readEverything);
    QObject::connect(&control, &QTextEdit::selectionChanged, readEverything);
    QObject::connect(&control, &QTextEdit::textChanged, readEverything);
    QObject::connect(&control, &textengine::TextControl::Change, readEverything);
    QObject::connect(&control, &textengine::TextControl::PosChange, readEverything);
    auto htmlData = [] {
        auto *data = new QMimeData;
        data->setHtml(u"<p>pasted <i>text</i></p>"_s);
        return data;
    };
    const struct {
        const char *how;
        std::function<bool()> run;
    } loads[] = {
        {"Load HTML", [&] { return control.Load(html, 0, textengine::TextControl::FormatHtml); }},
        {"Load RTF", [&] { return control.Load(rtf, 0, textengine::TextControl::FormatRtf); }},
        {"Load text", [&] { return control.Load(text, 0, textengine::TextControl::FormatText); }},
        {"RTFImport", [&] { return control.RTFImport(rtf); }},
        {"TextImport", [&] { return control.TextImport(text); }},
        {"setRtf", [&] { return control.setRtf("{\\rtf1 a\\par b}"); }},
        {"setText", [&] { control.setText(u"a\nb"_s); return true; }},
        {"QTextEdit::setHtml", [&] { control.QTextEdit::setHtml(u"<p>a</p>"_s); return true; }},
        {"QTextEdit::setPlainText", [&] { control.setPlainText(u"a"_s); return true; }},
        {"QTextEdit::clear", [&] { control.clear(); return true; }},
        {"paste of HTML", [&] {
             QApplication::clipboard()->setMimeData(htmlData());
             control.paste();
             return true;
         }},
    };
    for (const auto &load : loads) {
        SCOPED_TRACE(load.how);
        control.selectAll();
        reads = 0;
        EXPECT_TRUE(load.run());
        EXPECT_GT(reads, 0);
    }
}

} // namespace
