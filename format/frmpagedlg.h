#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalamora {

namespace textengine {
class TextControl;
} // namespace textengine

// The paper sizes the page setup offers, in twips, then "User Defined".
struct PaperSize {
    const char16_t *name;
    int width;
    int height;
};
extern const std::array<PaperSize, 5> PaperSizes;

// The index of the first named paper size within 5 twips of both lengths
// (or of the lengths the dialog's boxes show for it), or 5 ("User Defined").
int matchPaperSize(int widthTwips, int heightTwips);

// Page setup: paper size and margins of one document's control, shown in
// the measurement unit. OK is enabled only while the six boxes hold a page
// that can be laid out; OK writes them through `store` (key, whole twips as
// text) and to the control, then closes.
class frmPageDlg : public QDialog {
    Q_OBJECT

public:
    using SettingWriter = std::function<void(const QString &key, const QString &value)>;

    frmPageDlg(textengine::TextControl *text, SettingWriter store, QWidget *parent = nullptr);

    QComboBox *cboPaperSize;
    QLineEdit *txtLeftMargin, *txtTopMargin, *txtRightMargin, *txtBottomMargin;
    QLineEdit *txtPaperWidth, *txtPaperHeight;
    QLabel *lblMeasurement;
    QPushButton *btnOK, *btnCancel;

    // Selects the paper entry matching the two paper boxes.
    void matchPaper();
    // Enables OK when the six boxes are valid; returns that.
    bool validate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paperChosen(int index);
    void showLength(QLineEdit *box, int twips);
    int length(const QLineEdit *box) const;
    void commit();

    QPointer<textengine::TextControl> m_text;
    SettingWriter m_store;
    bool m_matching = false;
    QHash<const QLineEdit *, std::pair<QString, int>> m_shown;
};

} // namespace kalamora
