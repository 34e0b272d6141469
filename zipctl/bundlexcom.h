// What a host needs to find and create the control without linking against
// the library: the identifiers of its type library, the entry points it
// exports (resolve them by name) and the class factory they hand out.
#pragma once

#include <cstdint>

class QObject;
class QWidget;

namespace bundlex {

using Result = std::int32_t;
constexpr Result kOk = 0;
constexpr Result kFalse = 1;
constexpr Result kNoInterface = std::int32_t(0x80004002u);
constexpr Result kPointer = std::int32_t(0x80004003u);
constexpr Result kUnexpected = std::int32_t(0x8000FFFFu);
constexpr Result kClassNotAvailable = std::int32_t(0x80040111u);
constexpr Result kRegisterTypeLib = std::int32_t(0x80040200u);

constexpr const char *kTypeLibId = "{19217959-67D7-42B0-B093-D1612EC23EF8}";
constexpr const char *kTypeLibVersion = "1.0";
constexpr const char *kBundletClassId = "{0A5801FC-CD92-442E-A5B6-CE8D172C00AC}";
constexpr const char *kBundletInterfaceId = "{635E524A-BE64-4382-92BE-63BDE03D713E}";
constexpr const char *kBundletEventsId = "{8EB48ADF-F4EE-4984-BE50-4022FF376E17}";
constexpr const char *kZipFileEntryClassId = "{14093EC6-9ADC-446E-8FC0-A062068BFEB3}";
constexpr const char *kZipFileEntryInterfaceId = "{5D191D53-7E58-441E-8994-649819A180AE}";
constexpr const char *kZipActionId = "{A00E4A0A-B3EA-4B7D-8D08-6E3E36127734}";
constexpr const char *kZipLevelId = "{FC57C796-E6ED-475E-94AC-F75E31DCD761}";
constexpr const char *kClassFactoryInterfaceId = "{00000001-0000-0000-C000-000000000046}";
constexpr const char *kUnknownInterfaceId = "{00000000-0000-0000-C000-000000000046}";
constexpr const char *kDispatchInterfaceId = "{00020400-0000-0000-C000-000000000046}";

// Handed out by DllGetClassObject with one reference held for the caller.
class ClassFactory
{
public:
    // Creates the class's object as a child of parent (owned by it, or by
    // the caller when parent is null). interfaceId may be null, the class's
    // default interface, IUnknown or IDispatch; *object receives a QObject*:
    // a widget, or, in a process without a widget application and with no
    // parent, the windowless control with the same members, events and
    // property.
    virtual Result CreateInstance(QWidget *parent, const char *interfaceId, void **object) = 0;
    // A locked server stays loaded (DllCanUnloadNow answers kFalse).
    virtual Result LockServer(bool lock) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~ClassFactory() = default;
};

// Entry points, exported with C linkage:
//   Result DllRegisterServer();    writes the per-user registration record
//   Result DllUnregisterServer();  removes it
//   Result DllGetClassObject(const char *classId, const char *interfaceId, void **factory);
//   Result DllCanUnloadNow();      kOk when no object, factory or lock is alive
using DllRegisterServerFn = Result (*)();
using DllUnregisterServerFn = Result (*)();
using DllGetClassObjectFn = Result (*)(const char *, const char *, void **);
using DllCanUnloadNowFn = Result (*)();

} // namespace bundlex
