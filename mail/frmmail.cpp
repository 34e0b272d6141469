#include "mail/frmmail.h"

#include "mail/frmservsettings.h"
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "mail/smtpclient.h"
#include "mail/systemmail.h"

#include "settings/mailsettings.h"
#include "settings/paths.h"
#include "textengine/textcontrol.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

// Restores the normal cursor however the send ends.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

QMessageBox::Icon boxIcon(SmtpClient::Failure::Icon icon)
{
    switch (icon) {
    case SmtpClient::Failure::Icon::Information: return QMessageBox::Information;
    case SmtpClient::Failure::Icon::Warning: return QMessageBox::Warning;
    case SmtpClient::Failure::Icon::Critical: return QMessageBox::Critical;
    case SmtpClient::Failure::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

frmMail::MessageFn &frmMail::messageBox()
{
    static MessageFn fn = [](QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
        box.exec();
    };
    return fn;
}

QString frmMail::documentCopyPath()
{
    return kalamora::userDataFolder() + u"/EML00TMP.RTF"_s;
}

frmMail::frmMail(QWidget *owner) : QDialog(owner), m_replyTimeoutMs(SmtpClient::DefaultTimeoutMs)
{
    setObjectName(u"frmMail"_s);
    setWindowTitle(u"E-Mail"_s);

    txtTo = new QLineEdit(this);
    txtSub = new QLineEdit(this);
    txtTo->setObjectName(u"txtTo"_s);
    txtSub->setObjectName(u"txtSub"_s);
    auto *fields = new QGridLayout;
    auto *toLabel = new QLabel(u"Mail To:"_s, this);
    auto *subLabel = new QLabel(u"Subject:"_s, this);
    toLabel->setBuddy(txtTo);
    subLabel->setBuddy(txtSub);
    fields->addWidget(toLabel, 0, 0);
    fields->addWidget(txtTo, 0, 1);
    fields->addWidget(subLabel, 1, 0);
    fields->addWidget(txtSub, 1, 1);

    rtftext = new textengine::TextControl(this);
    rtftext->setObjectName(u"rtftext"_s);

    cmdSendMail = new QPushButton(u"&Send Mail"_s, this);
    cmdCheckServers = new QPushButton(u"S&ettings"_s, this);
    cmdSendMail->setObjectName(u"cmdSendMail"_s);
    cmdCheckServers->setObjectName(u"cmdCheckServers"_s);
    cmdSendMail->setAutoDefault(false);
    cmdCheckServers->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdSendMail);
    buttons->addWidget(cmdCheckServers);
    buttons->addStretch();

    sbBar = new QStatusBar(this);
    sbBar->setObjectName(u"sbBar"_s);
    sbBar->setSizeGripEnabled(false);
    m_panel1 = new QLabel(this);
    m_panel2 = new QLabel(this);
    sbBar->addWidget(m_panel1);
    sbBar->addWidget(m_panel2, 1);

    auto *top = new QVBoxLayout(this);
    top->addLayout(fields);
    top->addWidget(rtftext, 1);
    top->addLayout(buttons);
    top->addWidget(sbBar);
    resize(640, 480);

    connect(cmdSendMail, &QPushButton::clicked, this, &frmMail::cmdSendMail_Click);
    connect(cmdCheckServers, &QPushButton::clicked, this, &frmMail::cmdCheckServers_Click);

    reloadDocumentCopy();
}

frmMail::~frmMail() = default;

QString frmMail::status() const
{
    return m_panel2->text();
}

void frmMail::setStatus(const QString &text)
{
    m_panel2->setText(text);
}

void frmMail::showMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    messageBox()(this, icon, title, text);
}

bool frmMail::reloadDocumentCopy()
{
    return rtftext->Load(documentCopyPath(), 0, textengine::TextControl::FormatRtf);
}

