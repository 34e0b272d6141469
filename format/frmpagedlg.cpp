#include "format/frmpagedlg.h"

#include "format/measurement.h"

#include "textengine/textcontrol.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace kalamora {

const std::array<PaperSize, 5> PaperSizes = {{
    {u"A4", 11906, 16837},
    {u"A5", 8418, 11906},
    {u"B5", 9978, 14174},
    {u"Letter", 12240, 15840},
    {u"Legal", 12240, 20160},
}};

int matchPaperSize(int widthTwips, int heightTwips)
{
    // A size matches by its own lengths or by the lengths its boxes show:
    // A5's width shows as 5.85 inches, which reads back 6 twips wider.
    auto near = [](int size, int value) {
        const int shown = DlgString2Twips(Twips2DlgString(float(size)));
        return std::llabs(qint64(size) - value) < 5 || std::llabs(qint64(shown) - value) < 5;
    };
    for (int i = 0; i < int(PaperSizes.size()); ++i) {
        if (near(PaperSizes[i].width, widthTwips) && near(PaperSizes[i].height, heightTwips))
            return i;
    }
    return int(PaperSizes.size());
}

namespace {

QLineEdit *lengthBox(const QString &name)
{
    auto *box = new QLineEdit;
    box->setObjectName(name);
    box->setMaximumWidth(90);
    return box;
}

} // namespace

frmPageDlg::frmPageDlg(textengine::TextControl *text, SettingWriter store, QWidget *parent)
    : QDialog(parent)
    , m_text(text)
    , m_store(std::move(store))
{
    setObjectName(u"frmPageDlg"_s);
    setWindowTitle(u"Page Setup"_s);

    cboPaperSize = new QComboBox;
    cboPaperSize->setObjectName(u"cboPaperSize"_s);
    for (const PaperSize &p : PaperSizes)
        cboPaperSize->addItem(QString::fromUtf16(p.name));
    cboPaperSize->addItem(u"User Defined"_s);

    txtLeftMargin = lengthBox(u"txtLeftMargin"_s);
    txtTopMargin = lengthBox(u"txtTopMargin"_s);
    txtRightMargin = lengthBox(u"txtRightMargin"_s);
    txtBottomMargin = lengthBox(u"txtBottomMargin"_s);
    txtPaperWidth = lengthBox(u"txtPaperWidth"_s);
    txtPaperHeight = lengthBox(u"txtPaperHeight"_s);
    lblMeasurement = new QLabel;
    lblMeasurement->setObjectName(u"lblMeasurement"_s);
    lblMeasurement->setText(format::unitLabel());

    auto *paper = new QGroupBox(u"Paper"_s);
    auto *pl = new QFormLayout(paper);
    pl->addRow(u"Paper &Size:"_s, cboPaperSize);
    pl->addRow(u"&Width:"_s, txtPaperWidth);
    pl->addRow(u"&Height:"_s, txtPaperHeight);

    auto *margins = new QGroupBox(u"Margins"_s);
    auto *ml = new QGridLayout(margins);
    ml->addWidget(new QLabel(u"&Left:"_s), 0, 0);
    ml->addWidget(txtLeftMargin, 0, 1);
    ml->addWidget(new QLabel(u"&Right:"_s), 0, 2);
    ml->addWidget(txtRightMargin, 0, 3);
    ml->addWidget(new QLabel(u"&Top:"_s), 1, 0);
    ml->addWidget(txtTopMargin, 1, 1);
    ml->addWidget(new QLabel(u"&Bottom:"_s), 1, 2);
    ml->addWidget(txtBottomMargin, 1, 3);
    for (QLabel *l : margins->findChildren<QLabel *>()) {
        if (l->text() == u"&Left:"_s) l->setBuddy(txtLeftMargin);
        else if (l->text() == u"&Right:"_s) l->setBuddy(txtRightMargin);
        else if (l->text() == u"&Top:"_s) l->setBuddy(txtTopMargin);
        else if (l->text() == u"&Bottom:"_s) l->setBuddy(txtBottomMargin);
    }

    btnOK = new QPushButton(u"OK"_s);
    btnOK->setObjectName(u"btnOK"_s);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(u"Cancel"_s);
    btnCancel->setObjectName(u"btnCancel"_s);

    auto *unitRow = new QHBoxLayout;
    unitRow->addWidget(new QLabel(u"All lengths in:"_s));
    unitRow->addWidget(lblMeasurement);
    unitRow->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(paper);
    layout->addWidget(margins);
    layout->addLayout(unitRow);
    layout->addLayout(buttons);

    if (m_text) {
        showLength(txtLeftMargin, m_text->PageMarginL());
        showLength(txtTopMargin, m_text->PageMarginT());
        showLength(txtRightMargin, m_text->PageMarginR());
        showLength(txtBottomMargin, m_text->PageMarginB());
        showLength(txtPaperWidth, m_text->PageWidth());
        showLength(txtPaperHeight, m_text->PageHeight());
    }
    matchPaper();
    validate();

    for (QLineEdit *box : {txtLeftMargin, txtTopMargin, txtRightMargin, txtBottomMargin, txtPaperWidth,
                           txtPaperHeight})
        connect(box, &QLineEdit::textChanged, this, [this] { validate(); });
    txtPaperWidth->installEventFilter(this);
    txtPaperHeight->installEventFilter(this);
    connect(cboPaperSize, &QComboBox::currentIndexChanged, this, &frmPageDlg::paperChosen);
    connect(btnOK, &QPushButton::clicked, this, &frmPageDlg::commit);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmPageDlg::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == txtPaperWidth || watched == txtPaperHeight) && event->type() == QEvent::FocusOut)
        matchPaper();
    return QDialog::eventFilter(watched, event);
}

