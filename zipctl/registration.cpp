#include "zipctl/registration.h"

#include "zipctl/bundletcore.h"
#include "zipctl/bundlexcom.h"
#include "zipctl/modulefile.h"
#include "zipctl/serverlock_p.h"
#include "zipctl/widgetentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <atomic>
#include <cstring>

using namespace Qt::StringLiterals;

namespace bundlex {

namespace {

std::atomic<int> liveObjects{0};
std::atomic<int> serverLocks{0};

bool sameId(const char *a, const char *b)
{
    return a && b && QLatin1StringView(a).compare(QLatin1StringView(b), Qt::CaseInsensitive) == 0;
}

class BundletFactory final : public ClassFactory
{
public:
    BundletFactory() { objectCreated(); }

    Result CreateInstance(QWidget *parent, const char *interfaceId, void **object) override
    {
        if (!object)
            return kPointer;
        *object = nullptr;
        if (interfaceId && !sameId(interfaceId, kBundletInterfaceId) && !sameId(interfaceId, kUnknownInterfaceId)
            && !sameId(interfaceId, kDispatchInterfaceId))
            return kNoInterface;
        // A host without a widget application gets the control windowless,
        // and never loads the window's library or Qt's widget modules.
        if (!parent && !widgetApplication()) {
            *object = static_cast<QObject *>(new BundletCore);
            return kOk;
        }
        const auto create = reinterpret_cast<BundletCreateWidgetFn>(widgetEntry("BundletCreateWidget"));
        if (!create)
            return kClassNotAvailable;
        *object = create(parent);
        return kOk;
    }

    Result LockServer(bool lock) override
    {
        serverLocks += lock ? 1 : -1;
        return kOk;
    }

    std::uint32_t AddRef() override { return ++m_refs; }

    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ~BundletFactory() { objectDestroyed(); }

    std::atomic<std::uint32_t> m_refs{1};
};

} // namespace

void objectCreated()
{
    ++liveObjects;
}

void objectDestroyed()
{
    --liveObjects;
}

QString registrationFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Bundlex/registration.ini"_s;
}

QString registeredLibrary(const QString &classId)
{
    const QString file = registrationFile();
    if (!QFileInfo::exists(file))
        return QString();
    QSettings record(file, QSettings::IniFormat);
    for (const QString &group : record.childGroups()) {
        record.beginGroup(group);
        const bool match = record.value(u"Id"_s).toString().compare(classId, Qt::CaseInsensitive) == 0;
        const QString path = record.value(u"Path"_s).toString();
        record.endGroup();
        if (match)
            return path;
    }
    return QString();
}

} // namespace bundlex

using namespace bundlex;

extern "C" {

Q_DECL_EXPORT Result DllRegisterServer()
{
    const QString file = registrationFile();
    const QString library = libraryFile();
    if (library.isEmpty() || !QDir().mkpath(QFileInfo(file).absolutePath()))
        return kRegisterTypeLib;
    QFile::remove(file);
    QSettings record(file, QSettings::IniFormat);
    const QString typeLib = QLatin1StringView(kTypeLibId);
    auto section = [&](const QString &name, const char *id, const QString &kind) {
        record.beginGroup(name);
        record.setValue(u"Id"_s, QLatin1StringView(id));
        record.setValue(u"Kind"_s, kind);
        record.setValue(u"TypeLib"_s, typeLib);
    };
    record.beginGroup(u"TypeLib"_s);
    record.setValue(u"Id"_s, typeLib);
    record.setValue(u"Version"_s, QLatin1StringView(kTypeLibVersion));
    record.setValue(u"Name"_s, u"Bundlex"_s);
    record.setValue(u"Path"_s, library);
    record.endGroup();

    // A class: whether it is a control, whether the factory creates it (both
    // hold for Bundlet alone), the library that serves it and its interface.
    auto classSection = [&](const QString &name, const char *id, bool control, const QString &defaultInterface) {
        section(name, id, u"class"_s);
        record.setValue(u"Control"_s, control);
        record.setValue(u"Creatable"_s, control);
        record.setValue(u"Path"_s, library);
        record.setValue(u"DefaultInterface"_s, defaultInterface);
    };
    classSection(u"Bundlet"_s, kBundletClassId, true, u"_Bundlet"_s);
    record.setValue(u"EventInterface"_s, u"__Bundlet"_s);
    record.endGroup();
    section(u"_Bundlet"_s, kBundletInterfaceId, u"dispatch"_s);
    record.endGroup();
    section(u"__Bundlet"_s, kBundletEventsId, u"events"_s);
    record.endGroup();
    classSection(u"ZipFileEntry"_s, kZipFileEntryClassId, false, u"_ZipFileEntry"_s);
    record.endGroup();
    section(u"_ZipFileEntry"_s, kZipFileEntryInterfaceId, u"dispatch"_s);
    record.endGroup();
    section(u"ZipAction"_s, kZipActionId, u"enumeration"_s);
    record.setValue(u"Members"_s, u"zipDefault=1,zipFreshen=2,zipUpdate=3"_s);
    record.endGroup();
    section(u"ZipLevel"_s, kZipLevelId, u"enumeration"_s);
    record.setValue(u"Members"_s,
                    u"zipStore=0,zipLevel1=1,zipSuperFast=2,zipFast=3,zipLevel4=4,zipNormal=5,zipLevel6=6,"
                    u"zipLevel7=7,zipLevel8=8,zipMax=9"_s);
    record.endGroup();
    record.sync();
    return record.status() == QSettings::NoError ? kOk : kRegisterTypeLib;
}

Q_DECL_EXPORT Result DllUnregisterServer()
{
    const QString file = registrationFile();
    if (QFileInfo::exists(file) && !QFile::remove(file))
        return kRegisterTypeLib;
    return kOk;
}

Q_DECL_EXPORT Result DllGetClassObject(const char *classId, const char *interfaceId, void **factory)
{
    if (!factory)
        return kPointer;
    *factory = nullptr;
    // ZipFileEntry objects come only from Bundlet::GetEntry.
    if (!sameId(classId, kBundletClassId))
        return kClassNotAvailable;
    if (interfaceId && !sameId(interfaceId, kClassFactoryInterfaceId) && !sameId(interfaceId, kUnknownInterfaceId))
        return kNoInterface;
    *factory = static_cast<ClassFactory *>(new BundletFactory);
    return kOk;
}

Q_DECL_EXPORT Result DllCanUnloadNow()
{
    return liveObjects.load() == 0 && serverLocks.load() == 0 ? kOk : kFalse;
}
}
