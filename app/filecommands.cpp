#include "app/filecommands.h"

#include "app/filedialogs.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"

#include "document/documentfile.h"

#include "settings/settingsstore.h"
#include "textengine/textcontrol.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString OpenFilter =
    u"Rich Text File (*.rtf) |*.rtf|Text File (*.txt) |*.txt|HyperText File (*.htm;*.html) |*.htm;*.html|"_s;
const QString SaveFilter = u"Rich Text File (*.rtf) |*.rtf|"_s;
const QString SaveAsFilter = u"Rich Text File (*.rtf) |*.rtf|Text File (*.txt) |*.txt|"_s;
const QString HtmlFilter = u"HyperText File (*.htm;*.html) |*.htm;*.html|"_s;

using TC = textengine::TextControl;

} // namespace

FileCommands::FileCommands(frmMain *main)
    : QObject(main)
    , m_main(main)
{
    CommandSurface &c = main->commands();
    connect(c.mnuFileNew, &QAction::triggered, this, &FileCommands::NewCommand);
    connect(c.mnuFileOpen, &QAction::triggered, this, [this] { OpenDocument(QString()); });
    connect(c.mnuFileSave, &QAction::triggered, this, [this] { FileSave(); });
    connect(c.mnuFileSaveAs, &QAction::triggered, this, &FileCommands::SaveAs);
    connect(c.mnuFileSaveHtml, &QAction::triggered, this, &FileCommands::SaveAsHtml);
    for (QAction *item : c.mnuRecentFile)
        connect(item, &QAction::triggered, this, [this, item] { OpenDocument(item->text()); });
}

int FileCommands::formatForName(const QString &path, int *savedFormat)
{
    // By the extension, as the command line and mail read files: a text
    // file whose name merely ends in the letters "rtf" ("minutes_rtf") is
    // no RTF file and must open.
    const int format = document::fileFormatForSuffix(path);
    if (savedFormat)
        *savedFormat = format == TC::FormatRtf ? 0 : format == TC::FormatHtml ? 3 : 1;
    return format;
}

void FileCommands::NewCommand()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    frmDocument *doc = m_main->NewDocument();
    QGuiApplication::restoreOverrideCursor();
    if (!m_main->language().CmbFontHin()->currentText().isEmpty())
        doc->rtftext()->setFontName(m_main->language().CmbFontHin()->currentText());
    const int size = m_main->language().cmbFontSize()->currentText().toInt();
    if (size > 0)
        doc->rtftext()->setFontSize(size);
}

frmDocument *FileCommands::OpenDocument(const QString &path)
{
    QString name = path;
    bool fromDialog = false;
    if (name.isEmpty()) {
        kalamora::FileDialogRequest request;
        request.parent = m_main;
        request.mode = kalamora::FileDialogRequest::Open;
        request.title = u"Open File"_s;
        request.filters = kalamora::qtFilters(OpenFilter);
        request.filterIndex = m_openFilterIndex;
        const auto choice = kalamora::askForFile(request);
        if (!choice)
            return nullptr;
        name = choice->path;
        m_openFilterIndex = choice->filterIndex;
        fromDialog = true;
    }

    // The full path: the title shows it, and the recent list opens it again
    // from wherever the program was started.
    if (!name.isEmpty())
        name = QFileInfo(name).absoluteFilePath();
    // The window exists before the file is read, so that a failure can be
    // shown in it; it closes again without its question when the read fails.
    frmDocument *doc = m_main->NewDocument();
    doc->setWindowTitle(name);
    doc->SavedName = name;
    int savedFormat = 1;
    const int format = formatForName(name, &savedFormat);
    if (!QFileInfo(name).isFile() || !doc->rtftext()->Load(name, 0, format)) {
        const bool missing = !QFileInfo(name).isReadable() || !QFileInfo(name).isFile();
        if (missing) {
            kalamora::showMessage(m_main, QMessageBox::NoIcon, u"Kalamora"_s, u"File Not Found"_s);
        } else {
            kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s,
                                  u"Can't open %1:\n%2"_s.arg(name, doc->rtftext()->errorString()));
        }
        doc->closeWithoutQuestion();
        return nullptr;
    }
    doc->SavedFormat = QString::number(savedFormat);
    AddRecentFile(name);
    doc->SavedName = name;
    if (fromDialog) {
        static const int byFilter[] = {0, 1, 0};
        if (m_openFilterIndex >= 1 && m_openFilterIndex <= 3)
            doc->SavedFormat = QString::number(byFilter[m_openFilterIndex - 1]);
    }
    doc->rtftext()->setSelStart(0);
    m_main->SyncFormatControls(); // the caret stood at 0 before the text came
    return doc;
}

