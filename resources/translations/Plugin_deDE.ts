<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QObject</name>
    <message>
        <source>Export to Trovelor...</source>
        <translation>Nach Trovelor exportieren...</translation>
    </message>
    <message>
        <source>Export to Trovelor</source>
        <translation>Nach Trovelor exportieren</translation>
    </message>
</context>
<context>
    <name>Kelvora::ZipArchive</name>
    <message>
        <source>No last error, the user should not get this message.</source>
        <translation>Kein letzter Fehler, diese Meldung sollte nicht erscheinen.</translation>
    </message>
</context>
<context>
    <name>GCUSPDFSettingsAdjWdt</name>
    <message>
        <source>Bleed:</source>
        <translation>Anschnitt:</translation>
    </message>
    <message>
        <source>Check this option and enter the bleed amount.</source>
        <translation>Aktivieren Sie diese Option und geben Sie den Anschnitt ein.</translation>
    </message>
    <message>
        <source>Use Document Bleed Settings</source>
        <translation>Anschnitteinstellungen des Dokuments verwenden</translation>
    </message>
    <message>
        <source>Check this option to use the bleed amounts defined within the original document</source>
        <translation>Aktivieren Sie diese Option, um die im Originaldokument festgelegten Anschnittwerte zu verwenden</translation>
    </message>
    <message>
        <source>Include Slug Area (For Bleed)</source>
        <translation>Infobereich einschließen (für Anschnitt)</translation>
    </message>
    <message>
        <source>Check this option to include a slug area in the bleed.</source>
        <translation>Aktivieren Sie diese Option, um einen Infobereich in den Anschnitt aufzunehmen.</translation>
    </message>
    <message>
        <source>Print Spreads</source>
        <translation>Druckbögen</translation>
    </message>
    <message>
        <source>Check this to print spreads from an InDesign document.</source>
        <translation>Aktivieren Sie diese Option, um Druckbögen eines InDesign-Dokuments auszugeben.</translation>
    </message>
    <message>
        <source>All Printer's Marks</source>
        <translation>Alle Druckermarken</translation>
    </message>
    <message>
        <source>Select marks to be included in the final PDF.</source>
        <translation>Wählen Sie die Marken, die das fertige PDF enthalten soll.</translation>
    </message>
    <message>
        <source>Weight:</source>
        <translation>Stärke:</translation>
    </message>
    <message>
        <source>Enter the line weight amount for crop and bleed mark lines.</source>
        <translation>Geben Sie die Linienstärke der Schnitt- und Anschnittmarken ein.</translation>
    </message>
    <message>
        <source>Offset:</source>
        <translation>Versatz:</translation>
    </message>
    <message>
        <source>Marks are offset from the page by this value.</source>
        <translation>Die Marken werden um diesen Wert von der Seite abgesetzt.</translation>
    </message>
    <message>
        <source>Color Bars</source>
        <translation>Farbkontrollstreifen</translation>
    </message>
    <message>
        <source>Page Information</source>
        <translation>Seiteninformationen</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Schnittmarken</translation>
    </message>
    <message>
        <source>Bleed</source>
        <translation>Anschnittmarken</translation>
    </message>
    <message>
        <source>Registration</source>
        <translation>Passermarken</translation>
    </message>
</context>
<context>
    <name>CopyrightDialog</name>
    <message>
        <source>Copyrights</source>
        <translation>Urheberrechte</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Trovel Export, version 24. Copyright © 2024 Trovel. All rights reserved.</source>
        <translation>Trovel Export, Version 24. Copyright © 2024 Trovel. Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>The legal notices could not be read from &quot;%1&quot;.</source>
        <translation>Die rechtlichen Hinweise konnten nicht aus „%1“ gelesen werden.</translation>
    </message>
</context>
<context>
    <name>GCSPUSaveAsAmbrelledPDFDialog</name>
    <message>
        <source>PDF Settings:</source>
        <translation>PDF-Einstellungen:</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Range:</source>
        <translation>Bereich:</translation>
    </message>
    <message>
        <source>e.g. 1-5,8,11-13</source>
        <translation>z. B. 1-5,8,11-13</translation>
    </message>
    <message>
        <source>Pages:</source>
        <translation>Seiten:</translation>
    </message>
    <message>
        <source>Include File Package</source>
        <translation>Dateipaket einschließen</translation>
    </message>
    <message>
        <source>Check this option to deliver an InDesign file Package.</source>
        <translation>Aktivieren Sie diese Option, um ein InDesign-Dateipaket zu liefern.</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Hold down the &quot;Alt&quot; key to remove a Trovelor from the list.</source>
        <translation>Halten Sie die Taste „Alt“ gedrückt, um einen Trovelor aus der Liste zu entfernen.</translation>
    </message>
    <message>
        <source>Copyrights</source>
        <translation>Urheberrechte</translation>
    </message>
    <message>
        <source>No PDF Settings found</source>
        <translation>Keine PDF-Einstellungen gefunden</translation>
    </message>
    <message>
        <source>Export as Ambrelled PDF Error</source>
        <translation>Fehler beim Export als Ambrelled-PDF</translation>
    </message>
    <message>
        <source>PDF settings are missing for </source>
        <translation>PDF-Einstellungen fehlen für </translation>
    </message>
    <message>
        <source>. Launch the Trovelor manually and try again.</source>
        <translation>. Starten Sie den Trovelor manuell und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Export as Ambrelled PDF error</source>
        <translation>Fehler beim Export als Ambrelled-PDF</translation>
    </message>
    <message>
        <source>Unable to remove selected PDF setting.</source>
        <translation>Die ausgewählte PDF-Einstellung konnte nicht entfernt werden.</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
