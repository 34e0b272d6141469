// The mail window and its settings dialog, driven as a user would, with the
// mail delivered to a loopback server through msmtp or directly.
#include "mail/frmmail.h"
#include "mail/frmservsettings.h"
#include "mail/htmlparse.h"
#include "mail/systemmail.h"
#include "tests/mail/mailtestutil.h"

#include "settings/paths.h"
#include "settings/settingsstore.h"
#include "textengine/textcontrol.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QApplication>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

struct Message {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

// Answers the window's message boxes and remembers them.
class Messages {
public:
    Messages()
    {
        frmMail::messageBox() = [this](QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) {
            seen.push_back({icon, title, text});
        };
    }
    ~Messages() { frmMail::messageBox() = [](QWidget *, QMessageBox::Icon, const QString &, const QString &) {}; }
    std::vector<Message> seen;
};

const QString hindi = u"Hkkjr \u2018egku\u2019 ns'k gS\n.\nvki dSls gSa"_s;

// A document window's control holding Hindi text in two fonts.
void fillDocument(textengine::TextControl &doc)
{
    doc.setText(hindi);
    doc.setSelStart(0);
    doc.setSelLength(5);
    doc.setFontName(u"Glyphora 010"_s);
    doc.setFontSize(20);
    doc.setSelStart(7);
    doc.setSelLength(4);
    doc.document()->setModified(false);
}

QByteArray fakeFont()
{
    QByteArray b;
    for (int i = 0; i < 4096; ++i)
        b += static_cast<char>((i * 131 + 7) & 0xFF);
    return b;
}

class MailWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetMailSettings();
        program.write(u"GO10.TTF"_s, fakeFont());
        fillDocument(document);
        ASSERT_TRUE(exportDocumentCopy(document, nullptr));
    }
    ScratchProgramDir program;
    textengine::TextControl document;
    Messages messages;
};

} // namespace

TEST_F(MailWindowTest, EmailCommandLeavesTheDocumentUntouched)
{
    const int undoSteps = document.document()->availableUndoSteps();
    ASSERT_TRUE(exportDocumentCopy(document, nullptr));
    EXPECT_EQ(document.Text(), hindi);
    EXPECT_EQ(document.SelStart(), 7);
    EXPECT_EQ(document.SelLength(), 4);
    EXPECT_FALSE(document.document()->isModified());
    EXPECT_EQ(document.document()->availableUndoSteps(), undoSteps);

    // The copy carries the leading blank and the formats, and the window
    // shows it.
    frmMail w;
    EXPECT_EQ(w.windowTitle(), u"E-Mail"_s);
    EXPECT_EQ(w.rtftext->Text(), u" "_s + hindi);
    w.rtftext->setSelStart(2);
    EXPECT_EQ(w.rtftext->FontName(), u"Glyphora 010"_s);
    EXPECT_EQ(w.rtftext->FontSize(), 20);
}