bool FileCommands::FileSave()
{
    frmDocument *doc = m_main->activeDocument();
    m_saveCompleted = false;
    if (!doc)
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    PrepareExport();
    bool ok = true;
    if (doc->SavedFormat != frmDocument::None) {
        ok = doc->rtftext()->RTFExport(doc->SavedName);
    } else {
        kalamora::FileDialogRequest request;
        request.parent = m_main;
        request.mode = kalamora::FileDialogRequest::Save;
        request.title = u"Save Document"_s;
        request.filters = kalamora::qtFilters(SaveFilter);
        QGuiApplication::restoreOverrideCursor();
        const auto choice = kalamora::askForFile(request);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (!choice) {
            FinishExport();
            QGuiApplication::restoreOverrideCursor();
            return false;
        }
        if (choice->filterIndex == 2) {
            ok = doc->rtftext()->Save(choice->path, 0, TC::FormatText);
            if (ok)
                doc->SavedFormat = u"1"_s;
        } else {
            ok = doc->rtftext()->RTFExport(choice->path);
            if (ok)
                doc->SavedFormat = u"5"_s;
        }
        if (ok) {
            doc->SavedName = choice->path;
            AddRecentFile(choice->path);
            doc->setWindowTitle(choice->path);
        }
    }
    FinishExport();
    QGuiApplication::restoreOverrideCursor();
    if (!ok) {
        kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s,
                              u"The document could not be saved: %1"_s.arg(doc->rtftext()->errorString()));
        return false;
    }
    m_saveCompleted = true;
    return true;
}

void FileCommands::SaveAs()
{
    frmDocument *doc = m_main->activeDocument();
    if (!doc)
        return;
    PrepareExport();
    const auto choice = askSaveTarget(u"Save File As"_s, SaveAsFilter, QString());
    if (!choice) {
        FinishExport();
        return;
    }
    bool ok = true;
    QString format;
    if (choice->filterIndex == 1) {
        ok = doc->rtftext()->Save(choice->path, 0, TC::FormatRtf);
        format = u"5"_s;
    } else if (choice->filterIndex == 2) {
        ok = doc->rtftext()->Save(choice->path, 0, TC::FormatText);
        format = u"1"_s;
    }
    FinishExport();
    if (!ok) {
        kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s,
                              u"The document could not be saved: %1"_s.arg(doc->rtftext()->errorString()));
        return;
    }
    // The document takes the new name only once it is written there.
    doc->SavedName = choice->path;
    if (!format.isEmpty())
        doc->SavedFormat = format;
    doc->setWindowTitle(choice->path);
}

std::optional<kalamora::FileDialogChoice> FileCommands::askSaveTarget(const QString &title, const QString &filter,
                                                                      const QString &suffix)
{
    kalamora::FileDialogRequest request;
    request.parent = m_main;
    request.mode = kalamora::FileDialogRequest::Save;
    request.title = title;
    request.filters = kalamora::qtFilters(filter);
    auto choice = kalamora::askForFile(request);
    if (!choice)
        return std::nullopt;
    if (!suffix.isEmpty() && QFileInfo(choice->path).suffix().isEmpty())
        choice->path += u'.' + suffix;
    if (QFileInfo::exists(choice->path)) {
        const auto answer = kalamora::showMessage(m_main, QMessageBox::Question, u"Overwrite File?"_s,
                                                  u"File Already Exists. Overwrite ?"_s,
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return std::nullopt;
    }
    return choice;
}

void FileCommands::SaveAsHtml()
{
    frmDocument *doc = m_main->activeDocument();
    if (!doc)
        return;
    PrepareExport();
    const auto choice = askSaveTarget(u"Save As HTML"_s, HtmlFilter, u"htm"_s);
    if (!choice) {
        FinishExport();
        return;
    }
    const bool ok = doc->rtftext()->Save(choice->path, 0, TC::FormatHtml);
    FinishExport();
    if (!ok)
        kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s,
                              u"The document could not be saved: %1"_s.arg(doc->rtftext()->errorString()));
}

void FileCommands::AddRecentFile(const QString &path)
{
    SettingsStore &settings = m_main->settings();
    for (int i = 0; i < 4; ++i) {
        if (settings.readString(u"MRU%1"_s.arg(i)) == path)
            return;
    }
    const QList<QAction *> &items = m_main->commands().mnuRecentFile;
    const QString older[3] = {items[0]->text(), items[1]->text(), items[2]->text()};
    settings.writeString(u"MRU0"_s, path);
    for (int i = 0; i < 3; ++i)
        settings.writeString(u"MRU%1"_s.arg(i + 1), older[i]);
    LoadRecentFiles();
}

void FileCommands::LoadRecentFiles()
{
    CommandSurface &c = m_main->commands();
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        QAction *item = c.mnuRecentFile[i];
        const QString path = m_main->settings().readString(u"MRU%1"_s.arg(i));
        item->setText(path);
        item->setVisible(!path.isEmpty());
        item->setEnabled(!path.isEmpty());
        any = any || !path.isEmpty();
    }
    c.mnuFileRecent->menuAction()->setVisible(any);
}

void FileCommands::PrepareExport()
{
    m_exporting = m_main->activeDocument();
    if (!m_exporting)
        return;
    m_exportStart = m_exporting->rtftext()->SelStart();
    m_exportLength = m_exporting->rtftext()->SelLength();
}

void FileCommands::FinishExport()
{
    if (m_exporting && m_main->documents().contains(m_exporting)) {
        m_exporting->rtftext()->setSelStart(m_exportStart);
        m_exporting->rtftext()->setSelLength(m_exportLength);
    }
    m_exporting = nullptr;
}

} // namespace kalamora
