// The control's dialogs, answered through the dialog and message hooks, and
// the lengths they show.
#include "document/units.h"
#include "tests/textengine/printers.h"
#include "textengine/dialogs.h"
#include "textengine/dialogunits.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::FindReplaceDialog;
using textengine::TextControl;

namespace {

// Answers every dialog with `answer` and records every message box.
struct Hooks {
    QStringList messages;
    textengine::DialogHook oldDialog;
    textengine::MessageHook oldMessage;
    explicit Hooks(std::function<int(QDialog *)> answer)
    {
        oldDialog = textengine::setDialogHook(std::move(answer));
        oldMessage = textengine::setMessageHook(
            [this](QWidget *, QMessageBox::Icon, const QString &, const QString &text, QMessageBox::StandardButtons) {
                messages << text;
                return int(QMessageBox::Ok);
            });
    }
    ~Hooks()
    {
        textengine::setDialogHook(oldDialog);
        textengine::setMessageHook(oldMessage);
    }
};

void setEdit(QDialog *d, const char *name, const QString &text)
{
    auto *e = d->findChild<QLineEdit *>(QString::fromLatin1(name));
    ASSERT_NE(e, nullptr) << name;
    e->setText(text);
}

} // namespace

TEST(Dialogs, FindWithMatchCaseWholeWordAndWrapping)
{
    TextControl tc;
    tc.setText(u"ka KA kaka ka."_s);
    struct Step {
        bool matchCase, wholeWord;
        int from;
        int expectStart;  // -1: not found
        bool wrapMessage;
    } steps[] = {
        {true, false, 0, 0, false},   {true, false, 1, 6, false},  {false, false, 1, 3, false},
        {true, true, 1, 11, false},   {true, true, 12, 0, true},   {true, false, 13, 0, true},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << s.matchCase << s.wholeWord << " from " << s.from);
        bool found = false;
        Hooks hooks([&](QDialog *d) {
            auto *f = qobject_cast<FindReplaceDialog *>(d);
            EXPECT_NE(f, nullptr);
            EXPECT_FALSE(f->replaceEdit()->isVisibleTo(f));
            f->findEdit()->setText(u"ka"_s);
            f->matchCaseBox()->setChecked(s.matchCase);
            f->wholeWordBox()->setChecked(s.wholeWord);
            found = f->findNext();
            return int(QDialog::Rejected);
        });
        tc.setSelStart(s.from);
        EXPECT_TRUE(tc.FindReplace(1));
        EXPECT_TRUE(found);
        EXPECT_EQ(tc.SelStart(), s.expectStart);
        EXPECT_EQ(tc.SelLength(), 2);
        EXPECT_EQ(hooks.messages.size(), s.wrapMessage ? 1 : 0);
    }
    // Nothing found anywhere: a message, the selection stays.
    Hooks hooks([](QDialog *d) {
        auto *f = qobject_cast<FindReplaceDialog *>(d);
        f->findEdit()->setText(u"xyz"_s);
        EXPECT_FALSE(f->findNext());
        f->findEdit()->clear();
        EXPECT_FALSE(f->findNext());  // an empty text searches nothing
        return int(QDialog::Rejected);
    });
    tc.setSelStart(4);
    tc.FindReplace(1);
    EXPECT_EQ(hooks.messages.size(), 1);
    EXPECT_EQ(tc.SelStart(), 4);
    EXPECT_FALSE(tc.FindReplace(3));
}

TEST(Dialogs, ReplaceAndReplaceAllEndAndUndoAsOneStep)
{
    TextControl tc;
    tc.setText(u"ka KA kaka ka."_s);
    int count = -1;
    Hooks hooks([&](QDialog *d) {
        auto *f = qobject_cast<FindReplaceDialog *>(d);
        EXPECT_TRUE(f->replaceEdit()->isVisibleTo(f));
        f->findEdit()->setText(u"ka"_s);
        f->replaceEdit()->setText(u"kaka"_s);  // holds what it replaces
        f->matchCaseBox()->setChecked(true);
        count = f->replaceAll();
        return int(QDialog::Rejected);
    });
    tc.FindReplace(2);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(tc.Text(), u"kaka KA kakakaka kaka."_s);
    EXPECT_EQ(hooks.messages.size(), 1);
    tc.document()->undo();
    EXPECT_EQ(tc.Text(), u"ka KA kaka ka."_s);

    // Replace: the selected match is replaced and the next one selected; a
    // selection that is no match is only moved past.
    Hooks one([&](QDialog *d) {
        auto *f = qobject_cast<FindReplaceDialog *>(d);
        f->findEdit()->setText(u"ka"_s);
        f->replaceEdit()->setText(u"X"_s);
        f->wholeWordBox()->setChecked(true);
        f->matchCaseBox()->setChecked(true);
        EXPECT_FALSE(f->replace());  // caret at 0, nothing selected yet: finds the first
        EXPECT_EQ(tc.SelStart(), 0);
        EXPECT_TRUE(f->replace());
        EXPECT_EQ(tc.SelStart(), 10);
        return int(QDialog::Rejected);
    });
    tc.setSelStart(0);
    tc.FindReplace(2);
    EXPECT_EQ(tc.Text(), u"X KA kaka ka."_s);
}

