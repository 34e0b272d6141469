// TextControl: its font, paragraph, table and find/replace dialogs. Each is
// modal over the control and runs through runDialog, so tests answer it.
#include "textengine/dialogs.h"

#include "document/units.h"
#include "textengine/dialogunits.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

namespace {

QLineEdit *lengthRow(QFormLayout *form, QDialog *dlg, const QString &label, const QString &name, double twips)
{
    auto *edit = new QLineEdit(Twips2DlgString(float(twips)), dlg);
    edit->setObjectName(name);
    auto *row = new QHBoxLayout;
    row->addWidget(edit);
    row->addWidget(new QLabel(measurementUnitName(), dlg));
    auto *caption = new QLabel(label, dlg);
    caption->setBuddy(edit);
    form->addRow(caption, row);
    return edit;
}

QDialogButtonBox *okCancel(QDialog *dlg)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return box;
}

} // namespace

// --- Font ---------------------------------------------------------------------

bool TextControl::FontDialog()
{
    QFont initial = currentCharFormat().font();
    if (!FontName().isEmpty())
        initial.setFamily(FontName());
    if (FontSize() > 0)
        initial.setPointSize(FontSize());
    initial.setBold(FontBold());
    initial.setItalic(FontItalic());
    initial.setUnderline(FontUnderline());
    initial.setStrikeOut(FontStrikeThru());
    QFontDialog dlg(initial, this);
    dlg.setObjectName(u"FontDialog"_s);
    dlg.setOption(QFontDialog::DontUseNativeDialog);
    dlg.setWindowTitle(u"Font"_s);
    // The dialog may show a family under another name than the format's:
    // what it showed first is what the user did not change.
    initial = dlg.currentFont();
    if (runDialog(&dlg) != QDialog::Accepted)
        return false;
    // Only what the dialog changed is applied, so a mixed selection keeps
    // what the user left alone.
    const QFont f = dlg.currentFont();
    if (f.family() != initial.family())
        setFontName(f.family());
    if (f.pointSize() > 0 && f.pointSize() != initial.pointSize())
        setFontSize(f.pointSize());
    if (f.bold() != initial.bold())
        setFontBold(f.bold());
    if (f.italic() != initial.italic())
        setFontItalic(f.italic());
    if (f.underline() != initial.underline())
        setFontUnderline(f.underline());
    if (f.strikeOut() != initial.strikeOut())
        setFontStrikeThru(f.strikeOut());
    return true;
}

// --- Paragraph ------------------------------------------------------------------

