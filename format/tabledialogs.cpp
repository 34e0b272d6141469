#include "format/tabledialogs.h"

#include "format/measurement.h"

#include "textengine/objects.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace kalamora {

frmCustomTable::frmCustomTable(textengine::TextControl *text, QWidget *parent)
    : QDialog(parent)
    , m_text(text)
{
    setObjectName(u"frmCustomTable"_s);
    setWindowTitle(u"Insert Table"_s);
    txtCol = new QLineEdit(u"2"_s);
    txtCol->setObjectName(u"txtCol"_s);
    txtRow = new QLineEdit(u"2"_s);
    txtRow->setObjectName(u"txtRow"_s);
    Command2 = new QPushButton(u"OK"_s);
    Command2->setObjectName(u"Command2"_s);
    Command2->setDefault(true);
    Command1 = new QPushButton(u"Cancel"_s);
    Command1->setObjectName(u"Command1"_s);

    auto *grid = new QGridLayout;
    auto *colLabel = new QLabel(u"Number of &Columns:"_s);
    colLabel->setBuddy(txtCol);
    auto *rowLabel = new QLabel(u"Number of &Rows:"_s);
    rowLabel->setBuddy(txtRow);
    grid->addWidget(colLabel, 0, 0);
    grid->addWidget(txtCol, 0, 1);
    grid->addWidget(rowLabel, 1, 0);
    grid->addWidget(txtRow, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(Command2, &QPushButton::clicked, this, [this] { confirm(); });
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmCustomTable::confirm()
{
    auto refuse = [this](QLineEdit *box) {
        textengine::showMessage(this, QMessageBox::Warning, u"Invalid Value"_s,
                                u"Please enter a value between 1 and 50"_s);
        box->setFocus();
        box->selectAll();
        return false;
    };
    const double columns = format::leadingNumber(txtCol->text());
    if (columns < 1 || columns > 50)
        return refuse(txtCol);
    const double rows = format::leadingNumber(txtRow->text());
    if (rows < 1 || rows > 50)
        return refuse(txtRow);
    bool inserted = false;
    if (m_text)
        inserted = m_text->TableInsert(int(std::nearbyint(rows)), int(std::nearbyint(columns)), -1);
    accept();
    return inserted;
}

frmImageDlg::frmImageDlg(textengine::TextObject *object, QWidget *parent)
    : QDialog(parent)
    , m_object(object)
{
    setObjectName(u"frmImageDlg"_s);
    setWindowTitle(u"Image Attributes"_s);
    fraBorders = new QGroupBox(u"Distance to the Text"_s);
    fraBorders->setObjectName(u"fraBorders"_s);
    auto *grid = new QGridLayout(fraBorders);
    const QString names[4] = {u"txtLeftBorder"_s, u"txtTopBorder"_s, u"txtRightBorder"_s, u"txtBottomBorder"_s};
    const QString captions[4] = {u"&Left:"_s, u"&Top:"_s, u"&Right:"_s, u"&Bottom:"_s};
    QLineEdit *boxes[4];
    for (int i = 0; i < 4; ++i) {
        boxes[i] = new QLineEdit;
        boxes[i]->setObjectName(names[i]);
        auto *caption = new QLabel(captions[i]);
        caption->setBuddy(boxes[i]);
        auto *unit = new QLabel(format::unitLabel());
        unit->setObjectName(u"lblMeasurement"_s);
        lblMeasurement.append(unit);
        grid->addWidget(caption, i, 0);
        grid->addWidget(boxes[i], i, 1);
        grid->addWidget(unit, i, 2);
    }
    txtLeftBorder = boxes[0];
    txtTopBorder = boxes[1];
    txtRightBorder = boxes[2];
    txtBottomBorder = boxes[3];
    chkFastDisplay = new QCheckBox(u"&Fast Display"_s);
    chkFastDisplay->setObjectName(u"chkFastDisplay"_s);
    chkSaveAsData = new QCheckBox(u"&Save As Data"_s);
    chkSaveAsData->setObjectName(u"chkSaveAsData"_s);
    btnOK = new QPushButton(u"OK"_s);
    btnOK->setObjectName(u"btnOK"_s);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(u"Cancel"_s);
    btnCancel->setObjectName(u"btnCancel"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraBorders);
    layout->addWidget(chkFastDisplay);
    layout->addWidget(chkSaveAsData);
    layout->addLayout(buttons);

    const bool keeps = m_object && m_object->keepsDistances();
    for (int i = 0; i < 4; ++i) {
        if (keeps)
            boxes[i]->setText(Twips2DlgString(float(m_object->Distance(i + 1))));
        boxes[i]->setEnabled(keeps);
        lblMeasurement[i]->setEnabled(keeps);
    }
    fraBorders->setEnabled(keeps);
    chkFastDisplay->setChecked(m_object && m_object->fastDisplay());
    chkSaveAsData->setChecked(m_object && m_object->saveAsData());

    connect(btnOK, &QPushButton::clicked, this, &frmImageDlg::confirm);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmImageDlg::confirm()
{
    if (m_object) {
        if (m_object->keepsDistances()) {
            const QLineEdit *boxes[4] = {txtLeftBorder, txtTopBorder, txtRightBorder, txtBottomBorder};
            for (int i = 0; i < 4; ++i) {
                // Distances are 16-bit values; a larger one is kept at the
                // largest there is rather than wrapped around.
                const int twips = std::clamp(DlgString2Twips(boxes[i]->text()), 0,
                                             int(std::numeric_limits<qint16>::max()));
                m_object->setDistance(i + 1, twips);
            }
        }
        m_object->setFastDisplay(chkFastDisplay->isChecked());
        m_object->setSaveAsData(chkSaveAsData->isChecked());
    }
    accept();
}

} // namespace kalamora
