#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalamora {

namespace textengine {
class TextControl;
class TextObject;
} // namespace textengine

// Table > Insert...: rows and columns, each 1 to 50; OK (Command2) inserts
// the table at the caret of the control and closes, a value out of range is
// refused with a message (columns checked first) and the box it came from
// gets the focus with its text selected. Cancel is Command1.
class frmCustomTable : public QDialog {
    Q_OBJECT

public:
    explicit frmCustomTable(textengine::TextControl *text, QWidget *parent = nullptr);

    QLineEdit *txtRow, *txtCol;
    QPushButton *Command2, *Command1;

    // OK: returns whether the table was inserted.
    bool confirm();

private:
    QPointer<textengine::TextControl> m_text;
};

// Format > Image...: the distances between an object and the text around
// it (when it keeps any) and its two flags.
class frmImageDlg : public QDialog {
    Q_OBJECT

public:
    explicit frmImageDlg(textengine::TextObject *object, QWidget *parent = nullptr);

    QLineEdit *txtLeftBorder, *txtTopBorder, *txtRightBorder, *txtBottomBorder;
    QCheckBox *chkFastDisplay, *chkSaveAsData;
    QGroupBox *fraBorders;
    QList<QLabel *> lblMeasurement; // one per distance box
    QPushButton *btnOK, *btnCancel;

    void confirm();

private:
    QPointer<textengine::TextObject> m_object;
};

} // namespace kalamora