bool TextControl::ParagraphDialog()
{
    const QTextBlockFormat bf = textCursor().blockFormat();
    const int first = SelIndent();
    const int hanging = SelHangingIndent();
    QDialog dlg(this);
    dlg.setObjectName(u"ParagraphDialog"_s);
    dlg.setWindowTitle(u"Paragraph"_s);
    auto *form = new QFormLayout;
    // Left is where the paragraph's lines start, first line how far the
    // first one stands to the right of them (negative: to the left).
    QLineEdit *left = lengthRow(form, &dlg, u"&Left:"_s, u"left"_s, first + hanging);
    QLineEdit *right = lengthRow(form, &dlg, u"&Right:"_s, u"right"_s, SelRightIndent());
    QLineEdit *firstLine = lengthRow(form, &dlg, u"&First line:"_s, u"firstLine"_s, -hanging);
    QLineEdit *before = lengthRow(form, &dlg, u"Space &before:"_s, u"spaceBefore"_s,
                                  document::unitsToTwips(bf.topMargin()));
    QLineEdit *after = lengthRow(form, &dlg, u"Space &after:"_s, u"spaceAfter"_s,
                                 document::unitsToTwips(bf.bottomMargin()));
    auto *lineSpacing = new QComboBox(&dlg);
    lineSpacing->setObjectName(u"lineSpacing"_s);
    lineSpacing->addItems({u"Single"_s, u"1.5 lines"_s, u"Double"_s});
    const double height = bf.lineHeightType() == QTextBlockFormat::ProportionalHeight ? bf.lineHeight() : 100;
    lineSpacing->setCurrentIndex(height >= 200 ? 2 : height >= 150 ? 1 : 0);
    form->addRow(u"Line &spacing:"_s, lineSpacing);
    auto *align = new QComboBox(&dlg);
    align->setObjectName(u"alignment"_s);
    align->addItems({u"Left"_s, u"Right"_s, u"Centre"_s, u"Justify"_s});
    align->setCurrentIndex(std::max(AlignMent(), 0));
    form->addRow(u"Ali&gnment:"_s, align);
    auto *box = new QVBoxLayout(&dlg);
    box->addLayout(form);
    box->addWidget(okCancel(&dlg));
    if (runDialog(&dlg) != QDialog::Accepted)
        return false;

    const int newLeft = std::max(DlgString2Twips(left->text()), 0);
    const int newFirst = DlgString2Twips(firstLine->text());
    ownEdit([&] {
        QTextCursor c = textCursor();
        c.beginEditBlock();
        QTextBlockFormat f;
        f.setLeftMargin(document::twipsToUnits(newLeft));
        f.setTextIndent(document::twipsToUnits(newFirst));
        f.setRightMargin(document::twipsToUnits(std::max(DlgString2Twips(right->text()), 0)));
        f.setTopMargin(document::twipsToUnits(std::max(DlgString2Twips(before->text()), 0)));
        f.setBottomMargin(document::twipsToUnits(std::max(DlgString2Twips(after->text()), 0)));
        static const double heights[] = {100, 150, 200};
        f.setLineHeight(heights[lineSpacing->currentIndex()], QTextBlockFormat::ProportionalHeight);
        c.mergeBlockFormat(f);
        c.endEditBlock();
    });
    // Alignment goes through the member, which knows the codes.
    if (align->currentIndex() != AlignMent())
        setAlignMent(align->currentIndex());
    return true;
}

// --- Table attributes ---------------------------------------------------------------

