#include "tests/app/shellfixture.h"

#include "app/formatcommands.h"
#include "format/frmpagedlg.h"
#include "format/frmprintview.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextTable>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

using FormatTest = ShellTest;

TEST_F(FormatTest, StyleTogglesFollowWhatTheSelectionReads)
{
    CommandSurface &c = main->commands();
    rtf()->setSelText(u"one two"_s);
    rtf()->setSelStart(0);
    rtf()->setSelLength(3);
    c.button[u"Bold"_s]->trigger();
    EXPECT_TRUE(rtf()->FontBold());
    EXPECT_TRUE(c.tbToolbarButton(13)->isChecked());
    c.mnuStyleBold->trigger();
    EXPECT_FALSE(rtf()->FontBold());
    EXPECT_FALSE(c.tbToolbarButton(13)->isChecked());
    // A mixed selection reads false, so the toggle turns it on.
    c.mnuStyleBold->trigger();
    rtf()->setSelStart(0);
    rtf()->setSelLength(7);
    ASSERT_FALSE(rtf()->FontBold());
    c.button[u"Bold"_s]->trigger();
    EXPECT_TRUE(rtf()->FontBold());

    c.button[u"StrikeThru"_s]->setChecked(false);
    c.button[u"StrikeThru"_s]->trigger();  // pressed
    EXPECT_TRUE(rtf()->FontStrikeThru());
    c.mnuStyleStrike->trigger();
    EXPECT_FALSE(rtf()->FontStrikeThru());

    c.button[u"Align Centre"_s]->trigger();
    EXPECT_EQ(rtf()->AlignMent(), 2);
    c.mnuPopAlignJustify->trigger();
    EXPECT_EQ(rtf()->AlignMent(), 3);
    EXPECT_TRUE(c.button[u"Justify"_s]->isChecked());
    EXPECT_FALSE(c.button[u"Align Centre"_s]->isChecked());
}

TEST_F(FormatTest, OneTabKindIsChecked)
{
    CommandSurface &c = main->commands();
    const QList<QAction *> items = {c.mnuTabLeft, c.mnuTabRight, c.mnuTabDecimal, c.mnuTabCenter};
    const QList<QAction *> buttons = {c.button[u"LTab"_s], c.button[u"RTab"_s], c.button[u"DTab"_s],
                                      c.button[u"CTab"_s]};
    const int kinds[] = {1, 2, 4, 3};
    for (int chosen : {2, 0, 3, 1}) {
        // from the menu or the toolbar
        (chosen % 2 ? items : buttons)[chosen]->trigger();
        EXPECT_EQ(rtf()->TabType(), kinds[chosen]);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(items[i]->isChecked(), i == chosen) << chosen << " " << i;
            EXPECT_EQ(buttons[i]->isChecked(), i == chosen) << chosen << " " << i;
        }
    }
}

TEST_F(FormatTest, FormatAndTableMenusOpenWithTheSelectionsState)
{
    CommandSurface &c = main->commands();
    QTemporaryDir dir;
    const QString png = dir.filePath(u"red.png"_s);
    QImage img(30, 30, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(png));

    rtf()->setSelText(u"text"_s);
    rtf()->setAlignMent(2);
    rtf()->setSelStart(0);
    rtf()->setSelLength(4);
    rtf()->setFontItalic(true);
    Q_EMIT c.mnuFormat->aboutToShow();
    EXPECT_FALSE(c.mnuFormatImage->isEnabled());
    EXPECT_TRUE(c.mnuAlignCenter->isChecked());
    EXPECT_FALSE(c.mnuAlignLeft->isChecked());
    EXPECT_TRUE(c.mnuStyleItalic->isChecked());
    EXPECT_FALSE(c.mnuStyleBold->isChecked());

    // A picture selected: Image... opens the attributes of that picture.
    fileChoices.push_back({png, 1});
    rtf()->setSelStart(4);
    c.mnuInsertImageChar->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
    rtf()->setSelStart(4);
    rtf()->setSelLength(1);
    Q_EMIT c.mnuFormat->aboutToShow();
    EXPECT_TRUE(c.mnuFormatImage->isEnabled());
    c.mnuFormatImage->trigger();
    EXPECT_EQ(engineDialogs.value(0), u"Image Attributes"_s);

    // Tables: a table at the caret switches the menu's items.
    rtf()->setSelStart(0);
    Q_EMIT c.mnuTable->aboutToShow();
    EXPECT_FALSE(c.mnuTableAttributes->isEnabled());
    EXPECT_FALSE(c.mnuTableDelete->isEnabled());
    EXPECT_TRUE(c.mnuTableInsert->isEnabled());
    c.tblThreeByThree->trigger();
    ASSERT_NE(rtf()->textCursor().currentTable(), nullptr);
    Q_EMIT c.mnuTable->aboutToShow();
    EXPECT_TRUE(c.mnuTableAttributes->isEnabled());
    EXPECT_TRUE(c.mnuTableDelete->isEnabled());
    EXPECT_FALSE(c.mnuTableInsert->isEnabled());
    c.mnuTableDelete->trigger();
    EXPECT_EQ(rtf()->TableAtInputPos(), 0);

    ASSERT_TRUE(c.mnuTableGrid->isChecked());
    c.mnuTableGrid->trigger();
    EXPECT_FALSE(c.mnuTableGrid->isChecked());
    EXPECT_FALSE(rtf()->TableGridLines());
    c.mnuPopTableGrid->trigger();
    EXPECT_TRUE(c.mnuTableGrid->isChecked());
    EXPECT_TRUE(rtf()->TableGridLines());
}

