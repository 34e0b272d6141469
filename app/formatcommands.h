#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QComboBox;
class QPrinter;

namespace kalamora {

class frmDocument;
class frmMain;
class frmPrintView;

namespace textengine {
class TextControl;
class TextObject;
} // namespace textengine

// The main window's Format, Table, Insert and zoom/page-view commands, the
// print commands, page setup, print preview and PDF export. Each command
// acts on the active document and does nothing when none is open; the
// formatting commands give the focus back to the document.
class FormatCommands : public QObject {
    Q_OBJECT

public:
    explicit FormatCommands(frmMain *main);
    ~FormatCommands() override;

    // Inserts a picture chosen in the open-file dialog: in the line as a
    // character, or in a frame nLeft twips from the text's left edge and
    // nTop twips below the top of the view. A cancelled choice is silent;
    // any other failure is reported.
    void InsertImage(bool bInsertAsCharacter, textengine::TextControl *txText, int nLeft, int nTop);
    // Embeds an object the control asks for, as a character or in a frame.
    void InsertObject(bool bInsertAsCharacter, textengine::TextControl *txText, int nLeft, int nTop);
    // Insert > File...: an RTF file (by its last three letters) or a text
    // file at the caret.
    void insertTextFile();

    // The zoom box on the language bar: the active document's zoom.
    QComboBox *cmbZoom() const { return m_zoomBox; }
    // The zoom box's entry `index` applied to the active document.
    void applyZoom(int index);
    void setViewMode(int mode);
    void setTabKind(int kind);

    void print(bool pageRange);
    void printSetup();
    void showPageSetup();
    frmPrintView *showPrintView();
    // File > Export As PDF...
    void exportPdf();

    void customTable();
    void imageAttributes();
    void chooseColour(bool background);

    QPrinter &printer() { return *m_printer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    textengine::TextControl *text() const;
    void afterFormat();
    void formatMenuAboutToShow();
    void tableMenuAboutToShow();
    void viewMenuAboutToShow();
    void showDocumentSettings(frmDocument *doc);
    void showTabKind(int kind);

    frmMain *m_main;
    QComboBox *m_zoomBox = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<textengine::TextObject> m_currentObject;
};

} // namespace kalamora
