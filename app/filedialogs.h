#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The program's open and save dialogs. Like message boxes they go through
// one function that a test can answer.

namespace kalamora {

struct FileDialogRequest {
    enum Mode { Open, Save };
    QWidget *parent = nullptr;
    Mode mode = Open;
    QString title;
    QStringList filters; // Qt form: "Rich Text File (*.rtf)"
    int filterIndex = 1; // 1-based, as the dialog reports it
};

struct FileDialogChoice {
    QString path;
    int filterIndex = 1; // 1-based index of the filter the user chose
};

using FileDialogHook = std::function<std::optional<FileDialogChoice>(const FileDialogRequest &)>;

// Shows the dialog; nothing when the user cancels.
std::optional<FileDialogChoice> askForFile(const FileDialogRequest &request);
FileDialogHook setFileDialogHook(FileDialogHook hook);

// Turns a filter string of the form "Name (*.ext) |*.ext|Name2 ...|" into
// Qt's filters, one "Name (*.ext)" per entry; an entry of several patterns
// ("*.htm;*.html") becomes "Name (*.htm *.html)".
QStringList qtFilters(const QString &legacy);

// The endings a Qt filter names: "HyperText File (*.htm *.html)" gives
// "htm" and "html"; a pattern that is no plain ending ("*") gives none.
QStringList filterEndings(const QString &qtFilter);

// The name a save dialog makes of `path` under `qtFilter`: a name without
// an ending gets the filter's first one; any other name stays as it is.
QString withFilterEnding(const QString &path, const QString &qtFilter);

} // namespace kalamora