// The "&3 cols. x 2 rows." item inserted 3 rows by 2 columns: every quick
// table item makes the table its caption names, columns first.
TEST_F(FormatTest, QuickTableItemsInsertTheColumnsAndRowsTheirCaptionsName)
{
    CommandSurface &c = main->commands();
    const QRegularExpression caption(u"(\\d+) cols?\\. x (\\d+) rows?\\."_s);
    for (QAction *item : {c.tblOneByOne, c.tblTwoByTwo, c.tblThreeByThree}) {
        const QRegularExpressionMatch m = caption.match(item->text());
        ASSERT_TRUE(m.hasMatch()) << item->text().toStdString();
        rtf()->setText(QString());
        item->trigger();
        const QTextTable *t = rtf()->textCursor().currentTable();
        ASSERT_NE(t, nullptr) << item->text().toStdString();
        EXPECT_EQ(t->columns(), m.captured(1).toInt()) << item->text().toStdString();
        EXPECT_EQ(t->rows(), m.captured(2).toInt()) << item->text().toStdString();
    }
}

TEST_F(FormatTest, ColourDialogCancelChangesNothing)
{
    CommandSurface &c = main->commands();
    rtf()->setSelText(u"abc"_s);
    rtf()->setSelStart(0);
    rtf()->setSelLength(3);
    const qint64 before = rtf()->ForeColor();
    bool accept = false;
    int shown = 0;
    textengine::setDialogHook([&](QDialog *d) {
        auto *cd = qobject_cast<QColorDialog *>(d);
        if (!cd)
            return int(QDialog::Rejected);
        ++shown;
        cd->setCurrentColor(QColor(255, 0, 0));
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    });
    c.mnuFormatColour->trigger();
    c.button[u"HighLight"_s]->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(rtf()->ForeColor(), before);
    EXPECT_EQ(rtf()->TextBkColor(), 0xFFFFFF);
    accept = true;
    c.button[u"Color"_s]->trigger();
    EXPECT_EQ(rtf()->ForeColor(), 0x0000FF);
    c.mnuFormatBackColour->trigger();
    EXPECT_EQ(rtf()->TextBkColor(), 0x0000FF);
}

TEST_F(FormatTest, InsertFileByTheLastThreeLetters)
{
    CommandSurface &c = main->commands();
    QTemporaryDir dir;
    const QByteArray rtfBytes = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 from rtf\\par}";
    const struct {
        QString name;
        QString expect;
    } cases[] = {
        {u"a.RtF"_s, u"from rtf"_s},
        {u"b.rtf"_s, u"from rtf"_s},
        {u"plainrtf"_s, u"from rtf"_s},  // no dot, still the RTF import
        {u"c.txt"_s, u"{\\rtf1"_s},      // a text file shows its bytes
    };
    for (const auto &k : cases) {
        rtf()->setText(QString());
        write(dir.filePath(k.name), rtfBytes);
        fileChoices.push_back({dir.filePath(k.name), 1});
        c.mnuInsertFile->trigger();
        EXPECT_TRUE(rtf()->Text().contains(k.expect)) << k.name.toStdString() << ": " << rtf()->Text().toStdString();
        EXPECT_EQ(rtf()->Text().contains(u"\\rtf1"_s), k.expect.startsWith(u'{')) << k.name.toStdString();
    }
    EXPECT_EQ(dialogs.value(0), u"Insert Text"_s);
    EXPECT_TRUE(messages.isEmpty());

    c.mnuInsertFile->trigger();  // cancelled: silent
    EXPECT_TRUE(messages.isEmpty());
    const QString missing = dir.filePath(u"gone.rtf"_s);
    fileChoices.push_back({missing, 1});
    c.mnuInsertFile->trigger();
    EXPECT_EQ(messages, QStringList{u"Can't insert file: "_s + missing});

    messages.clear();
    c.mnuInsertImageObject->trigger();  // cancelled: silent
    EXPECT_TRUE(messages.isEmpty());
    write(dir.filePath(u"bad.png"_s), "not a picture");
    fileChoices.push_back({dir.filePath(u"bad.png"_s), 1});
    c.mnuInsertImageObject->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(u"Cannot Insert image: "_s + dir.filePath(u"bad.png"_s) + u". Error "_s))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].endsWith(u"."_s));
}