TEST_F(MailWindowTest, RecipientCheckAndEscape)
{
    frmMail w;
    w.show();
    for (const char *bad : {"", "   ", "reader", "reader@example", "reader.example.com"}) {
        messages.seen.clear();
        w.txtTo->setText(QString::fromLatin1(bad));
        w.cmdSendMail->click();
        ASSERT_EQ(messages.seen.size(), 1u) << bad;
        EXPECT_EQ(messages.seen[0].text, u"Invalid 'Mail To:' Address"_s);
        EXPECT_EQ(messages.seen[0].title, u"Kalamora"_s);
        EXPECT_FALSE(w.MailToInvalid);
        EXPECT_TRUE(w.isVisible()) << bad;
    }
    w.txtTo->setText(u"  reader@example.com  "_s);
    w.CheckMailTo();
    EXPECT_FALSE(w.MailToInvalid);

    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(MailWindowTest, SystemMailCarriesTheDocumentAndTheFont)
{
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    QTemporaryDir tools;
    SettingsStore().writeString(u"SendmailPath"_s, msmtpWrapper(tools, peer.port()));

    for (const bool withFont : {true, false}) {
        SettingsStore().writeString(u"AttachFnt"_s, withFont ? u"Yes"_s : u"No"_s);
        frmMail w;
        w.show();
        w.txtTo->setText(u" reader@example.com"_s);
        w.txtSub->setText(u"Patra"_s);
        const QByteArray rtf = w.rtftext->toRtf();
        w.cmdSendMail->click();
        EXPECT_TRUE(messages.seen.empty()) << messages.seen[0].text.toStdString();
        EXPECT_EQ(w.status(), u"Your Mail is sent..."_s);
        EXPECT_FALSE(w.isVisible());
        EXPECT_FALSE(QFile::exists(kalamora::userDataFolder() + u"/Patra.RTF"_s));   // removed after sending

        const int n = withFont ? 1 : 2;
        ASSERT_EQ(peer.messageCount(), n);
        const QJsonObject parsed = parseWithPython(peer.outDir() + u"/msg-%1.eml"_s.arg(n));
        EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Patra"_s);
        const QJsonArray parts = parsed[u"parts"_s].toArray();
        ASSERT_EQ(parts.size(), withFont ? 3 : 2);
        EXPECT_EQ(QString::fromUtf8(QByteArray::fromBase64(parts[0][u"data"_s].toString().toLatin1())),
                  mail::noteText(withFont));
        EXPECT_EQ(parts[1][u"filename"_s].toString(), u"Patra.RTF"_s);
        EXPECT_EQ(QByteArray::fromBase64(parts[1][u"data"_s].toString().toLatin1()), rtf);
        if (withFont) {
            EXPECT_EQ(parts[2][u"filename"_s].toString(), u"GO10.TTF"_s);
            EXPECT_EQ(QByteArray::fromBase64(parts[2][u"data"_s].toString().toLatin1()), fakeFont());
        }
    }
}

TEST_F(MailWindowTest, FailedSystemMailKeepsTheWindow)
{
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    QTemporaryDir tools;
    const QString sendmail = msmtpWrapper(tools, peer.port());
    struct Case {
        QString subject;
        QString sendmailPath;
        QString reasonPart;
    };
    const std::vector<Case> cases = {
        {u"../../escape"_s, sendmail, u"cannot name the attached file"_s},
        {u"what?"_s, sendmail, u"cannot name the attached file"_s},
        {u"a\\b"_s, sendmail, u"cannot name the attached file"_s},
        {u"Patra"_s, u"/nonexistent/sendmail"_s, u"/nonexistent/sendmail"_s},
    };
    for (const Case &c : cases) {
        messages.seen.clear();
        SettingsStore().writeString(u"SendmailPath"_s, c.sendmailPath);
        frmMail w;
        w.show();
        w.txtTo->setText(u"reader@example.com"_s);
        w.txtSub->setText(c.subject);
        w.cmdSendMail->click();
        ASSERT_EQ(messages.seen.size(), 1u) << c.subject.toStdString();
        EXPECT_EQ(messages.seen[0].title, u"Error Sending Mail"_s);
        EXPECT_TRUE(messages.seen[0].text.contains(c.reasonPart)) << messages.seen[0].text.toStdString();
        EXPECT_NE(w.status(), u"Your Mail is sent..."_s);
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(peer.messageCount(), 0);
    EXPECT_FALSE(QFile::exists(kalamora::userDataFolder() + u"/../../escape.RTF"_s));
    EXPECT_FALSE(QFile::exists(kalamora::userDataFolder() + u"/Patra.RTF"_s));
}

TEST_F(MailWindowTest, DirectRoute)
{
    SettingsStore s;
    s.writeString(u"USEIE"_s, u"No"_s);
    s.writeString(u"InServ"_s, u" writer@example.com "_s);

    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    s.writeString(u"OutServ"_s, peer.server());
    {
        frmMail w;
        w.show();
        w.txtTo->setText(u"reader@example.com"_s);
        w.txtSub->setText(u"Seedha \u0926\u0947\u0936 \u2018x\u2019"_s);
        w.cmdSendMail->click();
        EXPECT_TRUE(messages.seen.empty());
        EXPECT_EQ(w.status(), u"Mail Sent"_s);
        EXPECT_FALSE(w.isVisible());
        ASSERT_EQ(peer.messageCount(), 1);
        EXPECT_EQ(peer.envelope()[u"mail_from"_s].toString(), u"writer@example.com"_s);
        const QJsonObject parsed = parseWithPython(peer.outDir() + u"/msg-1.eml"_s);
        expectWellFormed(parsed, "direct route");
        EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Seedha \u0926\u0947\u0936 \u2018x\u2019"_s);
        const QByteArray body = QByteArray::fromBase64(parsed[u"parts"_s][0][u"data"_s].toString().toLatin1());
        EXPECT_TRUE(body.contains("face=\"'Glyph Ora 010', 'Glyphora 010'\"> Hkkjr")) << body.toStdString();
        EXPECT_TRUE(body.contains("\x91" "egku\x92")) << body.toStdString();
    }

    struct Case {
        const char *mode;
        const char *title;
        int timeoutMs;
    };
    for (const Case &c : {Case{"rcpt550", "Invalid Recipient", 5000}, Case{"silent", "Server Time Out", 300},
                          Case{"drop", "Error", 5000}}) {
        messages.seen.clear();
        SmtpPeer bad(QString::fromLatin1(c.mode));
        ASSERT_TRUE(bad.ok());
        s.writeString(u"OutServ"_s, bad.server());
        frmMail w;
        w.setReplyTimeout(c.timeoutMs);
        w.show();
        w.txtTo->setText(u"reader@example.com"_s);
        w.txtSub->setText(u"Seedha"_s);
        w.cmdSendMail->click();
        ASSERT_EQ(messages.seen.size(), 1u) << c.mode;
        EXPECT_EQ(messages.seen[0].title.toStdString(), c.title);
        EXPECT_TRUE(w.isVisible()) << c.mode;
        EXPECT_NE(w.status(), u"Mail Sent"_s);
        EXPECT_EQ(w.rtftext->Text(), u" "_s + hindi) << c.mode;   // the document, not the mail text
        EXPECT_EQ(bad.messageCount(), 0);
    }
}

TEST(MailSettingsDialog, LoadsSavesAndCancels)
{
    resetMailSettings();
    {
        frmServSettings d;
        EXPECT_EQ(d.windowTitle(), u"E Mail Settings"_s);
        EXPECT_EQ(d.txtOutServ->text(), u"localhost"_s);
        EXPECT_EQ(d.txtInServ->text(), u"user@localhost"_s);
        EXPECT_EQ(d.TxtUserID->text(), u"xyz"_s);
        EXPECT_TRUE(d.chkFontInfo->isChecked());
        EXPECT_TRUE(d.chkAttFont->isChecked());
        EXPECT_TRUE(d.optMAPI->isChecked());
        EXPECT_FALSE(d.optWinsock->isChecked());

        d.txtOutServ->setText(u"smtp.example.com"_s);
        d.Command1->click();
        EXPECT_FALSE(SettingsStore().contains(u"OutServ"_s));
    }
    {
        frmServSettings d;
        d.txtInServ->setText(u"me@example.com"_s);
        d.txtOutServ->setText(u"smtp.example.com"_s);
        d.TxtUserID->setText(u"me"_s);
        d.chkFontInfo->setTristate(true);
        d.chkFontInfo->setCheckState(Qt::PartiallyChecked);   // any state but unchecked is "Yes"
        d.chkAttFont->setChecked(false);
        d.optWinsock->setChecked(true);
        d.cmdOK->click();
    }
    SettingsStore s;
    EXPECT_EQ(s.readString(u"InServ"_s), u"me@example.com"_s);
    EXPECT_EQ(s.readString(u"OutServ"_s), u"smtp.example.com"_s);
    EXPECT_EQ(s.readString(u"UserId"_s), u"me"_s);
    EXPECT_EQ(s.readString(u"FntInfo"_s), u"Yes"_s);
    EXPECT_EQ(s.readString(u"AttachFnt"_s), u"No"_s);
    EXPECT_EQ(s.readString(u"USEIE"_s), u"No"_s);

    frmServSettings again;
    EXPECT_TRUE(again.optWinsock->isChecked());
    EXPECT_FALSE(again.chkAttFont->isChecked());
}

TEST(MailHtmlFromRtf, RunsOfARtfDocument)
{
    textengine::TextControl box;
    ASSERT_TRUE(box.setRtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Glyphora 010;}{\\f1 Arial;}}"
                           "\\f0\\fs40 d\\'91 \\b x\\b0\\par\n\\f1\\fs21 a&b \\'d7\\'cf\\par\n.\\par}"));
    const QString mail = HTMLParse(u"S"_s, {}, {.fontInfo = false}).ParseHTML(*box.document(), true, false);
    EXPECT_EQ(mail.toStdString(),
              QString(u"\r\n<html>\r\n<font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">d\u2018 </font>"
                      u"<font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">x\r<br></font>"
                      u"<font size=\"3\" face=\"Arial\">a&amp;b \u00D7&Iuml\r<br>.</font>"_s).toStdString());
}

TEST_F(MailWindowTest, EmailCommandShowsTheWindowModally)
{
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        if (auto *w = qobject_cast<frmMail *>(QApplication::activeModalWidget())) {
            shown = w->rtftext->Text() == u" "_s + hindi;
            QTest::keyClick(w, Qt::Key_Escape);
        }
    });
    EXPECT_TRUE(EmailCommand(&document, nullptr));
    EXPECT_TRUE(shown);
    EXPECT_EQ(document.Text(), hindi);
}