bool TextControl::TableAttrDialog()
{
    QTextTable *table = textCursor().currentTable();
    if (!table)
        return fail(u"The caret is in no table"_s);
    const QTextTableFormat tf = table->format();
    QDialog dlg(this);
    dlg.setObjectName(u"TableAttrDialog"_s);
    dlg.setWindowTitle(u"Table Attributes"_s);
    auto *form = new QFormLayout;
    QLineEdit *border = lengthRow(form, &dlg, u"&Border width:"_s, u"border"_s, document::unitsToTwips(tf.border()));
    QLineEdit *spacing = lengthRow(form, &dlg, u"Cell &spacing:"_s, u"spacing"_s, document::unitsToTwips(tf.cellSpacing()));
    QLineEdit *padding = lengthRow(form, &dlg, u"Cell &padding:"_s, u"padding"_s, document::unitsToTwips(tf.cellPadding()));
    // Column widths, one per column, separated by semicolons; a column left
    // empty shares the free width.
    QStringList widths;
    const QList<QTextLength> constraints = tf.columnWidthConstraints();
    for (int col = 0; col < table->columns(); ++col) {
        const QTextLength l = col < constraints.size() ? constraints[col] : QTextLength();
        widths << (l.type() == QTextLength::FixedLength ? Twips2DlgString(float(document::unitsToTwips(l.rawValue()))) : QString());
    }
    auto *columns = new QLineEdit(widths.join(u"; "_s), &dlg);
    columns->setObjectName(u"columns"_s);
    form->addRow(u"&Column widths (%1):"_s.arg(measurementUnitName()), columns);
    auto *background = new QLineEdit(&dlg);
    background->setObjectName(u"background"_s);
    background->setPlaceholderText(u"none"_s);
    if (tf.background().style() != Qt::NoBrush)
        background->setText(tf.background().color().name());
    auto *pick = new QPushButton(u"&Choose..."_s, &dlg);
    connect(pick, &QPushButton::clicked, &dlg, [&] {
        QColorDialog colors(QColor::fromString(background->text()), &dlg);
        colors.setOption(QColorDialog::DontUseNativeDialog);
        if (runDialog(&colors) == QDialog::Accepted)
            background->setText(colors.currentColor().name());
    });
    auto *bgRow = new QHBoxLayout;
    bgRow->addWidget(background);
    bgRow->addWidget(pick);
    auto *bgLabel = new QLabel(u"Back&ground:"_s, &dlg);
    bgLabel->setBuddy(background);
    form->addRow(bgLabel, bgRow);
    auto *box = new QVBoxLayout(&dlg);
    box->addLayout(form);
    box->addWidget(okCancel(&dlg));
    if (runDialog(&dlg) != QDialog::Accepted)
        return false;

    QTextTableFormat nf = tf;
    const int borderTw = std::clamp(DlgString2Twips(border->text()), 0, 1440);
    nf.setBorder(document::twipsToUnits(borderTw));
    nf.setBorderStyle(borderTw > 0 ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None);
    const int spacingTw = std::clamp(DlgString2Twips(spacing->text()), 0, 1440);
    nf.setCellSpacing(document::twipsToUnits(spacingTw));
    // Collapsed borders leave no space between cells: cells stand apart
    // exactly when they are given some.
    nf.setBorderCollapse(spacingTw == 0);
    nf.setCellPadding(document::twipsToUnits(std::clamp(DlgString2Twips(padding->text()), 0, 1440)));
    const QStringList parts = columns->text().split(u';');
    QList<QTextLength> newWidths;
    for (int col = 0; col < table->columns(); ++col) {
        const QString part = col < parts.size() ? parts[col].trimmed() : QString();
        const int tw = part.isEmpty() ? 0 : DlgString2Twips(part);
        newWidths << (tw > 0 ? QTextLength(QTextLength::FixedLength, document::twipsToUnits(std::min(tw, 31680)))
                             : QTextLength());
    }
    nf.setColumnWidthConstraints(newWidths);
    const QColor color = QColor::fromString(background->text().trimmed());
    if (background->text().trimmed().isEmpty())
        nf.clearBackground();
    else if (color.isValid())
        nf.setBackground(color);
    ownEdit([&] {
        QTextCursor c = textCursor();
        c.beginEditBlock();
        table->setFormat(nf);
        // Collapsed borders leave the table's own background unpainted: the
        // cells show it, those without a background of their own.
        for (int r = 0; r < table->rows(); ++r) {
            for (int col = 0; col < table->columns(); ++col) {
                QTextTableCell cell = table->cellAt(r, col);
                if (cell.row() != r || cell.column() != col)
                    continue;
                QTextTableCellFormat cf = cell.format().toTableCellFormat();
                const QBrush own = cf.background();
                if (own.style() != Qt::NoBrush
                    && (tf.background().style() == Qt::NoBrush || own.color() != tf.background().color()))
                    continue;
                if (nf.background().style() == Qt::NoBrush)
                    cf.clearBackground();
                else
                    cf.setBackground(nf.background());
                cell.setFormat(cf);
            }
        }
        c.endEditBlock();
    });
    return true;
}

// --- Find and replace ----------------------------------------------------------------

