#include "ui/layer/GCSPUPluginUILayer.h"

#include <QtCore/QCoreApplication>

#include "plugin/qtstrings/GQStringSupport.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "services/filesystem/GFileSystem.h"
#include "services/messages/GUserMessage.h"
#include "ui/layer/GQUILayer.h"
#include "ui/messages/GCSPUUserMessage.h"

int GCSPUPluginUILayer::sInitCount = 0;

void GCSPUPluginUILayer::Initialize() {
    if (sInitCount++ != 0)
        return;
    GPathName folder;
    GFileSystem::GetDllPath(folder);
    folder = folder.GetBranch().GetBranch();
    folder.Append(GString("QtLibs"));
    QCoreApplication::addLibraryPath(GQStringSupport::ToQString(folder));
    GQUILayer::Initialize();
    GCPTZARidizoToolsLayer::Initialize();
    GUserMessage::SetInstance(new GCSPUUserMessage);
}

void GCSPUPluginUILayer::Finalize() {
    if (sInitCount <= 0)
        return;
    if (--sInitCount != 0)
        return;
    GUserMessage::SetInstance(nullptr);
    GCPTZARidizoToolsLayer::Finalize();
    GQUILayer::Finalize();
}
