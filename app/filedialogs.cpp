#include "app/filedialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {
FileDialogHook &currentHook()
{
    static FileDialogHook hook;
    return hook;
}
} // namespace

QStringList qtFilters(const QString &legacy)
{
    const QStringList parts = legacy.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QStringList patterns = parts[i + 1].split(QRegularExpression(u"[;\\s]+"_s), Qt::SkipEmptyParts);
        if (name.isEmpty() || patterns.isEmpty())
            continue;
        // The name usually shows its patterns already ("Text File (*.txt)");
        // Qt reads them from there, separated by blanks.
        const qsizetype open = name.lastIndexOf(u'(');
        if (open >= 0 && name.endsWith(u')'))
            name = name.left(open).trimmed();
        filters.append(u"%1 (%2)"_s.arg(name, patterns.join(u' ')));
    }
    return filters;
}

QStringList filterEndings(const QString &qtFilter)
{
    const qsizetype open = qtFilter.lastIndexOf(u'(');
    const qsizetype close = qtFilter.lastIndexOf(u')');
    QStringList endings;
    if (open < 0 || close < open)
        return endings;
    static const QRegularExpression plainEnding(u"^\\*\\.([A-Za-z0-9_]+)$"_s);
    const QStringList patterns = qtFilter.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts);
    for (const QString &pattern : patterns) {
        const QRegularExpressionMatch m = plainEnding.match(pattern);
        if (m.hasMatch())
            endings.append(m.captured(1));
    }
    return endings;
}

QString withFilterEnding(const QString &path, const QString &qtFilter)
{
    const QStringList endings = filterEndings(qtFilter);
    if (endings.isEmpty() || !QFileInfo(path).suffix().isEmpty() || QFileInfo(path).fileName().isEmpty())
        return path;
    return path.endsWith(u'.') ? path + endings.first() : path + u'.' + endings.first();
}

std::optional<FileDialogChoice> askForFile(const FileDialogRequest &request)
{
    if (currentHook()) {
        auto choice = currentHook()(request);
        if (choice && request.mode == FileDialogRequest::Save)
            choice->path = withFilterEnding(choice->path, request.filters.value(choice->filterIndex - 1));
        return choice;
    }
    QFileDialog dialog(request.parent, request.title);
    dialog.setNameFilters(request.filters);
    if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size())
        dialog.selectNameFilter(request.filters[request.filterIndex - 1]);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (request.mode == FileDialogRequest::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The program asks its own overwrite question where it has one.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogChoice choice;
    choice.path = dialog.selectedFiles().first();
    choice.filterIndex = int(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (request.mode == FileDialogRequest::Save)
        choice.path = withFilterEnding(choice.path, dialog.selectedNameFilter());
    return choice;
}

FileDialogHook setFileDialogHook(FileDialogHook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

} // namespace kalamora
