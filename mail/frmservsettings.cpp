#include "mail/frmservsettings.h"

#include "settings/mailsettings.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

QLabel *hint(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setEnabled(false);
    return l;
}

} // namespace

frmServSettings::frmServSettings(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(u"E Mail Settings"_s);
    setObjectName(u"frmServSettings"_s);

    auto *frame = new QGroupBox(u"E-mail Settings"_s, this);
    auto *grid = new QGridLayout(frame);

    txtInServ = new QLineEdit(frame);
    txtOutServ = new QLineEdit(frame);
    TxtUserID = new QLineEdit(frame);
    txtInServ->setObjectName(u"txtInServ"_s);
    txtOutServ->setObjectName(u"txtOutServ"_s);
    TxtUserID->setObjectName(u"TxtUserID"_s);

    auto addField = [&](int row, const QString &caption, QLineEdit *edit, const QString &example) {
        auto *label = new QLabel(caption, frame);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(hint(example, frame), row, 2);
    };
    addField(0, u"&Your E-mail Address"_s, txtInServ, u"Ex. abc@example.com"_s);
    addField(1, u"&Outgoing Mail Server:"_s, txtOutServ, u"Ex. smtp.example.com"_s);
    addField(2, u"&User ID:"_s, TxtUserID, u"Ex. abc"_s);

    chkFontInfo = new QCheckBox(u"&Attach Download Info For Font"_s, frame);
    chkAttFont = new QCheckBox(u"Attach &Font With Mail"_s, frame);
    chkFontInfo->setObjectName(u"chkFontInfo"_s);
    chkAttFont->setObjectName(u"chkAttFont"_s);
    grid->addWidget(chkFontInfo, 3, 0, 1, 3);
    grid->addWidget(chkAttFont, 4, 0, 1, 3);

    auto *mode = new QGroupBox(u"Send Mode"_s, frame);
    auto *modeLayout = new QHBoxLayout(mode);
    optWinsock = new QRadioButton(u"&Send Direct"_s, mode);
    optMAPI = new QRadioButton(u"Use MAPI (Outlook, etc.)"_s, mode);
    optWinsock->setObjectName(u"optWinsock"_s);
    optMAPI->setObjectName(u"optMAPI"_s);
    modeLayout->addWidget(optWinsock);
    modeLayout->addWidget(optMAPI);
    grid->addWidget(mode, 5, 0, 1, 3);

    auto *note = new QLabel(u"You don't need to filll this if you have MS Outlook Express. "
                            u"Just Set 'Send Mode' To 'Use Outlook (IE)'"_s, frame);
    note->setWordWrap(true);
    grid->addWidget(note, 6, 0, 1, 3);
    auto *advice = new QLabel(u"If the program cannot send your mail, save the document in RTF format "
                              u"and send it as an attachment with your normal mail."_s, frame);
    advice->setWordWrap(true);
    grid->addWidget(advice, 7, 0, 1, 3);

    cmdOK = new QPushButton(u"OK"_s, this);
    Command1 = new QPushButton(u"&Cancel"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    Command1->setObjectName(u"Command1"_s);
    cmdOK->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(Command1);

    auto *top = new QVBoxLayout(this);
    top->addWidget(frame);
    top->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &frmServSettings::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmServSettings::Command1_Click);

    // Load: every control from its setting, with the readers' defaults.
    const kalamora::MailSettings m = kalamora::MailSettings::read();
    txtInServ->setText(m.inServ);
    txtOutServ->setText(m.outServ);
    TxtUserID->setText(m.userID);
    chkFontInfo->setChecked(m.fontInfo);
    chkAttFont->setChecked(m.attachFont);
    optMAPI->setChecked(m.useMapi);
    optWinsock->setChecked(!m.useMapi);
}

void frmServSettings::cmdOK_Click()
{
    SettingsStore s;
    kalamora::MailSettings m = kalamora::MailSettings::read(s);
    m.inServ = txtInServ->text();
    m.outServ = txtOutServ->text();
    m.userID = TxtUserID->text();
    m.fontInfo = chkFontInfo->checkState() != Qt::Unchecked;
    m.attachFont = chkAttFont->checkState() != Qt::Unchecked;
    m.useMapi = optMAPI->isChecked();
    m.write(s);
    accept();
}

void frmServSettings::Command1_Click()
{
    reject();
}

} // namespace kalamora