void frmPageDlg::matchPaper()
{
    m_matching = true;
    cboPaperSize->setCurrentIndex(
        matchPaperSize(DlgString2Twips(txtPaperWidth->text()), DlgString2Twips(txtPaperHeight->text())));
    m_matching = false;
}

void frmPageDlg::paperChosen(int index)
{
    if (m_matching || index < 0 || index >= int(PaperSizes.size()))
        return;
    showLength(txtPaperWidth, PaperSizes[index].width);
    showLength(txtPaperHeight, PaperSizes[index].height);
}

void frmPageDlg::showLength(QLineEdit *box, int twips)
{
    const QString text = Twips2DlgString(float(twips));
    m_shown[box] = {text, twips};
    box->setText(text);
}

int frmPageDlg::length(const QLineEdit *box) const
{
    // A box still showing what the dialog put there stands for the exact
    // length behind it, so OK on an unchanged page changes nothing and a
    // chosen paper is that paper to the twip.
    const auto shown = m_shown.constFind(box);
    if (shown != m_shown.cend() && shown->first == box->text())
        return shown->second;
    return DlgString2Twips(box->text());
}

bool frmPageDlg::validate()
{
    const qint64 l = DlgString2Twips(txtLeftMargin->text());
    const qint64 t = DlgString2Twips(txtTopMargin->text());
    const qint64 r = DlgString2Twips(txtRightMargin->text());
    const qint64 b = DlgString2Twips(txtBottomMargin->text());
    const qint64 w = DlgString2Twips(txtPaperWidth->text());
    const qint64 h = DlgString2Twips(txtPaperHeight->text());
    auto within = [](qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; };
    const bool ok = within(l, 1, w) && within(r, 1, w) && within(t, 1, h) && within(b, 1, h) && w >= 1
        && 2 * w <= 32767 && within(h, 1, 32767);
    btnOK->setEnabled(ok);
    return ok;
}

void frmPageDlg::commit()
{
    if (!validate())
        return;
    const int values[6] = {length(txtLeftMargin),  length(txtTopMargin),  length(txtRightMargin),
                           length(txtBottomMargin), length(txtPaperWidth), length(txtPaperHeight)};
    static const QString keys[6] = {u"LeftMargin"_s,   u"TopMargin"_s,  u"RightMargin"_s,
                                    u"BottomMargin"_s, u"PaperWidth"_s, u"PaperHeight"_s};
    if (m_store) {
        for (int i = 0; i < 6; ++i)
            m_store(keys[i], QString::number(values[i]));
    }
    if (m_text) {
        textengine::TextControl::PageSetup page;
        page.marginL = values[0];
        page.marginT = values[1];
        page.marginR = values[2];
        page.marginB = values[3];
        page.width = values[4];
        page.height = values[5];
        m_text->setPageSetup(page);
    }
    accept();
}

} // namespace kalamora