FindReplaceDialog::FindReplaceDialog(TextControl *control, bool replacing)
    : QDialog(control), m_control(control)
{
    setObjectName(u"FindReplaceDialog"_s);
    setWindowTitle(replacing ? u"Replace"_s : u"Find"_s);
    m_find = new QLineEdit(this);
    m_replace = new QLineEdit(this);
    m_case = new QCheckBox(u"Match &case"_s, this);
    m_word = new QCheckBox(u"&Whole word"_s, this);
    auto *form = new QFormLayout;
    form->addRow(u"F&ind what:"_s, m_find);
    if (replacing)
        form->addRow(u"Re&place with:"_s, m_replace);
    else
        m_replace->hide();
    form->addRow(m_case);
    form->addRow(m_word);
    auto *buttons = new QVBoxLayout;
    auto *next = new QPushButton(u"&Find Next"_s, this);
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    buttons->addWidget(next);
    if (replacing) {
        auto *one = new QPushButton(u"&Replace"_s, this);
        connect(one, &QPushButton::clicked, this, [this] { replace(); });
        auto *all = new QPushButton(u"Replace &All"_s, this);
        connect(all, &QPushButton::clicked, this, [this] { replaceAll(); });
        buttons->addWidget(one);
        buttons->addWidget(all);
    }
    auto *close = new QPushButton(u"Close"_s, this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);
    buttons->addStretch();
    auto *row = new QHBoxLayout(this);
    row->addLayout(form);
    row->addLayout(buttons);
    m_find->setText(control->textCursor().selectedText().contains(QChar::ParagraphSeparator)
                        ? QString()
                        : control->textCursor().selectedText());
}

QTextDocument::FindFlags FindReplaceDialog::flags() const
{
    QTextDocument::FindFlags f;
    if (m_case->isChecked())
        f |= QTextDocument::FindCaseSensitively;
    if (m_word->isChecked())
        f |= QTextDocument::FindWholeWords;
    return f;
}

bool FindReplaceDialog::findNext()
{
    const QString what = m_find->text();
    if (what.isEmpty())
        return false;
    QTextDocument *doc = m_control->document();
    QTextCursor from = m_control->textCursor();
    from.setPosition(from.selectionEnd());
    QTextCursor found = doc->find(what, from, flags());
    if (found.isNull()) {
        found = doc->find(what, QTextCursor(doc), flags());
        if (found.isNull()) {
            showMessage(this, QMessageBox::Information, windowTitle(),
                        u"The text \"%1\" was not found."_s.arg(what));
            return false;
        }
        showMessage(this, QMessageBox::Information, windowTitle(),
                    u"The end of the document was reached; the search went on from the beginning."_s);
    }
    m_control->setTextCursor(found);
    return true;
}

bool FindReplaceDialog::selectionMatches() const
{
    const QTextCursor c = m_control->textCursor();
    if (!c.hasSelection())
        return false;
    // The selection is a match when searching from its start finds it.
    QTextCursor from(c.document());
    from.setPosition(c.selectionStart());
    const QTextCursor again = c.document()->find(m_find->text(), from, flags());
    return !again.isNull() && again.selectionStart() == c.selectionStart()
        && again.selectionEnd() == c.selectionEnd();
}

bool FindReplaceDialog::replace()
{
    if (m_find->text().isEmpty())
        return false;
    bool replaced = false;
    if (selectionMatches()) {
        m_control->setSelText(m_replace->text());
        replaced = true;
    }
    findNext();
    return replaced;
}

int FindReplaceDialog::replaceAll()
{
    const QString what = m_find->text();
    if (what.isEmpty())
        return 0;
    QTextDocument *doc = m_control->document();
    int count = 0;
    QTextCursor edit(doc);
    edit.beginEditBlock();
    QTextCursor at(doc);
    for (;;) {
        const QTextCursor found = doc->find(what, at, flags());
        if (found.isNull())
            break;
        edit.setPosition(found.selectionStart());
        edit.setPosition(found.selectionEnd(), QTextCursor::KeepAnchor);
        edit.insertText(m_replace->text());
        ++count;
        // Go on after the replacement, so that one containing the searched
        // text is not searched again.
        at.setPosition(edit.position());
    }
    edit.endEditBlock();
    if (count > 0)
        m_control->setTextCursor(edit);
    showMessage(this, QMessageBox::Information, windowTitle(), u"%1 replacement(s) made."_s.arg(count));
    return count;
}

bool TextControl::FindReplace(int mode)
{
    if (mode != 1 && mode != 2)
        return fail(u"FindReplace takes 1 (find) or 2 (find and replace)"_s);
    FindReplaceDialog dlg(this, mode == 2);
    dlg.setModal(true);
    runDialog(&dlg);
    return true;
}

} // namespace kalamora::textengine
