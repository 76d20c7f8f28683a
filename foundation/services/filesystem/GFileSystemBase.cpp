#include "services/filesystem/GFileSystemBase.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "services/filesystem/PMacFileSystemImp.h"
#include "services/filesystem/PMacFolderRemoval.h"

// ---- Recursive ----

template <class Imp>
bool GFileSystemBase<Imp>::RemoveFolder(GPathName const& p, int removeKinds, int descendKinds) {
    Checked(p);
    if (!Imp::FolderExists(p))
        return false;
    if (Imp::IsAlias(p)) {
        if ((descendKinds & 4) == 0) {
            Imp::RemoveFolderOnly(p);
            return true;
        }
        GPathName target;
        Imp::GetAliasTarget(p, target);
        if (PMacFolderRemoval::RemoveContents(target, removeKinds, descendKinds)) {
            Imp::RemoveFolderOnly(p);
            PMacFolderRemoval::RemoveFolder(target, removeKinds, descendKinds);
        }
        return true;
    }
    PMacFolderRemoval::RemoveFolder(p, removeKinds, descendKinds);
    return true;
}

template <class Imp>
void GFileSystemBase<Imp>::RemoveFolderContent(GPathName const& p, int removeKinds, int descendKinds) {
    Checked(p);
    PMacFolderRemoval::RemoveContents(p, removeKinds, descendKinds);
}

template <class Imp>
bool GFileSystemBase<Imp>::RecursiveRemoveFolder(GPathName const& p, int removeKinds, int descendKinds) {
    Checked(p);
    return PMacFolderRemoval::RemoveContents(p, removeKinds, descendKinds);
}

template <class Imp>
void GFileSystemBase<Imp>::CopyDateTimeInfo(GPathName const& s, GPathName const& d) {
    Checked(s, d);
    GDateTime date;
    Imp::GetCreationDateTime(s, date);
    Imp::SetCreationDateTime(d, date);
    Imp::GetModificationDateTime(s, date);
    Imp::SetModificationDateTime(d, date);
}

template <class Imp>
void GFileSystemBase<Imp>::CopyDateTimeInfoRecursive(GPathName const& s, GPathName const& d) {
    Checked(s, d);
    for (Entry const& entry : Imp::ListFolder(s, nullptr)) {
        const GPathName counterpart = Counterpart(d, entry.path);
        if (entry.isFolder)
            CopyDateTimeInfoRecursive(entry.path, counterpart);
        if (entry.isFolder || entry.isFile)
            CopyDateTimeInfo(entry.path, counterpart);
    }
}

template <class Imp>
void GFileSystemBase<Imp>::CopyPermissionsRecursive(GPathName const& s, GPathName const& d) {
    Checked(s, d);
    for (Entry const& entry : Imp::ListFolder(s, nullptr)) {
        const GPathName counterpart = Counterpart(d, entry.path);
        if (entry.isFolder)
            CopyPermissionsRecursive(entry.path, counterpart);
        if (entry.isFolder || entry.isFile)
            Imp::CopyPermissions(entry.path, counterpart);
    }
}

template <class Imp>
void GFileSystemBase<Imp>::CopyFolderTo(GPathName const& s, GPathName const& destFolder, GPathName& newPath,
                                        bool overwrite) {
    Checked(s, destFolder);
    Imp::CheckNotInside(Counterpart(destFolder, s), s);
    newPath = Counterpart(destFolder, s);
    if (!Imp::CreateFolder(newPath) && !overwrite)
        throw GSimpleException(kDestinationExists);
    Imp::CopyAttributes(s, newPath);
    CopyEntries(s, newPath, overwrite);
    CopyDateTimeInfo(s, newPath);
    Imp::CopyPermissions(s, newPath);
    Imp::SetObjectLocked(newPath, Imp::IsItemLocked(s));
}

template <class Imp>
void GFileSystemBase<Imp>::CopyEntries(GPathName const& s, GPathName const& newPath, bool overwrite) {
    std::vector<std::string> untexted;
    for (Entry const& entry : Imp::ListFolder(s, &untexted)) {
        GPathName copied;
        if (entry.isFile && !entry.isAlias)
            Imp::CopyFileAs(entry.path, Counterpart(newPath, entry.path), overwrite, entry.isRegular);
        else if (entry.isFile)
            Imp::CopyFileTo(entry.path, newPath, copied, overwrite);
        else if (entry.isFolder)
            CopyFolderTo(entry.path, newPath, copied, overwrite);
        else
            CopyLink(entry.path, newPath, overwrite);
    }
    // Names that no path text can hold go by their bytes.
    for (std::string const& name : untexted)
        Imp::CopyEntryByName(s, name, newPath, overwrite, false);
}

