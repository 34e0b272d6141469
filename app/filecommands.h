#pragma once

#include "app/filedialogs.h"

#include <QObject>
#include <QString>

#include <optional>

namespace kalamora {

class frmMain;
class frmDocument;

// File > New, Open, Save, Save As and the recent-file list. Documents are
// read and written by their text-engine control; the format follows the
// file name's ending (RTF, TXT, HTM or HTML; anything else as text).
class FileCommands : public QObject {
    Q_OBJECT

public:
    explicit FileCommands(frmMain *main);

    void NewCommand();
    // Opens `path`, or asks for a file when it is empty. Returns the new
    // document window, or nullptr when nothing was opened.
    frmDocument *OpenDocument(const QString &path);
    // Saves the active document under its name (as RTF), or asks for one.
    // True when the file was written; lastSaveCompleted() keeps the answer.
    bool FileSave();
    bool lastSaveCompleted() const { return m_saveCompleted; }
    void SaveAs();
    // File > "Save As HTML": writes the active document, pictures included,
    // to an HTML file it asks for; the document keeps its own name and format.
    void SaveAsHtml();

    void AddRecentFile(const QString &path);
    void LoadRecentFiles();

    // Around every export of the active document: remember the caret and
    // selection, and put them back afterwards. The document's text is never
    // changed by an export.
    void PrepareExport();
    void FinishExport();

    static int formatForName(const QString &path, int *savedFormat = nullptr);

private:
    // The save dialog, and the overwrite question when the chosen file
    // exists; nothing when either is declined. A name without an ending
    // gets `suffix` when one is given.
    std::optional<kalamora::FileDialogChoice> askSaveTarget(const QString &title, const QString &filter,
                                                            const QString &suffix);

    frmMain *m_main;
    bool m_saveCompleted = false;
    int m_openFilterIndex = 1;
    frmDocument *m_exporting = nullptr;
    int m_exportStart = 0;
    int m_exportLength = 0;
};

} // namespace kalamora
