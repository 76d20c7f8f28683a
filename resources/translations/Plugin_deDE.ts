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
</TS>
