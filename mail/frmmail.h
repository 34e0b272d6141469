#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace kalamora {

namespace textengine {
class TextControl;
}

// The mail window: recipient, subject and the document copy that the e-mail
// command left in EML00TMP.RTF. Send Mail hands the document to the system's
// mail as an RTF attachment, or, with the send mode "Send Direct" (setting
// "USEIE" "No"), sends it as an HTML mail over SMTP itself.
class frmMail : public QDialog {
    Q_OBJECT
public:
    // Every message box of the window goes through this function; tests
    // replace it to answer instead of a user.
    using MessageFn = std::function<void(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                         const QString &text)>;
    static MessageFn &messageBox();

    // Loads the document copy from EML00TMP.RTF in the per-user data folder.
    explicit frmMail(QWidget *owner = nullptr);
    ~frmMail() override;

    QLineEdit *txtTo;
    QLineEdit *txtSub;
    textengine::TextControl *rtftext;
    QPushButton *cmdSendMail;
    QPushButton *cmdCheckServers;
    QStatusBar *sbBar;

    // The text of the status bar's second panel.
    QString status() const;
    // How long a wait for the SMTP server may last (30 s unless set).
    void setReplyTimeout(int ms) { m_replyTimeoutMs = ms; }

    void cmdSendMail_Click();
    void cmdCheckServers_Click();

    // Refuses a recipient that, trimmed, is empty or lacks "@" or ".":
    // shows the message and sets the flag MailToInvalid.
    void CheckMailTo();
    bool MailToInvalid = false;

    // The system-mail route. True when the mail program took the mail; on
    // failure "Error Sending Mail" has been shown with the reason.
    bool SendThroughMAPI();
    // The HTML mail text of the window's document copy.
    QString BuildMailBody(bool omitHeaders);
    // The direct SMTP route. True when the server accepted the mail (the
    // window then closes); on failure the window stays with the document
    // restored and the failure's message shown.
    bool SendDirect();

    // The path of the document copy the e-mail command writes.
    static QString documentCopyPath();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setStatus(const QString &text);
    void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text);
    bool reloadDocumentCopy();

    QLabel *m_panel1;
    QLabel *m_panel2;
    QString m_outServ;
    QString m_inServ;
    int m_replyTimeoutMs;
    bool m_sending = false;
};

// The e-mail command of the main window: writes the active document, with a
// blank before its first character, to EML00TMP.RTF and shows the mail window
// modally, owned by `owner`. The document itself, its selection, undo steps
// and modified state stay untouched: the blank goes into a copy. False (and
// no window) when the copy cannot be written; the reason in `error`.
bool EmailCommand(textengine::TextControl *rtftext, QWidget *owner, QString *error = nullptr);

// The export half of EmailCommand.
bool exportDocumentCopy(const textengine::TextControl &rtftext, QString *error);

} // namespace kalamora
