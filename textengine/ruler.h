#pragma once

#include "textengine/textcontrol.h"

#include <QPointer>
#include <QTextOption>
#include <QWidget>

namespace kalamora::textengine {

// The ruler above a document: the page's width with its margins shaded,
// the current paragraph's indents (first line above, the other lines below,
// the right indent at the right) and its tab stops, at the control's zoom.
// Dragging an indent marker sets that indent of the selected paragraphs; a
// click on the ruler adds a tab stop of the control's TabType there, which
// can be dragged along, or off the ruler to remove it.
//
// A control is given the ruler through its handle (TextControl::RulerHandle);
// handle 0 detaches it. One ruler serves one control at a time: attaching
// it to another detaches it from the first.
class TXRuler : public QWidget {
    Q_OBJECT
public:
    explicit TXRuler(QWidget *parent = nullptr);
    ~TXRuler() override;

    // A number naming this ruler for TextControl::setRulerHandle, never 0.
    quintptr handle() const { return m_handle; }
    static TXRuler *fromHandle(quintptr handle);

    TextControl *control() const { return m_control; }
    // Attaches to `control` (nullptr detaches); use the control's
    // setRulerHandle, which calls this.
    void attach(TextControl *control);

    QSize sizeHint() const override;

    // Where twips `t` from the text's left edge lie on the ruler, in pixels.
    double xOfTwips(double t) const;
    double twipsOfX(double x) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum Marker { None, FirstLine, LeftIndent, RightIndent, Tab };
    // Everything the ruler's picture depends on. Typing moves the caret and
    // changes the text at every key; the ruler repaints only when the
    // picture would change.
    struct View {
        double left = 0;      // textLeftX()
        double perTwip = 0;   // pixelsPerTwip()
        TextControl::PageSetup page;
        QTextBlockFormat paragraph;  // the current paragraph's indents and tab stops
        bool operator==(const View &) const = default;
    };
    View currentView() const;
    void refresh();
    double pixelsPerTwip() const;
    double textLeftX() const;
    Marker markerAt(const QPointF &pos) const;
    void moveMarker(double x);
    void setTabs(QList<QTextOption::Tab> tabs);

    quintptr m_handle;
    QPointer<TextControl> m_control;
    QList<QMetaObject::Connection> m_connections;
    View m_shown;  // as last painted
    Marker m_drag = None;
    int m_tab = -1;  // the tab stop dragged, by index in the paragraph's list
};

} // namespace kalamora::textengine
