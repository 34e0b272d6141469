#include "filedialogs.h"

#include <QFileDialog>

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
        const QString name = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (name.isEmpty() || pattern.isEmpty())
            continue;
        // The name usually carries its pattern already ("Text File (*.txt)").
        filters.append(name.contains(u'(') ? name : u"%1 (%2)"_s.arg(name, pattern));
    }
    return filters;
}

std::optional<FileDialogChoice> askForFile(const FileDialogRequest &request)
{
    if (currentHook())
        return currentHook()(request);
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
    if (request.mode == FileDialogRequest::Save && QFileInfo(choice.path).suffix().isEmpty()) {
        // Give a bare name the extension of the chosen filter.
        const QString filter = dialog.selectedNameFilter();
        const int star = int(filter.indexOf(u"*."_s));
        if (star >= 0)
            choice.path += filter.mid(star + 1, filter.indexOf(u')', star) - star - 1);
    }
    return choice;
}

FileDialogHook setFileDialogHook(FileDialogHook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

} // namespace kalamora
