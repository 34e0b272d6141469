#include "modulefile.h"

#include <QFile>
#include <QFileInfo>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

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

} // namespace bundlex
