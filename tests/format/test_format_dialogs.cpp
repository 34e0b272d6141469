#include "format/frmpagedlg.h"
#include "format/measurement.h"
#include "format/tabledialogs.h"

#include "textengine/objects.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

// Message boxes of the dialogs, answered and remembered.
struct Messages {
    Messages()
    {
        textengine::setMessageHook([this](QWidget *, QMessageBox::Icon icon, const QString &title,
                                          const QString &text, QMessageBox::StandardButtons) {
            shown.append(title + u": "_s + text);
            icons.append(icon);
            return int(QMessageBox::Ok);
        });
    }
    ~Messages() { textengine::setMessageHook({}); }
    QStringList shown;
    QList<QMessageBox::Icon> icons;
};

void setPage(TextControl &tc, int width, int height)
{
    TextControl::PageSetup page = tc.pageSetup();
    page.width = width;
    page.height = height;
    tc.setPageSetup(page);
}

} // namespace

TEST(PageSetup, PaperMatchingWithinFiveTwips)
{
    struct Case {
        int width, height;
        QString entry;
    } const cases[] = {
        {11906, 16837, u"A4"_s}, {11910, 16840, u"A4"_s},     {12000, 16837, u"User Defined"_s},
        {8418, 11906, u"A5"_s},  {12240, 15840, u"Letter"_s}, {12240, 20160, u"Legal"_s},
        {9978, 14174, u"B5"_s},  {16837, 11906, u"User Defined"_s},
    };
    textengine::setMeasurementUnit(1);
    for (const Case &c : cases) {
        TextControl tc;
        setPage(tc, c.width, c.height);
        frmPageDlg dlg(&tc, {});
        // The boxes show two decimals, so matching works on what they show.
        EXPECT_EQ(dlg.cboPaperSize->currentText(), c.entry) << c.width << " x " << c.height;
        EXPECT_EQ(dlg.lblMeasurement->text(), u"inch"_s);
    }
    EXPECT_EQ(matchPaperSize(11906 + 4, 16837 - 4), 0);
    EXPECT_EQ(matchPaperSize(11906 + 5, 16837), 0);  // 8.27 inches shows as 11909
    EXPECT_EQ(matchPaperSize(11906 + 8, 16837), 5);
    EXPECT_EQ(matchPaperSize(11911, 14000), 5);
    EXPECT_EQ(matchPaperSize(8424, 11906), 1);  // A5 as its boxes show it (5.85 inches)
    EXPECT_EQ(matchPaperSize(40000, 70000), 5);
}

TEST(PageSetup, ValidationEnablesOk)
{
    textengine::setMeasurementUnit(1);
    TextControl tc;
    frmPageDlg dlg(&tc, {});
    EXPECT_EQ(dlg.txtPaperWidth->text(), u"8.50"_s);
    EXPECT_TRUE(dlg.btnOK->isEnabled());
    const std::tuple<QLineEdit *, QString, bool> cases[] = {
        {dlg.txtLeftMargin, u"0"_s, false},       {dlg.txtLeftMargin, u"0,01"_s, true},
        {dlg.txtRightMargin, u"8.6"_s, false},    {dlg.txtRightMargin, u"8.5"_s, true},
        {dlg.txtTopMargin, u"x"_s, false},        {dlg.txtTopMargin, u"1"_s, true},
        {dlg.txtBottomMargin, u"11.1"_s, false},  {dlg.txtBottomMargin, u"1"_s, true},
        {dlg.txtPaperWidth, u"11.377"_s, true},   // 16383 twips: twice it still fits
        {dlg.txtPaperWidth, u"11.378"_s, false},  // 16384
        {dlg.txtPaperWidth, u"8.5"_s, true},      {dlg.txtPaperHeight, u"22.75"_s, true},
        {dlg.txtPaperHeight, u"22.7 6"_s, false},  // blanks are ignored: 22.76 is 32774
        {dlg.txtPaperHeight, u"0"_s, false},      {dlg.txtPaperHeight, u"11"_s, true},
    };
    for (const auto &[box, text, enabled] : cases) {
        box->setText(text);
        EXPECT_EQ(dlg.btnOK->isEnabled(), enabled) << box->objectName().toStdString() << " " << text.toStdString();
    }
}

