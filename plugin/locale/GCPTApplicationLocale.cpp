#include "plugin/locale/GCPTApplicationLocale.h"

#include <QtCore/QCoreApplication>

#include "core/base/GException.h"
#include "core/text/GStringPool.h"
#include "plugin/locale/GCVLocale.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filesystem/GFileSystem.h"
#include "services/strings/GStringPoolSupport.h"

namespace {

constexpr int kStringsFolder = 22;

GPathName StringsFolder() {
    try {
        return GFileSystem::GetSpecialPath(kStringsFolder);
    } catch (GException const&) {
        return GPathName();
    }
}

}  // namespace

GCPTApplicationLocale::GCPTApplicationLocale()
    : mLanguage(GCVLocale::GetCurrentLanguage()), mTranslator(std::make_unique<QTranslator>()) {
    GPathName const folder = StringsFolder();
    GStringPoolSupport::ReadStringFiles(folder, GString("DUZ"), 0, 0, 0);
    GStringPool::SetLanguage(mLanguage);
    GPathName const translation = GetTranslationPath(folder, mLanguage);
    if (folder.IsEmpty() || !GFileSystem::TryFileExists(translation))
        return;
    if (mTranslator->load(GQStringSupport::ToQString(translation), QString(), QString(), QString()))
        mInstalled = QCoreApplication::installTranslator(mTranslator.get());
}

GCPTApplicationLocale::~GCPTApplicationLocale() {
    if (mInstalled)
        QCoreApplication::removeTranslator(mTranslator.get());
}

GPathName GCPTApplicationLocale::GetTranslationPath(GPathName const& folder, GString const& language) {
    GPathName path = folder;
    GString leaf("Plugin_");
    leaf += language;
    leaf += GString(".qm");
    path.Append(leaf);
    return path;
}
