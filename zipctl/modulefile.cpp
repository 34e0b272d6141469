#include "zipctl/modulefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace Qt::StringLiterals;

namespace bundlex {

QString libraryFile()
{
    // Any address inside this library identifies it.
    const void *inside = reinterpret_cast<const void *>(&libraryFile);
#if defined(_WIN32)
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(inside), &module))
        return QString();
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(module, path, DWORD(std::size(path)));
    if (n == 0 || n == std::size(path))
        return QString();
    return QFileInfo(QString::fromWCharArray(path, int(n))).absoluteFilePath();
#else
    Dl_info info{};
    if (!dladdr(inside, &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
#endif
}

bool widgetApplication()
{
    // By name: this library does not link the widget module.
    const QCoreApplication *app = QCoreApplication::instance();
    return app && app->inherits("QApplication");
}

QFunctionPointer widgetEntry(const char *name)
{
    static QLibrary library;
    if (!library.isLoaded()) {
        const QString self = libraryFile();
        library.setFileName(QFileInfo(self).absolutePath() + u"/bundletwidget"_s);
        if (self.isEmpty() || !library.load()) {
            library.setFileName(u"bundletwidget"_s);
            if (!library.load())
                return nullptr;
        }
    }
    return library.resolve(name);
}

} // namespace bundlex
