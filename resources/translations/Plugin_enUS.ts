<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>QObject</name>
    <message>
        <source>Export to Trovelor...</source>
        <translation>Export to Trovelor...</translation>
    </message>
    <message>
        <source>Export to Trovelor</source>
        <translation>Export to Trovelor</translation>
    </message>
</context>
<context>
    <name>Kelvora::ZipArchive</name>
    <message>
        <source>No last error, the user should not get this message.</source>
        <translation>No last error, the user should not get this message.</translation>
    </message>
</context>
</TS>
