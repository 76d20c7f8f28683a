#include "hostsdk/commands/HostObjectClasses.h"

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/commands/HostBookExportCommand.h"
#include "hostsdk/commands/HostBookExportData.h"
#include "hostsdk/commands/HostBookPackageCommand.h"
#include "hostsdk/commands/HostPDFExportCommand.h"
#include "hostsdk/commands/HostPDFExportData.h"
#include "hostsdk/commands/HostPDFExportPrefs.h"
#include "hostsdk/commands/HostPackageCommand.h"
#include "hostsdk/commands/HostPackageReport.h"
#include "hostsdk/commands/HostSetPDFExportPrefsCommand.h"
#include "hostsdk/commands/HostSysFileData.h"
#include "hostsdk/host/StandInHost.h"

namespace {

HostBoss* PDFExportCommand(StandInHost& host) {
    HostBoss* boss = HostBoss::Create(HostObjectClasses::kPDFExportCommand);
    const HostPDFExportPrefs* prefs = boss->Add<HostPDFExportPrefs>(host.SessionPdfSettings());
    const HostSysFileData* file = boss->Add<HostSysFileData>();
    const HostPDFExportData* data = boss->Add<HostPDFExportData>();
    boss->Add<HostPDFExportCommand>(*prefs, *file, *data);
    return boss;
}

HostBoss* SetPDFExportPrefsCommand(StandInHost& host) {
    HostBoss* boss = HostBoss::Create(HostObjectClasses::kSetPDFExportPrefsCommand);
    const HostPDFExportPrefs* prefs = boss->Add<HostPDFExportPrefs>(host.SessionPdfSettings());
    boss->Add<HostSetPDFExportPrefsCommand>(*prefs, host.SessionPdfSettings());
    return boss;
}

HostBoss* BookExportCommand(StandInHost& host) {
    HostBoss* boss = HostBoss::Create(HostObjectClasses::kBookExportCommand);
    const HostBookExportData* data = boss->Add<HostBookExportData>();
    boss->Add<HostBookExportCommand>(*data, host);
    return boss;
}

}  // namespace

HostBoss* HostObjectClasses::Create(StandInHost& host, ClassID objectClass) {
    switch (objectClass) {
    case kPDFExportCommand:
        return PDFExportCommand(host);
    case kSetPDFExportPrefsCommand:
        return SetPDFExportPrefsCommand(host);
    case kBookExportCommand:
        return BookExportCommand(host);
    case kPackage: {
        HostBoss* boss = HostBoss::Create(objectClass);
        boss->Add<HostPackageCommand>();
        return boss;
    }
    case kPackageReport: {
        HostBoss* boss = HostBoss::Create(objectClass);
        boss->Add<HostPackageReport>();
        return boss;
    }
    case kBookPackage: {
        HostBoss* boss = HostBoss::Create(objectClass);
        boss->Add<HostBookPackageCommand>();
        return boss;
    }
    default:
        return nullptr;
    }
}

bool HostObjectClasses::IsCommand(ClassID objectClass) {
    return objectClass == kPDFExportCommand || objectClass == kSetPDFExportPrefsCommand ||
           objectClass == kBookExportCommand;
}
