#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;
class QPushButton;

namespace kalamora {

class frmMain;
class frmDocument;

namespace engine {
class KeyBinding;
}
namespace textengine {
class TextControl;
class TextControlSurface;
} // namespace textengine

// Find and replace in Hindi. The two entry boxes take Hindi typed through
// the input engine. The document is copied through a temporary RTF file into
// its hidden control Text3, which stands in the document's place while the
// window is open; every replacement happens there, and the copy goes back
// into the document when the window closes.
class frmFind : public QDialog {
    Q_OBJECT

public:
    // Opens the window over the active document; `replacing` shows the
    // replacement box and its buttons.
    frmFind(frmMain *main, frmDocument *document, bool replacing);
    ~frmFind() override;

    // The temporary copy of the document, in the per-user data folder.
    static QString temporaryFile();

    // The document the window works on; null once that document is gone,
    // and the window closes with it.
    frmDocument *document() const { return m_document; }

    textengine::TextControl *Text1 = nullptr;
    textengine::TextControl *Text2 = nullptr;
    QPushButton *FindNext = nullptr;
    QPushButton *Replace = nullptr;
    QPushButton *ReplaceAll = nullptr;
    QPushButton *Close = nullptr;

    void findNext();
    void replace();
    void replaceAll();

    // What a box (Text1 or Text2) searches for or writes.
    QString boxText(const textengine::TextControl *box) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void bindField(textengine::TextControl *field, textengine::TextControlSurface *surface);
    void giveBack();

    frmMain *m_main;
    QPointer<frmDocument> m_document;
    QLabel *m_replaceLabel = nullptr;
    bool m_searchStarted = false;
    bool m_closed = false;
    std::unique_ptr<engine::KeyBinding> m_binding;
    std::unique_ptr<textengine::TextControlSurface> m_surface1;
    std::unique_ptr<textengine::TextControlSurface> m_surface2;
};

// Keeps a window above all others, or releases it.
void SetAlwaysOnTop(QWidget *window, bool onTop);

} // namespace kalamora