void frmMail::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        // While a send runs, its own time-out ends it; the window stays.
        if (!m_sending)
            reject();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmMail::closeEvent(QCloseEvent *event)
{
    // The send in progress owns the window until it ends.
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmMail::cmdCheckServers_Click()
{
    frmServSettings settings(this);
    settings.exec();
}

void frmMail::CheckMailTo()
{
    if (!mail::isValidMailTo(txtTo->text())) {
        showMessage(QMessageBox::NoIcon, u"Kalamora"_s, u"Invalid 'Mail To:' Address"_s);
        MailToInvalid = true;
    }
}

void frmMail::cmdSendMail_Click()
{
    if (m_sending)
        return;
    CheckMailTo();
    if (MailToInvalid) {
        MailToInvalid = false;
        return;
    }
    const kalamora::MailSettings settings = kalamora::MailSettings::read();
    m_outServ = settings.server();
    m_inServ = settings.sender();

    m_sending = true;
    cmdSendMail->setEnabled(false);
    bool sent = false;
    if (!settings.useMapi) {
        sent = SendDirect();
    } else {
        QCoreApplication::processEvents();
        setStatus(u"Please Wait... Loading MAPI Client"_s);
        sent = SendThroughMAPI();
        if (sent)
            setStatus(u"Your Mail is sent..."_s);
    }
    m_sending = false;
    cmdSendMail->setEnabled(true);
    // A mail that did not go keeps the window, so the user can try again.
    if (sent)
        accept();
}

bool frmMail::SendThroughMAPI()
{
    const kalamora::MailSettings settings = kalamora::MailSettings::read();
    const bool withFont = settings.attachFont;
    BusyCursor busy;

    auto failed = [this](const QString &reason) {
        showMessage(QMessageBox::Warning, u"Error Sending Mail"_s, reason);
        return false;
    };

    // The attachment is written under the subject's name, so the subject must
    // be a file name, and it is written only into the per-user data folder.
    const QString subject = txtSub->text();
    const QString attachmentName = subject + u".RTF"_s;
    if (!mail::isValidFileName(attachmentName))
        return failed(u"The subject \"%1\" cannot name the attached file: a file name cannot hold any of "
                      u"\\ / : * ? \" < > | or control characters."_s.arg(subject));
    const QString attachmentPath = kalamora::userDataFolder() + u'/' + attachmentName;
    if (!rtftext->Save(attachmentPath, 0, textengine::TextControl::FormatRtf))
        return failed(rtftext->errorString());

    mail::SystemMessage message{txtTo->text(), subject, mail::noteText(withFont), {}};
    QString reason;
    {
        QFile rtf(attachmentPath);
        if (rtf.open(QIODevice::ReadOnly))
            message.attachments.append({attachmentName, rtf.readAll(), u"application/rtf"_s});
        else
            reason = u"Cannot read %1: %2"_s.arg(attachmentPath, rtf.errorString());
    }
    if (reason.isEmpty() && withFont) {
        const QString fontPath = kalamora::programFolder() + u"/GO10.TTF"_s;
        QFile font(fontPath);
        if (font.open(QIODevice::ReadOnly))
            message.attachments.append({u"GO10.TTF"_s, font.readAll(), u"application/octet-stream"_s});
        else
            reason = u"Cannot read the font file %1: %2"_s.arg(fontPath, font.errorString());
    }
    if (reason.isEmpty())
        mail::submitToSendmail(settings.sendmailPath, mail::buildSystemMessage(message), &reason);
    QFile::remove(attachmentPath);
    if (!reason.isEmpty())
        return failed(reason);
    return true;
}

QString frmMail::BuildMailBody(bool omitHeaders)
{
    const kalamora::MailSettings settings = kalamora::MailSettings::read();
    HTMLParse parse(txtSub->text(), [this](const QString &title, const QString &text) {
        showMessage(QMessageBox::Warning, title, text);
    }, mail::bodyOptions(settings));
    return parse.ParseHTML(*rtftext->document(), omitHeaders, false);
}

bool frmMail::SendDirect()
{
    setStatus(u"Retrieving Mail Settings"_s);
    setStatus(u"Settings Retrieved"_s);
    const QString mailText = BuildMailBody(false);
    // The box shows the mail text while it goes out.
    rtftext->setText(mailText);

    SmtpClient client;
    connect(&client, &SmtpClient::statusChanged, this, &frmMail::setStatus);
    client.setServer(m_outServ);
    client.setSender(m_inServ);
    client.setRecipient(txtTo->text());
    client.setTimeout(m_replyTimeoutMs);
    if (client.send(mail::directMessage(mailText, m_inServ, txtTo->text())))
        return true;

    // Failure exit: the box shows the document again, then the reason.
    reloadDocumentCopy();
    const SmtpClient::Failure &f = client.failure();
    if (!f.title.isEmpty() || !f.text.isEmpty())
        showMessage(boxIcon(f.icon), f.title, f.text);
    if (!f.status.isEmpty())
        setStatus(f.status);
    return false;
}

bool exportDocumentCopy(const textengine::TextControl &rtftext, QString *error)
{
    // The copy, not the document, gets the leading blank: the user's text,
    // selection, undo steps and modified state are never touched.
    textengine::TextControl copy;
    copy.setPageSetup(rtftext.pageSetup());
    copy.setRightMargin(rtftext.RightMargin());
    if (!copy.setRtf(rtftext.toRtf())) {
        if (error)
            *error = copy.errorString();
        return false;
    }
    copy.setSelStart(0);
    copy.setSelLength(0);
    copy.setSelText(u" "_s);
    if (!copy.RTFExport(frmMail::documentCopyPath())) {
        if (error)
            *error = copy.errorString();
        return false;
    }
    return true;
}

bool EmailCommand(textengine::TextControl *rtftext, QWidget *owner, QString *error)
{
    if (!rtftext)
        return false;
    QString reason;
    if (!exportDocumentCopy(*rtftext, &reason)) {
        frmMail::messageBox()(owner, QMessageBox::Warning, u"E-Mail"_s, reason);
        if (error)
            *error = reason;
        return false;
    }
    frmMail mail(owner);
    mail.exec();
    return true;
}

} // namespace kalamora
