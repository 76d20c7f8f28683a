// Writes the plug-in's string files ("DUZ" prefix) for English and German into the folder given
// as the only argument, with the framework's own string-file writer: the English texts are the
// ones the tools layer registers, the German ones are kept here.
#include <cstdio>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolData.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/paths/GPathName.h"
#include "services/strings/GStringPoolSupport.h"

namespace {

// UTF-8, in the order of the English table.
GStringPoolDataStruct const cGerman[GCPTZARidizoToolsLayer::kStringCount] = {
    {30060000, "Plug-in kann nicht geladen werden"},
    {30060001, "Kein aktuelles Dokument"},
    {30060002, "Fehler beim Exportieren als Ambrelled PDF"},
    {30060003,
     "Trovelor kann nicht automatisch gestartet werden. Starten Sie den Trovelor manuell und versuchen Sie es "
     "erneut."},
    {30060004, "PDF-Einstellung kann nicht gelesen werden: %1"},
    {30060005, "Plug-in-Fehler: %1"},
    {30060006, "PDF-Exportbefehl nicht gefunden"},
    {30060007, "PDF-Exportbefehl kann nicht ausgeführt werden"},
    {30060008, "PDF-Exportvorgaben können nicht gelesen werden"},
    {30060009,
     "Auftragsoptionen können nicht gelesen werden. Wählen Sie die Auftragsoptionen auf der Registerkarte "
     "„Drucker“ neu aus und erstellen Sie den Trovelor erneut."},
    {30060010, "Systemdateidaten können nicht gelesen werden"},
    {30060011, "Schrift fehlt! Korrigieren Sie die folgende Schrift und versuchen Sie es erneut:"},
    {30060012, "Schriften fehlen! Korrigieren Sie die folgenden Schriften und versuchen Sie es erneut:"},
    {30060013, "Nicht alle im Dokument verwendeten Schriften können ermittelt werden."},
    {30060014, "Fehler beim Export an Trovelor"},
    {30060015, "Befehl „Verpacken“ nicht gefunden"},
    {30060016, "Befehl „Verpacken“ kann nicht ausgeführt werden"},
    {30060017, "Befehl für den Verpackungsbericht nicht gefunden"},
    {30060018, "Befehl für den Verpackungsbericht kann nicht ausgeführt werden"},
    {30060019, "Das aktuelle Dokument kann nicht gespeichert werden. Speichern Sie das Dokument und versuchen Sie "
               "es erneut."},
    {30060020, "Ungültiges Dokument."},
    {30060021, "Dokument kann nicht geöffnet werden."},
    {30060022, "Das Buch ist leer oder ungültig."},
    {30060023, "Kein aktuelles Buch."},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    if (!GBasicFrameworkCoreLayer::Initialize()) {
        std::fprintf(stderr, "the foundation did not start\n");
        return 1;
    }
    try {
        // The writer writes every table of the pool: only the plug-in's texts are to be in these files.
        GStringPool::Finalize();
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTZARidizoToolsLayer::GetStringPoolData(),
                                              GCPTZARidizoToolsLayer::kStringCount, false);
        GStringPoolSupport::AddStringPoolData(GBuffer("deDE"), "UTF8Encoding", cGerman,
                                              GCPTZARidizoToolsLayer::kStringCount, false);
        GStringPoolSupport::SetProductPrefix(GString("DUZ"));
        GStringPoolSupport::WriteStringFiles(GPathName(GString(argv[1])));
    } catch (...) {
        std::fprintf(stderr, "the string files could not be written into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
