#include "settings/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace kalamora {

QString programFolder()
{
    const QString fromEnv = qEnvironmentVariable("KALAMORA_PROGRAM_DIR");
    if (!fromEnv.isEmpty())
        return QDir(fromEnv).absolutePath();
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!appDir.isEmpty() && QFileInfo::exists(appDir + u"/GO10.TTF"_s))
        return appDir;
    const QString shared = QDir(appDir + u"/../share/kalamora"_s).absolutePath();
    if (!appDir.isEmpty() && QFileInfo::exists(shared))
        return shared;
    return appDir;
}

QString userDataFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + u"/.local/share"_s;
    dir += u"/Kalamora"_s;
    QDir().mkpath(dir);
    return dir;
}

} // namespace kalamora
