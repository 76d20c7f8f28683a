#include "ui/panels/GQUIOpenSavePanel.h"

#include <QtCore/QDir>
#include <QtCore/QStringList>

#include "core/containers/GDict.h"
#include "core/containers/GDictUtil.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filetypes/GFileType.h"
#include "ui/layer/GQUILayer.h"
#include "ui/layer/GQUIModalLoopScope.h"
#include "ui/support/GQUIPathNameSupport.h"

namespace {

struct FilterGroup {
    GString descriptor;
    GTable<GString> extensions;
};

GTable<GFileType const*> TableOf(GFileType const* type) {
    GTable<GFileType const*> types;
    if (type != nullptr)
        types.AddItem(type);
    return types;
}

QString StartFolderText(GPathName const& startFolder) {
    if (startFolder.IsEmpty())
        return QDir::homePath();
    return GQUIPathNameSupport::ConvertToUIQString(startFolder);
}

// The text Qt gives is the name as the file system holds it.
GPathName ChosenPath(QString const& text) {
    GPathName path;
    GQUIOpenSavePanel::ConvertToGPathName(GQStringSupport::ToGString(text, false), path);
    return path;
}

QString Patterns(GTable<GString> const& extensions) {
    QStringList patterns;
    for (GString const& extension : extensions)
        patterns << QStringLiteral("*.") + GQStringSupport::ToQString(extension);
    return patterns.join(QLatin1Char(' '));
}

}  // namespace

void GQUIOpenSavePanel::CreateFileFilters(GTable<GFileType const*> const& types, QString& filters) {
    filters.clear();
    GDict<GString, int> groupOfDescriptor(GDictUtil::GetAllocation(5));
    GTable<FilterGroup> groups;
    for (GFileType const* type : types) {
        GString const descriptor = type->GetDescriptor();
        int slot = 0;
        if (groupOfDescriptor.GetExistingIndex(descriptor, slot)) {
            groups[groupOfDescriptor.GetValueAt(slot)].extensions.AddItem(type->GetExtension());
            continue;
        }
        groupOfDescriptor.Put(descriptor, groups.GetCount());
        FilterGroup& group = groups.AddItem(FilterGroup{descriptor, GTable<GString>()});
        group.extensions.AddItem(type->GetExtension());
    }
    // Descriptors in the order they first appear: Qt preselects the first group.
    for (FilterGroup const& group : groups) {
        if (!filters.isEmpty())
            filters += QStringLiteral(";;");
        filters += GQStringSupport::ToQString(group.descriptor) + QStringLiteral(" (") + Patterns(group.extensions) +
                   QLatin1Char(')');
    }
}

void GQUIOpenSavePanel::ConvertToGPathName(GString const& text, GPathName& path) { path.SetNativePathString(text); }

bool GQUIOpenSavePanel::ChooseOpen(GPathName& path, GString const& title, GFileType const* type,
                                   GPathName const& startFolder) {
    return ChooseOpen(path, title, TableOf(type), startFolder);
}

bool GQUIOpenSavePanel::ChooseOpen(GPathName& path, GString const& title, GTable<GFileType const*> const& types,
                                   GPathName const& startFolder) {
    GQUIModalLoopScope const loop(nullptr);
    QString filters;
    CreateFileFilters(types, filters);
    QString const chosen = QFileDialog::getOpenFileName(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                                        StartFolderText(startFolder), filters);
    if (chosen.isEmpty())
        return false;
    path = ChosenPath(chosen);
    return true;
}

bool GQUIOpenSavePanel::ChooseOpen(GTable<GPathName>& paths, GString const& title, GFileType const* type,
                                   GPathName const& startFolder) {
    return ChooseOpen(paths, title, TableOf(type), startFolder);
}

bool GQUIOpenSavePanel::ChooseOpen(GTable<GPathName>& paths, GString const& title,
                                   GTable<GFileType const*> const& types, GPathName const& startFolder) {
    GQUIModalLoopScope const loop(nullptr);
    QString filters;
    CreateFileFilters(types, filters);
    QStringList const chosen = QFileDialog::getOpenFileNames(
        GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title), StartFolderText(startFolder), filters);
    for (QString const& file : chosen)
        paths.AddItem(ChosenPath(file));
    return !chosen.isEmpty();
}

bool GQUIOpenSavePanel::ChooseSave(GPathName& path, GString const& title, GString const& name,
                                   GFileType const* type) {
    return ChooseSave(path, title, name, GPathName(), type);
}

bool GQUIOpenSavePanel::ChooseSave(GPathName& path, GString const& title, GString const& name,
                                   GPathName const& startFolder, GFileType const* type) {
    // Started before the proposed path is built, which throws for an absolute name: the scope
    // tells the host that the loop ended then too.
    GQUIModalLoopScope const loop(nullptr);
    path.Clear();
    QString filters;
    GString proposed = name;
    if (type != nullptr) {
        CreateFileFilters(TableOf(type), filters);
        if (GPathName(name).GetExtension().IsEmpty() && !type->GetExtension().IsEmpty())
            proposed += GString(".") + type->GetExtension();
    }
    QString const initial =
        startFolder.IsEmpty()
            ? QDir::homePath() + QLatin1Char('/') + GQStringSupport::ToQString(proposed)
            : GQUIPathNameSupport::ConvertToUIQString(startFolder / GPathName(proposed));
    QString const chosen =
        QFileDialog::getSaveFileName(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title), initial, filters);
    if (chosen.isEmpty())
        return false;
    path = ChosenPath(chosen);
    return true;
}

bool GQUIOpenSavePanel::ChooseOpenFolder(GPathName& path, GString const& title, QFileDialog::Options options,
                                         GPathName const& startFolder) {
    GQUIModalLoopScope const loop(nullptr);
    QString const chosen = QFileDialog::getExistingDirectory(
        GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title), StartFolderText(startFolder), options);
    if (chosen.isEmpty())
        return false;
    path = ChosenPath(chosen);
    return true;
}

bool GQUIOpenSavePanel::ChooseCreateFolder(GPathName& path, GString const& title, GPathName const& startFolder) {
    path.Clear();
    return ChooseOpenFolder(path, title, QFileDialog::ShowDirsOnly, startFolder);
}
