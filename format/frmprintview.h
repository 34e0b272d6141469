#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QPushButton;
class QScrollBar;

namespace kalamora {

namespace textengine {
class TextControl;
} // namespace textengine

// The print preview: one page of a document at a time, drawn by the same
// page rendering that prints it, scaled to fit the window. The scroll bar
// (and Previous/Next) chooses the page; Print runs the print command for
// the whole document and closes the preview.
class frmPrintView : public QWidget {
    Q_OBJECT

public:
    // `print` is the print command the Print button runs.
    frmPrintView(textengine::TextControl *text, std::function<void()> print, QWidget *parent = nullptr);

    QWidget *picView;
    QScrollBar *VScroll1;
    QPushButton *cmdPPage, *cmdNPage, *cmdPrint, *Command3;

    int currentPage() const;
    // Places the picture and the scroll bar for the window's size and the
    // document's pages, as on activation.
    void arrange();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class PagePicture;
    void paintPage(QPaintDevice *device);
    void pageChanged();
    int toPixelsX(double twips) const;
    int toPixelsY(double twips) const;

    QPointer<textengine::TextControl> m_text;
    std::function<void()> m_print;
};

} // namespace kalamora
