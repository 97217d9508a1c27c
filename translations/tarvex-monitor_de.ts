<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MonitorCommandLine</name>
    <message>
        <source>Shows the local tarvex database service in the system tray and controls it.</source>
        <translation>Zeigt den lokalen tarvex-Datenbankdienst im Systembereich der Kontrollleiste an und steuert ihn.</translation>
    </message>
    <message>
        <source>Use the installation under &lt;dir&gt; instead of the standard paths.</source>
        <translation>Die Installation unter &lt;verz&gt; statt der Standardpfade verwenden.</translation>
    </message>
    <message>
        <source>dir</source>
        <translation>verz</translation>
    </message>
    <message>
        <source>Reach the helper at &lt;path&gt;.</source>
        <translation>Den Hilfsdienst unter &lt;pfad&gt; ansprechen.</translation>
    </message>
    <message>
        <source>path</source>
        <translation>pfad</translation>
    </message>
    <message>
        <source>Confirm administrator actions in a dialog of the monitor.</source>
        <translation>Administratoraktionen in einem Dialog des Monitors bestätigen.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>--%1 needs a value</source>
        <translation>--%1 braucht einen Wert</translation>
    </message>
</context>
<context>
    <name>tarvex::AboutDialog</name>
    <message>
        <source>About tarvex Monitor</source>
        <translation>Über tarvex Monitor</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Shows the state of the local tarvex database service in the system tray and starts, stops and maintains it.</source>
        <translation>Zeigt den Zustand des lokalen tarvex-Datenbankdienstes im Systembereich der Kontrollleiste an, startet und stoppt ihn und hilft bei seiner Wartung.</translation>
    </message>
    <message>
        <source>Its helper, tarvex-helper, runs as administrator and carries out only the commands of a fixed list with the control tool tarvexctl, for the users the system allows.</source>
        <translation>Sein Hilfsdienst tarvex-helper läuft mit Administratorrechten und führt mit dem Steuerprogramm tarvexctl nur die Befehle einer festen Liste aus, und nur für Benutzer, die das System dafür zulässt.</translation>
    </message>
    <message>
        <source>Copyright 2026 tarvex Monitor developers. All rights reserved. Distributed with the tarvex database service.</source>
        <translation>Copyright 2026 die Entwickler von tarvex Monitor. Alle Rechte vorbehalten. Wird mit dem tarvex-Datenbankdienst ausgeliefert.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>tarvex::MainWindowController</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
</context>
</TS>