TEST(Dialogs, ParagraphDialogSetsIndentsSpacingAndAlignmentInTheUnit)
{
    TextControl tc;
    tc.setText(u"one\ntwo"_s);
    tc.setSelStart(0);
    Hooks hooks([](QDialog *d) {
        EXPECT_EQ(d->objectName(), u"ParagraphDialog"_s);
        setEdit(d, "left", u"1"_s);
        setEdit(d, "firstLine", u"-0,5"_s);
        setEdit(d, "right", u"0.25"_s);
        setEdit(d, "spaceBefore", u"0.1"_s);
        d->findChild<QComboBox *>(u"alignment"_s)->setCurrentIndex(2);
        d->findChild<QComboBox *>(u"lineSpacing"_s)->setCurrentIndex(2);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(tc.ParagraphDialog());
    EXPECT_EQ(tc.SelIndent(), 720);          // the first line starts half an inch in
    EXPECT_EQ(tc.SelHangingIndent(), 720);   // the other lines an inch in
    EXPECT_EQ(tc.SelRightIndent(), 360);
    EXPECT_EQ(tc.AlignMent(), 2);
    const QTextBlockFormat bf = tc.textCursor().blockFormat();
    EXPECT_NEAR(document::unitsToTwips(bf.topMargin()), 144, 1);
    EXPECT_EQ(bf.lineHeight(), 200);
    // The dialog opens with what the paragraph has; Cancel changes nothing.
    Hooks check([](QDialog *d) {
        EXPECT_EQ(d->findChild<QLineEdit *>(u"left"_s)->text(), u"1.00"_s);
        EXPECT_EQ(d->findChild<QLineEdit *>(u"firstLine"_s)->text(), u"-0.50"_s);
        setEdit(d, "left", u"3"_s);
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(tc.ParagraphDialog());
    EXPECT_EQ(tc.SelHangingIndent(), 720);
    // The second paragraph was not selected.
    tc.setSelStart(5);
    EXPECT_EQ(tc.SelIndent(), 0);
}

TEST(Dialogs, TableAttributesAndFont)
{
    TextControl tc;
    tc.setText(u"x"_s);
    EXPECT_FALSE(tc.TableAttrDialog());  // no table at the caret
    ASSERT_TRUE(tc.TableInsert(2, 3, -1));
    Hooks hooks([](QDialog *d) {
        setEdit(d, "border", u"0.02"_s);
        setEdit(d, "padding", u"0.1"_s);
        setEdit(d, "spacing", u"0"_s);
        setEdit(d, "columns", u"1; 2;"_s);
        setEdit(d, "background", u"#ff0000"_s);
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(tc.TableAttrDialog());
    const QTextTableFormat tf = tc.textCursor().currentTable()->format();
    EXPECT_NEAR(document::unitsToTwips(tf.border()), 29, 1);
    EXPECT_NEAR(document::unitsToTwips(tf.cellPadding()), 144, 1);
    EXPECT_EQ(tf.background().color(), QColor(Qt::red));
    const auto widths = tf.columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_NEAR(document::unitsToTwips(widths[0].rawValue()), 1440, 1);
    EXPECT_NEAR(document::unitsToTwips(widths[1].rawValue()), 2880, 1);
    EXPECT_EQ(widths[2].type(), QTextLength::VariableLength);
    // What the dialog set survives RTF.
    TextControl back;
    ASSERT_TRUE(back.setRtf(tc.toRtf()));
    EXPECT_EQ(back.Text(), tc.Text());

    // The font dialog applies only what was changed in it.
    TextControl ft;
    ft.setText(u"abc"_s);
    ft.setSelStart(0);
    ft.setSelLength(3);
    const QString family = ft.FontName();
    Hooks font([](QDialog *d) {
        auto *fd = qobject_cast<QFontDialog *>(d);
        EXPECT_NE(fd, nullptr);
        QFont f = fd->currentFont();
        f.setUnderline(true);  // styles depend on the installed fonts; effects do not
        f.setPointSize(20);
        fd->setCurrentFont(f);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(ft.FontDialog());
    EXPECT_TRUE(ft.FontUnderline());
    EXPECT_EQ(ft.FontSize(), 20);
    EXPECT_FALSE(ft.FontBold());
    EXPECT_FALSE(ft.FontItalic());
    EXPECT_EQ(ft.FontName(), family);
}

// The text engine's dialogs read their boxes with a converter of their own
// that disagreed with DlgString2Twips ("1e1" gave an inch, not ten) and
// showed a length just below zero as "-0.00": every length box now reads
// and shows through the one converter.
TEST(Dialogs, TwoConvertersOfDialogTextDisagreed)
{
    textengine::setMeasurementUnit(1);
    const QString texts[] = {u"1e1"_s, u"0,25"_s, u"1d-1"_s, u" 1 . 5 "_s, u"abc"_s};
    for (const QString &text : texts) {
        TextControl tc;
        tc.setText(u"x"_s);
        ASSERT_TRUE(tc.TableInsert(1, 2, -1));
        Hooks hooks([&](QDialog *d) {
            if (d->objectName() == u"ParagraphDialog"_s)
                setEdit(d, "right", text);
            else
                setEdit(d, "padding", text);
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(tc.ParagraphDialog());
        ASSERT_TRUE(tc.TableAttrDialog());
        const int twips = DlgString2Twips(text);
        EXPECT_EQ(tc.SelRightIndent(), twips) << text.toStdString();
        const double padding = document::unitsToTwips(tc.textCursor().currentTable()->format().cellPadding());
        EXPECT_NEAR(padding, std::clamp(twips, 0, 1440), 1) << text.toStdString();
    }
    // A first line a twip to the left of the others shows as nothing, not "-0.00".
    TextControl tc;
    tc.setText(u"x"_s);
    tc.setSelHangingIndent(1);
    Hooks hooks([](QDialog *d) {
        EXPECT_EQ(d->findChild<QLineEdit *>(u"firstLine"_s)->text(), u"0.00"_s);
        return int(QDialog::Rejected);
    });
    tc.ParagraphDialog();
}
