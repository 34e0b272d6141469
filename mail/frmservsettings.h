#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kalamora {

// The mail settings dialog: fills its controls from the settings on load,
// writes them all back on OK, leaves them on Cancel.
class frmServSettings : public QDialog {
    Q_OBJECT
public:
    explicit frmServSettings(QWidget *owner = nullptr);

    QLineEdit *txtInServ;
    QLineEdit *txtOutServ;
    QLineEdit *TxtUserID;
    QCheckBox *chkFontInfo;
    QCheckBox *chkAttFont;
    QRadioButton *optWinsock;
    QRadioButton *optMAPI;
    QPushButton *cmdOK;
    QPushButton *Command1;

    void cmdOK_Click();
    void Command1_Click();
};

} // namespace kalamora
