#pragma once

#include <QWidget>

#include <memory>

namespace kalamora {

namespace textengine {
class TextControl;
class TextControlSurface;
} // namespace textengine

class frmMain;

namespace engine {
class KeyBinding;
}

// One open document: its text-engine control `rtftext`, the hidden control
// `Text3` that find and replace and the temporary-file exchanges use, and the
// document's identity (title, file, saved format).
class frmDocument : public QWidget {
    Q_OBJECT

public:
    static inline const QString None = QStringLiteral("%none%");

    frmDocument(frmMain *main, const QString &title);
    ~frmDocument() override;

    textengine::TextControl *rtftext() const { return m_rtftext; }
    textengine::TextControl *Text3() const { return m_text3; }
    textengine::TextControlSurface *surface() const { return m_surface.get(); }
    textengine::TextControlSurface *text3Surface() const { return m_text3Surface.get(); }

    // The file the document was opened from or last saved to, and the format
    // code it was saved in; None until the document has a file.
    QString SavedName = None;
    QString SavedFormat = None;
    // The zoom box's entry the document is shown at ("100 %" at first).
    int zoomEntry = 5;

    // Closes the window without the save question (the document is
    // dropped as it stands); false when the close was refused.
    bool closeWithoutQuestion();

    // While the find window is open the hidden control stands in the
    // document's place.
    void showFindCopy(bool show);

    // Ruler and pop-up menu state, run before the pop-up menu opens.
    void PopUpEditMenu();
    void PopUpTableMenu();
    void GeneralCheck();

Q_SIGNALS:
    // The window has closed for good (after its save question).
    void documentClosed(frmDocument *document);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layoutControls();
    void bindKeys(textengine::TextControl *control, textengine::TextControlSurface *surface,
                  engine::KeyBinding *binding);

    frmMain *m_main;
    textengine::TextControl *m_rtftext;
    textengine::TextControl *m_text3;
    std::unique_ptr<textengine::TextControlSurface> m_surface;
    std::unique_ptr<textengine::TextControlSurface> m_text3Surface;
    std::unique_ptr<engine::KeyBinding> m_binding;
    std::unique_ptr<engine::KeyBinding> m_text3Binding;
    // A Ctrl+X has cut with the clipboard's leading space: later copies
    // and cuts are plain.
    bool m_cutDone = false;
    // Set for the length of closeWithoutQuestion().
    bool m_closingUnasked = false;
};

} // namespace kalamora
