#pragma once
// GQUIOpenSavePanel: Qt's standard file dialogs for the framework: one or several files to open,
// an existing folder or a folder for new output, a path to save to. Filters come from the
// framework's file types; chosen paths come back as GPathName.
//
// Callers may rely on:
// - Each function returns true when the user chose something and false when the dialog was
//   cancelled. Open and folder choosers leave the path as it was on cancel; ChooseSave and
//   ChooseCreateFolder clear it first; the several-files form appends to the table.
// - Every dialog runs between the Qt layer's start- and stop-modal hooks (window id null),
//   parented to GQUILayer::GetWidgetWrapper(); the stop hook runs also when the call throws.
// - A chosen path names the very item the dialog showed: its text is taken as it stands, not
//   composed, since the file system here tells composed and decomposed names apart.
// - ChooseSave with a start folder and an absolute proposed name throws 40066 without a dialog.
// - Main thread only.
#include <QtCore/QString>
#include <QtWidgets/QFileDialog>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GFileType;

class GQUIOpenSavePanel {
public:
    GQUIOpenSavePanel() = delete;

    static bool ChooseOpen(GPathName& path, GString const& title, GFileType const* type,
                           GPathName const& startFolder);
    static bool ChooseOpen(GPathName& path, GString const& title, GTable<GFileType const*> const& types,
                           GPathName const& startFolder);
    static bool ChooseOpen(GTable<GPathName>& paths, GString const& title, GFileType const* type,
                           GPathName const& startFolder);
    static bool ChooseOpen(GTable<GPathName>& paths, GString const& title, GTable<GFileType const*> const& types,
                           GPathName const& startFolder);
    // The proposed name gets the type's extension when it has none.
    static bool ChooseSave(GPathName& path, GString const& title, GString const& name, GFileType const* type);
    static bool ChooseSave(GPathName& path, GString const& title, GString const& name, GPathName const& startFolder,
                           GFileType const* type);
    static bool ChooseOpenFolder(GPathName& path, GString const& title, QFileDialog::Options options,
                                 GPathName const& startFolder);
    static bool ChooseCreateFolder(GPathName& path, GString const& title, GPathName const& startFolder);

    static void ConvertToGPathName(GString const& text, GPathName& path);
    // Qt's filter text: one group per distinct descriptor, in the order the descriptors first
    // appear, each listing "*.<extension>" of its types in input order; empty without types.
    static void CreateFileFilters(GTable<GFileType const*> const& types, QString& filters);
};
