#include "ui/layer/GQUILayer.h"

#include "services/filesystem/GFileSystem.h"

GPathName GQUILayer::sPrefFileName;

void GQUILayer::SetPrefFileName(GPathName const& path) { sPrefFileName = path; }

void GQUILayer::GetPrefFileName(GPathName& out) {
    if (!sPrefFileName.IsEmpty()) {
        out = sPrefFileName;
        return;
    }
    out = GFileSystem::GetSpecialPath(36);
    out.Append(GString("UIGeometrySettingsQt5.ini"));
}

GPathName GQUILayer::GetPrefFileName() {
    GPathName out;
    GetPrefFileName(out);
    return out;
}
