#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QMdiArea;
class QMdiSubWindow;

namespace kalamora {

class frmDocument;

namespace textengine {
class TXRuler;
} // namespace textengine

// The main window's client area: the shared ruler above the frame of the
// document windows. It keeps the count of open documents, knows which one
// is active, gives the ruler to that one, and arranges the windows.
class DocumentWindows : public QWidget {
    Q_OBJECT

public:
    explicit DocumentWindows(QWidget *parent = nullptr);
    ~DocumentWindows() override;

    QMdiArea *mdiArea() const { return m_area; }
    textengine::TXRuler *TXRuler() const { return m_ruler; }

    // Documents created and not yet closed.
    int DocumentCount() const { return m_count; }
    // Puts a new document into a window of its own, which closes for good
    // with the document, and counts it.
    void addDocument(frmDocument *doc);
    // Shows a document added last and makes it the active one: the first
    // fills the frame, later ones open beside it.
    void showDocument(frmDocument *doc);
    // The active document; while the frame itself has no focus, the one
    // that was active last. Null when none is open.
    frmDocument *activeDocument() const;
    QList<frmDocument *> documents() const;
    void activate(frmDocument *doc);
    // Closes the windows one by one, each with its own question; false,
    // with the rest left open, when one of them stays.
    bool closeAll();

    // Cascade, tile (Qt::Horizontal: side by side, each the full height;
    // Vertical: one above the other, each the full width) and a row of the
    // minimized windows along the bottom.
    void cascade();
    void tile(Qt::Orientation direction);
    void arrangeIcons();

Q_SIGNALS:
    // Another document (or none) has become active; the ruler serves it.
    void documentActivated(frmDocument *doc);
    // A document's window has closed for good; the count no longer holds it.
    void documentClosed(frmDocument *doc);

private:
    void subWindowActivated(QMdiSubWindow *sub);
    void closed(frmDocument *doc);

    textengine::TXRuler *m_ruler;
    QMdiArea *m_area;
    int m_count = 0;
    QPointer<frmDocument> m_rulerDocument;
};

} // namespace kalamora