TEST_F(FormatTest, ZoomBoxMenusAndPageView)
{
    CommandSurface &c = main->commands();
    QComboBox *zoom = main->format().cmbZoom();
    ASSERT_EQ(zoom->count(), 13);
    EXPECT_EQ(zoom->currentText(), u"100 %"_s);
    zoom->setFocus();
    QTest::keyClick(zoom, Qt::Key_Down);
    QTest::keyClick(zoom, Qt::Key_2);
    QTest::keyClick(zoom, Qt::Key_F);
    EXPECT_EQ(zoom->currentText(), u"100 %"_s) << "typing into the zoom box changes nothing";

    c.mnuZoom[2]->trigger();  // 50 %
    EXPECT_EQ(zoom->currentText(), u"50 %"_s);
    EXPECT_EQ(rtf()->ZoomFactor(), 50);
    zoom->setCurrentIndex(6);
    Q_EMIT zoom->activated(6);  // 150 %, which has no menu item
    EXPECT_EQ(rtf()->ZoomFactor(), 150);
    Q_EMIT c.mnuView->aboutToShow();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(c.mnuZoom[i]->isChecked(), i == 2) << i;
    c.mnuZoom[5]->trigger();
    Q_EMIT c.mnuView->aboutToShow();
    EXPECT_TRUE(c.mnuZoom[5]->isChecked());
    EXPECT_FALSE(c.mnuZoom[2]->isChecked());
    EXPECT_EQ(rtf()->ZoomFactor(), 400);

    // Fit Width: a control 300 twips wider than the page shows it at 100 %.
    rtf()->setPageWidth(rtf()->Width() - 300);
    c.mnuZoom[6]->trigger();
    EXPECT_EQ(zoom->currentText(), u"Fit Width"_s);
    EXPECT_EQ(rtf()->ZoomFactor(), 100);

    ASSERT_EQ(rtf()->ViewMode(), 1);
    ASSERT_TRUE(c.button[u"PView"_s]->isChecked());
    c.button[u"PView"_s]->trigger();  // released
    EXPECT_EQ(rtf()->ViewMode(), 0);
    EXPECT_TRUE(c.mnuViewEditor->isChecked());
    EXPECT_FALSE(c.mnuViewPageView->isChecked());
    c.mnuViewPageView->trigger();
    EXPECT_EQ(rtf()->ViewMode(), 1);
    EXPECT_TRUE(c.button[u"PView"_s]->isChecked());
    EXPECT_FALSE(c.mnuViewEditor->isChecked());
}

TEST_F(FormatTest, PageSetupPreviewAndPdfExport)
{
    CommandSurface &c = main->commands();
    rtf()->setSelText(u"kyk"_s);

    // Page setup does not block the main window; OK writes the document and
    // the settings.
    c.mnuFilePageSetup->trigger();
    auto *page = main->findChild<frmPageDlg *>();
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->isModal());
    EXPECT_EQ(page->cboPaperSize->currentText(), u"Letter"_s);
    page->cboPaperSize->setCurrentIndex(0);
    page->txtLeftMargin->setText(u"0,5"_s);
    page->btnOK->click();
    EXPECT_EQ(rtf()->PageWidth(), 11906);
    EXPECT_EQ(rtf()->PageMarginL(), 720);
    EXPECT_EQ(settings->readString(u"LeftMargin"_s), u"720"_s);
    EXPECT_EQ(settings->readString(u"PaperHeight"_s), u"16837"_s);

    c.button[u"PrintView"_s]->trigger();
    auto *preview = main->findChild<frmPrintView *>();
    ASSERT_NE(preview, nullptr);
    EXPECT_FALSE(preview->cmdPPage->isEnabled());
    EXPECT_FALSE(preview->cmdNPage->isEnabled());
    preview->close();

    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"doc"_s);
    fileChoices.push_back({pdf, 1});
    c.mnuFileExportPdf->trigger();
    EXPECT_EQ(dialogs.value(0), u"Export As PDF"_s);
    const QByteArray bytes = readAll(pdf + u".pdf"_s);
    EXPECT_EQ(QString::fromLatin1(bytes).count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)), 1);
    EXPECT_TRUE(bytes.contains("/FontFile2"));
    EXPECT_TRUE(bytes.contains("Glyphora"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
}

TEST(ConvertCommand, PdfAsItPrintsWithTheProgramsFont)
{
    const QString program = qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/kalamora"_s;
    const QString in = qEnvironmentVariable("KALAMORA_SOURCE_DIR") + u"/tests/textengine/fixtures/abi-kruti.rtf"_s;
    QTemporaryDir dir;
    const QString out = dir.filePath(u"k.pdf"_s);
    QProcess convert;
    convert.start(program, {u"convert"_s, in, out});
    ASSERT_TRUE(convert.waitForFinished(60000));
    EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    const QByteArray pdf = readAll(out);
    EXPECT_GE(QString::fromLatin1(pdf).count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)), 1);
    EXPECT_TRUE(pdf.contains("/FontFile2"));
    EXPECT_TRUE(pdf.contains("Glyphora")) << "Kruti Dev runs print in the program's own font";

    // A missing input fails without leaving a file behind.
    convert.start(program, {u"convert"_s, dir.filePath(u"none.rtf"_s), dir.filePath(u"none.pdf"_s)});
    ASSERT_TRUE(convert.waitForFinished(60000));
    EXPECT_EQ(convert.exitCode(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(u"none.pdf"_s)));
}
