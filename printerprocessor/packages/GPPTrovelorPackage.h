#pragma once
// GPPTrovelorPackage: what the printer-processor side, which writes Trovelor packages, and the
// plug-in, which reads them, agree on. A package is a zip archive under the traditional zip
// encryption with one fixed password, holding the project preferences (cProjectPrefsEntry, whose
// group "PluginSettings" carries the plug-in settings) and the printer files in the top-level
// folder cPrinterFilesFolder, the PDF job options among them.
//
// Callers may rely on:
// - The password is kept in the program only in the framework's scrambled form
//   (GStringSupport::Scramble). Password unscrambles it for one use and wipes its copy when it
//   goes; it must never reach a log, a trace or an error text.
#include <string>

class GPPTrovelorPackage {
public:
    GPPTrovelorPackage() = delete;

    static constexpr char cProjectPrefsEntry[] = "Project/Project.prefs";
    static constexpr char cPrinterFilesFolder[] = "PrinterFiles";
    // The package password, scrambled.
    static constexpr char cScrambledZipPassword[] = "abd1d6cddcd3d6d114afdade150ebacd22110f110b20d0a908c7b3d4ae>";

    // The plain password, for as long as the object lives.
    class Password {
    public:
        Password();
        ~Password();
        Password(Password const&) = delete;
        Password& operator=(Password const&) = delete;

        std::string const& Get() const { return mPlain; }

    private:
        std::string mPlain;
    };
};