TEST(PageSetup, PaperChoiceAndOkWriteDocumentAndSettings)
{
    textengine::setMeasurementUnit(1);
    TextControl tc;
    QMap<QString, QString> stored;
    frmPageDlg dlg(&tc, [&](const QString &k, const QString &v) { stored[k] = v; });
    EXPECT_EQ(dlg.cboPaperSize->currentText(), u"Letter"_s);
    dlg.cboPaperSize->setCurrentIndex(0);
    EXPECT_EQ(dlg.txtPaperWidth->text(), u"8.27"_s);
    EXPECT_EQ(dlg.txtPaperHeight->text(), u"11.69"_s);
    // "User Defined" leaves the boxes as they are.
    dlg.cboPaperSize->setCurrentIndex(5);
    EXPECT_EQ(dlg.txtPaperWidth->text(), u"8.27"_s);
    dlg.txtPaperWidth->setText(u"8,27"_s);
    dlg.txtLeftMargin->setText(u"0.5"_s);
    dlg.matchPaper();
    EXPECT_EQ(dlg.cboPaperSize->currentText(), u"A4"_s);  // 11909 by 16834: 3 twips off each
    dlg.txtPaperHeight->setText(u"11"_s);
    dlg.matchPaper();
    EXPECT_EQ(dlg.cboPaperSize->currentText(), u"User Defined"_s);

    // Cancel changes nothing.
    dlg.btnCancel->click();
    EXPECT_EQ(tc.PageWidth(), 12240);
    EXPECT_TRUE(stored.isEmpty());

    frmPageDlg ok(&tc, [&](const QString &k, const QString &v) { stored[k] = v; });
    ok.txtPaperWidth->setText(u"8,27"_s);
    ok.txtLeftMargin->setText(u"0.5"_s);
    ok.btnOK->click();
    EXPECT_EQ(ok.result(), QDialog::Accepted);
    EXPECT_EQ(tc.PageWidth(), 11909);
    EXPECT_EQ(tc.PageMarginL(), 720);
    EXPECT_EQ(tc.PageHeight(), 15840);
    EXPECT_EQ(stored.value(u"PaperWidth"_s), u"11909"_s);
    EXPECT_EQ(stored.value(u"LeftMargin"_s), u"720"_s);
    EXPECT_EQ(stored.value(u"BottomMargin"_s), u"1440"_s);
    EXPECT_EQ(stored.size(), 6);

    // A chosen paper is that paper to the twip, and OK on an untouched
    // dialog leaves an odd size as it was.
    frmPageDlg a4(&tc, {});
    a4.cboPaperSize->setCurrentIndex(0);
    a4.btnOK->click();
    EXPECT_EQ(tc.PageWidth(), 11906);
    EXPECT_EQ(tc.PageHeight(), 16837);
    setPage(tc, 11911, 16001);
    frmPageDlg same(&tc, {});
    same.btnOK->click();
    EXPECT_EQ(tc.PageWidth(), 11911);
    EXPECT_EQ(tc.PageHeight(), 16001);
    EXPECT_EQ(tc.PageMarginL(), 720);
}

TEST(CustomTable, RangeCheckedColumnsFirst)
{
    Messages messages;
    TextControl tc;
    {
        frmCustomTable dlg(&tc);
        dlg.txtCol->setText(u"51"_s);
        dlg.txtRow->setText(u"0"_s);
        EXPECT_FALSE(dlg.confirm());
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0], u"Invalid Value: Please enter a value between 1 and 50"_s);
        EXPECT_EQ(messages.icons[0], QMessageBox::Warning);
        EXPECT_EQ(dlg.txtCol->selectedText(), u"51"_s);  // the offending box, selected
        EXPECT_EQ(dlg.result(), 0);

        dlg.txtCol->setText(u"50"_s);
        EXPECT_FALSE(dlg.confirm());
        EXPECT_EQ(dlg.txtRow->selectedText(), u"0"_s);
        EXPECT_EQ(tc.TableAtInputPos(), 0);

        dlg.txtRow->setText(u"50"_s);
        EXPECT_TRUE(dlg.confirm());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    QTextTable *t = tc.textCursor().currentTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 50);
    EXPECT_EQ(t->columns(), 50);
    EXPECT_EQ(messages.shown.size(), 2);

    // Rows and columns reach the control in that order.
    TextControl other;
    frmCustomTable dlg(&other);
    dlg.txtCol->setText(u"3"_s);
    dlg.txtRow->setText(u"2"_s);
    ASSERT_TRUE(dlg.confirm());
    t = other.textCursor().currentTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 2);
    EXPECT_EQ(t->columns(), 3);
}

TEST(ImageAttributes, DistancesAndFlags)
{
    textengine::setMeasurementUnit(1);
    QTemporaryDir dir;
    const QString png = dir.filePath(u"red.png"_s);
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(png));

    TextControl tc;
    tc.setSelText(u"text "_s);
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, png, 0, 100, 100));
    tc.setSelStart(0);
    tc.setSelLength(1);
    auto *object = qobject_cast<textengine::TextObject *>(tc.ObjectCurrent());
    ASSERT_NE(object, nullptr);

    {
        // Without distances the boxes are off; the flags still apply.
        object->setKeepsDistances(false);
        object->setFastDisplay(true);
        object->setSaveAsData(false);
        frmImageDlg dlg(object);
        EXPECT_FALSE(dlg.txtLeftBorder->isEnabled());
        EXPECT_FALSE(dlg.fraBorders->isEnabled());
        EXPECT_TRUE(dlg.chkFastDisplay->isChecked());
        EXPECT_FALSE(dlg.chkSaveAsData->isChecked());
        dlg.txtLeftBorder->setText(u"1"_s);
        dlg.chkSaveAsData->setChecked(true);
        dlg.btnOK->click();
        EXPECT_EQ(object->Distance(1), 0);
        EXPECT_TRUE(object->saveAsData());
    }
    object->setKeepsDistances(true);
    object->setDistance(1, 1440);
    object->setDistance(4, 720);
    {
        frmImageDlg dlg(object);
        EXPECT_TRUE(dlg.txtLeftBorder->isEnabled());
        EXPECT_EQ(dlg.txtLeftBorder->text(), u"1.00"_s);
        EXPECT_EQ(dlg.txtBottomBorder->text(), u"0.50"_s);
        EXPECT_EQ(dlg.lblMeasurement.value(0)->text(), u"inch"_s);
        dlg.txtTopBorder->setText(u"0,25"_s);
        dlg.txtRightBorder->setText(u"99"_s);  // beyond 16 bits: kept at the largest
        dlg.chkFastDisplay->setChecked(false);
        dlg.btnCancel->click();
        EXPECT_EQ(object->Distance(2), 0);  // Cancel writes nothing
        EXPECT_TRUE(object->fastDisplay());
        dlg.btnOK->click();
        EXPECT_EQ(object->Distance(1), 1440);
        EXPECT_EQ(object->Distance(2), 360);
        EXPECT_EQ(object->Distance(3), 32767);
        EXPECT_FALSE(object->fastDisplay());
    }
}