template <class Imp>
void GFileSystemBase<Imp>::CopyFolderContentsTo(GPathName const& s, GPathName const& destFolder, bool overwrite) {
    Checked(s, destFolder);
    Imp::CheckNotInside(Counterpart(destFolder, s), s);
    std::vector<std::string> untexted;
    for (Entry const& entry : Imp::ListFolder(s, &untexted)) {
        const GPathName counterpart = Counterpart(destFolder, entry.path);
        if (entry.isFile) {
            try {
                GPathName copied;
                Imp::CopyFileTo(entry.path, destFolder, copied, overwrite);
            } catch (GException const& e) {
                if (e.GetExceptionID() != kDuplicate)
                    throw;
            }
        } else if (entry.isFolder) {
            Imp::CreateFolder(counterpart);
            Imp::CopyAttributes(entry.path, counterpart);
            CopyFolderContentsTo(entry.path, counterpart, overwrite);
        } else {
            CopyLink(entry.path, destFolder, overwrite);
        }
    }
    for (std::string const& name : untexted)
        Imp::CopyEntryByName(s, name, destFolder, overwrite, true);
}

template <class Imp>
void GFileSystemBase<Imp>::CopyLink(GPathName const& link, GPathName const& destFolder, bool overwrite) {
    GPathName copied;
    Imp::CopyFileTo(link, destFolder, copied, overwrite, false);
}

// ---- Special paths, unique names ----

template <class Imp>
GPathName GFileSystemBase<Imp>::DefaultSpecialPath(int id) {
    switch (id) {
    case -8: return Of(&Imp::GetUserApplicationDataFolder);
    case -7: return Of(&Imp::GetSystemFolder);
    case -6: return Of(&Imp::GetDllPath);
    case -5: return Of(&Imp::GetApplicationPath);
    case -4: return Of(&Imp::GetUserPreferenceFolder);
    case -3: return Of(&Imp::GetGlobalPreferenceFolder);
    case -2: return Of(&Imp::GetGlobalTempFolder);
    case -1: return Of(&Imp::GetSystemFolder);
    case 7: return Under(11, "CMap");
    case 11: return Of(&Imp::GetResourceFolder);
    case 21: return Under(11, "FontMetrics");
    case 22: return Under(11, "Lng");
    case 23: return Under(11, "ICC");
    case 33: return Under(&Imp::GetGlobalPreferenceFolder, "Kelvora Prefs Folder");
    case 35: return Under(&Imp::GetUserPreferenceFolder, "Kelvora Prefs Folder");
    case 52: return Under(11, "xml");
    case 53: return Under(-8, "Kelvora");
    case 54: return Under(11, "Artwork");
    default: return GPathName();
    }
}

template <class Imp>
void GFileSystemBase<Imp>::CreateUniqueObject(GPathName const& tmpl, bool isFile, GPathName& out,
                                              GFileType const* type, bool setExtension) {
    Checked(tmpl);
    const GPathName branch = tmpl.GetBranch();
    if (!Imp::FolderExists(branch))
        Imp::CreateFolder(branch);
    GString leaf = tmpl.GetLeaf();
    const GString stop("/");  // never inside a leaf: ends every search below
    int position = leaf.Find(GString("_X"));
    if (position >= 0) {
        ++position;
    } else {
        position = leaf.FindFirst('X');
        if (position < 0) {
            GString bare = isFile ? tmpl.GetLeafWithoutExtension() : leaf;
            bare += stop;
            position = bare.FindFirst('/');
            leaf.Insert(position, GString("XXXXX"));
        }
    }
    GString probe = leaf;
    probe += stop;
    const int run = probe.FindFirstNot('X', position) - position;
    // Every X of the run is replaced, but the counter stays within what 32 bits can count.
    const int digits = run;
    int range = 1;
    for (int i = 0; i < run && i < kMaxCounterDigits; ++i)
        range *= 10;
    int& counter = Counter(isFile);
    if (counter == -1) {
        unsigned seed = static_cast<unsigned>(std::clock()) ^ static_cast<unsigned>(reinterpret_cast<uintptr_t>(&out));
        counter = rand_r(&seed) % range;
    }
    int value = counter < range ? counter : 0;
    // A folder made in a shared temporary folder is for this user only.
    const bool privateFolder = !isFile && Imp::IsSharedFolder(branch);
    for (int tries = 0; tries < range; ++tries) {
        GString number;
        number.SetInt(value, digits);
        GString name = leaf;
        name.Remove(position, run);
        name.Insert(position, number);
        GPathName candidate = branch;
        candidate.Append(name);
        bool created = false;
        try {
            created = isFile ? Imp::CreateFile(candidate, type, setExtension)
                             : privateFolder ? Imp::CreatePrivateFolder(candidate, false) : Imp::CreateFolder(candidate);
        } catch (GException const& e) {
            // Only a name taken by another kind of item is worth a next try.
            if (e.GetExceptionID() != kDuplicate) {
                out.Clear();
                throw GSimpleException(kUniqueFailed);
            }
        }
        value = value + 1 < range ? value + 1 : 0;
        if (created) {
            counter = value;
            out = candidate;
            return;
        }
    }
    out.Clear();
    throw GSimpleException(kUniqueFailed);
}

template class GFileSystemBase<PMacFileSystemImp>;
