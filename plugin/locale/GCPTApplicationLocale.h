#pragma once
// GCPTApplicationLocale: makes the plug-in's language choice effective while it lives: the
// string pools answer in the user's language from the "DUZ" string files of the bundle's strings
// folder (special path 22), and Qt's texts come from "Plugin_<code>.qm" in that folder when it is
// there (else they stay English). The tools layer owns the one instance.
//
// Callers may rely on:
// - The translator is removed from the application when the object ends.
// - A missing folder or translation file is not an error.
#include <QtCore/QTranslator>

#include <memory>

#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GCPTApplicationLocale {
public:
    GCPTApplicationLocale();
    ~GCPTApplicationLocale();
    GCPTApplicationLocale(GCPTApplicationLocale const&) = delete;
    GCPTApplicationLocale& operator=(GCPTApplicationLocale const&) = delete;

    GString const& GetLanguage() const { return mLanguage; }
    // Whether the Qt translation file was loaded and installed.
    bool HasTranslation() const { return mInstalled; }

    // folder / ("Plugin_" + language + ".qm").
    static GPathName GetTranslationPath(GPathName const& folder, GString const& language);

private:
    GString mLanguage;
    std::unique_ptr<QTranslator> mTranslator;
    bool mInstalled = false;
};
