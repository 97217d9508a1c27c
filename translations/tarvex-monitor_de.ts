<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Alerts</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>AuthorizationAlert</name>
    <message>
        <source>Cannot Ask for the Administrator Password</source>
        <translation>Das Administratorpasswort kann nicht abgefragt werden</translation>
    </message>
    <message>
        <source>No authentication agent is running in your session, so nobody could ask for the administrator password. Nothing was changed.

Start your desktop&apos;s authentication agent, or install one and log in again. GNOME has one built in; on Debian, install polkit-kde-agent-1 for KDE Plasma, mate-polkit for MATE or lxpolkit for other desktops.</source>
        <translation>In Ihrer Sitzung läuft kein Authentifizierungsagent, daher konnte niemand nach dem Administratorpasswort fragen. Es wurde nichts geändert.

Starten Sie den Authentifizierungsagenten Ihrer Arbeitsumgebung, oder installieren Sie einen und melden Sie sich erneut an. GNOME bringt einen mit; unter Debian installieren Sie polkit-kde-agent-1 für KDE Plasma, mate-polkit für MATE oder lxpolkit für andere Arbeitsumgebungen.</translation>
    </message>
    <message>
        <source>The administrator password was not accepted, or the system&apos;s rules do not let your account do this. Nothing was changed.</source>
        <translation>Das Administratorpasswort wurde nicht akzeptiert, oder die Regeln des Systems erlauben Ihrem Konto diese Aktion nicht. Es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The system&apos;s authorization service (polkit) gave no answer within %1 minutes, so the administrator password could not be asked for. Nothing was changed.

Try again. If this keeps happening, check that polkitd is installed and running (Debian package polkitd).</source>
        <translation>Der Autorisierungsdienst des Systems (polkit) hat innerhalb von %1 Minuten nicht geantwortet, daher konnte das Administratorpasswort nicht abgefragt werden. Es wurde nichts geändert.

Versuchen Sie es erneut. Wenn das weiterhin geschieht, prüfen Sie, ob polkitd installiert ist und läuft (Debian-Paket polkitd).</translation>
    </message>
</context>
<context>
    <name>DemoAuthorizer</name>
    <message>
        <source>Administrator authorization (demo)</source>
        <translation>Administrator-Autorisierung (Demo)</translation>
    </message>
    <message>
        <source>Authorize</source>
        <translation>Autorisieren</translation>
    </message>
</context>
<context>
    <name>DesktopTerminalOpener</name>
    <message>
        <source>The system could not open %1 in Terminal.</source>
        <translation>Das System konnte %1 nicht im Terminal öffnen.</translation>
    </message>
    <message>
        <source>No terminal program was found. Tried: %1, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm.</source>
        <translation>Es wurde kein Terminalprogramm gefunden. Versucht: %1, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm.</translation>
    </message>
    <message>
        <source>$TERMINAL (not set)</source>
        <translation>$TERMINAL (nicht gesetzt)</translation>
    </message>
    <message>
        <source>The terminal program %1 could not be started.</source>
        <translation>Das Terminalprogramm %1 konnte nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>FailureDetails</name>
    <message>
        <source>The command failed without printing a reason.</source>
        <translation>Der Befehl ist fehlgeschlagen, ohne einen Grund auszugeben.</translation>
    </message>
    <message>
        <source>The data folder %1 does not exist, and with it none of the log files above.</source>
        <translation>Der Datenordner %1 existiert nicht und damit auch keine der oben genannten Protokolldateien.</translation>
    </message>
    <message>
        <source>To create it, choose Initialize Database.</source>
        <translation>Um ihn anzulegen, wählen Sie „Datenbank initialisieren“.</translation>
    </message>
    <message>
        <source>None of the log files above exists.</source>
        <translation>Keine der oben genannten Protokolldateien existiert.</translation>
    </message>
    <message>
        <source>Of the log files above, these do not exist: %1.</source>
        <translation>Von den oben genannten Protokolldateien fehlen diese: %1.</translation>
    </message>
</context>
<context>
    <name>FileDialogSaveDialog</name>
    <message>
        <source>%1 is already there. Replace it with the logs?</source>
        <translation>%1 ist bereits vorhanden. Durch die Protokolle ersetzen?</translation>
    </message>
</context>
<context>
    <name>HelperReachability</name>
    <message>
        <source>The tarvex helper cannot be reached: nothing listens at %1.</source>
        <translation>Der tarvex-Hilfsdienst ist nicht erreichbar: Unter %1 wartet kein Dienst auf Verbindungen.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: this account may not open %1.</source>
        <translation>Der tarvex-Hilfsdienst ist nicht erreichbar: Dieses Benutzerkonto darf %1 nicht öffnen.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: the connection broke before it answered.</source>
        <translation>Der tarvex-Hilfsdienst ist nicht erreichbar: Die Verbindung brach ab, bevor er antwortete.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: it does not answer.</source>
        <translation>Der tarvex-Hilfsdienst ist nicht erreichbar: Er antwortet nicht.</translation>
    </message>
    <message>
        <source>%1
To start it, run in a terminal:
%2</source>
        <translation>%1
Um ihn zu starten, führen Sie in einem Terminal aus:
%2</translation>
    </message>
</context>
<context>
    <name>LogExport</name>
    <message>
        <source>Could not read the log folder &quot;%1&quot;: %2.</source>
        <translation>Der Protokollordner „%1“ konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Could not save to &quot;%1&quot;: %2.</source>
        <translation>Speichern in „%1“ nicht möglich: %2.</translation>
    </message>
    <message>
        <source>The logs cannot be saved inside the log folder itself.</source>
        <translation>Die Protokolle können nicht im Protokollordner selbst gespeichert werden.</translation>
    </message>
    <message>
        <source>Could not copy the logs to &quot;%1&quot;: %2.</source>
        <translation>Die Protokolle konnten nicht nach „%1“ kopiert werden: %2.</translation>
    </message>
    <message>
        <source>Could not replace &quot;%1&quot;: %2.</source>
        <translation>„%1“ konnte nicht ersetzt werden: %2.</translation>
    </message>
</context>
<context>
    <name>LoginItem</name>
    <message>
        <source>Cannot create the folder %1: %2</source>
        <translation>Der Ordner %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot remove %1: %2</source>
        <translation>%1 kann nicht entfernt werden: %2</translation>
    </message>
</context>
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
    <message>
        <source>Start with the tray icon only (the window where there is no tray).</source>
        <translation>Nur mit dem Symbol im Systembereich starten (mit dem Fenster, wo es keinen Systembereich gibt).</translation>
    </message>
</context>
<context>
    <name>MonitorMain</name>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
</context>
<context>
    <name>PasswordPrompt</name>
    <message>
        <source>tarvex Monitor needs your password to start the database service.</source>
        <translation>tarvex Monitor benötigt Ihr Passwort, um den Datenbankdienst zu starten.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to stop the database service.</source>
        <translation>tarvex Monitor benötigt Ihr Passwort, um den Datenbankdienst zu stoppen.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to restart the database service.</source>
        <translation>tarvex Monitor benötigt Ihr Passwort, um den Datenbankdienst neu zu starten.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to initialize the database. All current data will be erased.</source>
        <translation>tarvex Monitor benötigt Ihr Passwort, um die Datenbank zu initialisieren. Alle aktuellen Daten werden gelöscht.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to uninstall tarvex and remove all data.</source>
        <translation>tarvex Monitor benötigt Ihr Passwort, um tarvex zu deinstallieren und alle Daten zu entfernen.</translation>
    </message>
</context>
<context>
    <name>ServiceNotifications</name>
    <message>
        <source>tarvex stopped</source>
        <translation>tarvex gestoppt</translation>
    </message>
    <message>
        <source>The database service stopped without a request from tarvex Monitor. It now reports: %1</source>
        <translation>Der Datenbankdienst wurde beendet, ohne dass tarvex Monitor es angefordert hat. Er meldet jetzt: %1</translation>
    </message>
    <message>
        <source>tarvex started</source>
        <translation>tarvex gestartet</translation>
    </message>
    <message>
        <source>The database service was started.</source>
        <translation>Der Datenbankdienst wurde gestartet.</translation>
    </message>
    <message>
        <source>The database service was stopped.</source>
        <translation>Der Datenbankdienst wurde gestoppt.</translation>
    </message>
    <message>
        <source>tarvex restarted</source>
        <translation>tarvex neu gestartet</translation>
    </message>
    <message>
        <source>The database service was restarted.</source>
        <translation>Der Datenbankdienst wurde neu gestartet.</translation>
    </message>
    <message>
        <source>Start Failed</source>
        <translation>Starten fehlgeschlagen</translation>
    </message>
    <message>
        <source>The database service could not be started.</source>
        <translation>Der Datenbankdienst konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Stop Failed</source>
        <translation>Stoppen fehlgeschlagen</translation>
    </message>
    <message>
        <source>The database service could not be stopped.</source>
        <translation>Der Datenbankdienst konnte nicht gestoppt werden.</translation>
    </message>
    <message>
        <source>Restart Failed</source>
        <translation>Neustart fehlgeschlagen</translation>
    </message>
    <message>
        <source>The database service could not be restarted.</source>
        <translation>Der Datenbankdienst konnte nicht neu gestartet werden.</translation>
    </message>
    <message>
        <source>tarvex Failed to Start</source>
        <translation>tarvex konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>It now reports: %1</source>
        <translation>Er meldet jetzt: %1</translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Active (PID %1)</source>
        <translation>Aktiv (PID %1)</translation>
    </message>
    <message>
        <source>Starting…</source>
        <translation>Wird gestartet…</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>Wird gestoppt…</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>tarvex: %1</source>
        <translation>tarvex: %1</translation>
    </message>
    <message>
        <source>Port: %1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>Check logs for details:</source>
        <translation>Einzelheiten stehen in den Protokollen:</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>The service has not started after %1 seconds. The process may be crashing on startup.</source>
        <translation>Der Dienst ist nach %1 Sekunden noch nicht gestartet. Möglicherweise stürzt der Prozess beim Start ab.</translation>
    </message>
    <message>
        <source>Status unknown</source>
        <translation>Status unbekannt</translation>
    </message>
    <message>
        <source>Not installed</source>
        <translation>Nicht installiert</translation>
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
    <name>tarvex::CommandActions</name>
    <message>
        <source>Start Service</source>
        <translation>Dienst starten</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop Service</source>
        <translation>Dienst stoppen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>Restart Service</source>
        <translation>Dienst neu starten</translation>
    </message>
    <message>
        <source>Restart</source>
        <translation>Neu starten</translation>
    </message>
    <message>
        <source>View Logs...</source>
        <translation>Protokolle anzeigen...</translation>
    </message>
    <message>
        <source>View Logs</source>
        <translation>Protokolle anzeigen</translation>
    </message>
    <message>
        <source>Save Logs to…</source>
        <translation>Protokolle speichern unter…</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Run Doctor</source>
        <translation>Diagnose ausführen</translation>
    </message>
    <message>
        <source>Initialize Database</source>
        <translation>Datenbank initialisieren</translation>
    </message>
    <message>
        <source>Uninstall...</source>
        <translation>Deinstallieren...</translation>
    </message>
    <message>
        <source>Uninstall…</source>
        <translation>Deinstallieren…</translation>
    </message>
    <message>
        <source>Quit Monitor</source>
        <translation>Monitor beenden</translation>
    </message>
</context>
<context>
    <name>tarvex::MainWindowController</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>PID %1  ·  Port %2</source>
        <translation>PID %1  ·  Port %2</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Service</source>
        <translation>Dienst</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Protokolle</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Konfiguration</translation>
    </message>
    <message>
        <source>Maintenance</source>
        <translation>Wartung</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Service status</source>
        <translation>Status des Dienstes</translation>
    </message>
</context>
<context>
    <name>tarvex::ServiceCommands</name>
    <message>
        <source>Press any key to close</source>
        <translation>Zum Schließen eine beliebige Taste drücken</translation>
    </message>
    <message>
        <source>No Terminal Window</source>
        <translation>Kein Terminalfenster</translation>
    </message>
    <message>
        <source>%1

Run this command in a terminal yourself:
%2</source>
        <translation>%1

Führen Sie diesen Befehl selbst in einem Terminal aus:
%2</translation>
    </message>
    <message>
        <source>Save tarvex Logs</source>
        <translation>tarvex-Protokolle speichern</translation>
    </message>
    <message>
        <source>Failed to save logs</source>
        <translation>Die Protokolle konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Logs Saved</source>
        <translation>Protokolle gespeichert</translation>
    </message>
    <message>
        <source>No file manager could open the folder. The logs are in:
%1</source>
        <translation>Kein Dateimanager konnte den Ordner öffnen. Die Protokolle liegen in:
%1</translation>
    </message>
    <message>
        <source>tarvex: Starting…</source>
        <translation>tarvex: Wird gestartet…</translation>
    </message>
    <message>
        <source>Start Failed</source>
        <translation>Starten fehlgeschlagen</translation>
    </message>
    <message>
        <source>tarvex: Stopping…</source>
        <translation>tarvex: Wird gestoppt…</translation>
    </message>
    <message>
        <source>Stop Failed</source>
        <translation>Stoppen fehlgeschlagen</translation>
    </message>
    <message>
        <source>tarvex: Restarting…</source>
        <translation>tarvex: Wird neu gestartet…</translation>
    </message>
    <message>
        <source>Restart Failed</source>
        <translation>Neustart fehlgeschlagen</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Fertig.</translation>
    </message>
    <message>
        <source>Initialize Database?</source>
        <translation>Datenbank initialisieren?</translation>
    </message>
    <message>
        <source>This will erase all database data and bootstrap a fresh instance.
Configuration and plugins will be preserved.

This cannot be undone.</source>
        <translation>Dabei werden alle Daten der Datenbank gelöscht und eine neue Instanz eingerichtet.
Konfiguration und Plugins bleiben erhalten.

Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Initialize Database</source>
        <translation>Datenbank initialisieren</translation>
    </message>
    <message>
        <source>Uninstall tarvex?</source>
        <translation>tarvex deinstallieren?</translation>
    </message>
    <message>
        <source>This will stop the service and remove all installed files, config, and data.
This cannot be undone.</source>
        <translation>Dabei wird der Dienst gestoppt, und alle installierten Dateien, die Konfiguration und die Daten werden entfernt.
Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Deinstallieren</translation>
    </message>
    <message>
        <source>tarvex Failed to Start</source>
        <translation>tarvex konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Stop Service</source>
        <translation>Dienst stoppen</translation>
    </message>
    <message>
        <source>View Logs and Stop</source>
        <translation>Protokolle anzeigen und stoppen</translation>
    </message>
</context>
<context>
    <name>tarvex::SettingsWindowController</name>
    <message>
        <source>Start automatically when macOS boots</source>
        <translation>Automatisch starten, wenn macOS hochfährt</translation>
    </message>
    <message>
        <source>Start automatically when the computer starts</source>
        <translation>Automatisch starten, wenn der Computer hochfährt</translation>
    </message>
    <message>
        <source>Start at Boot</source>
        <translation>Start beim Hochfahren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Enabling boot startup...</source>
        <translation>Start beim Hochfahren wird aktiviert...</translation>
    </message>
    <message>
        <source>Disabling boot startup...</source>
        <translation>Start beim Hochfahren wird deaktiviert...</translation>
    </message>
    <message>
        <source>Boot startup enabled.</source>
        <translation>Start beim Hochfahren aktiviert.</translation>
    </message>
    <message>
        <source>Boot startup disabled.</source>
        <translation>Start beim Hochfahren deaktiviert.</translation>
    </message>
    <message>
        <source>Failed to change boot startup.</source>
        <translation>Änderung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Failed to change boot startup</source>
        <translation>Der Start beim Hochfahren konnte nicht geändert werden</translation>
    </message>
    <message>
        <source>tarvex Monitor</source>
        <translation>tarvex Monitor</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>Benachrichtigungen anzeigen</translation>
    </message>
    <message>
        <source>Start tarvex Monitor at login</source>
        <translation>tarvex Monitor bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Boot startup feedback</source>
        <translation>Rückmeldung zum Start beim Hochfahren</translation>
    </message>
    <message>
        <source>tarvex Settings</source>
        <translation>tarvex-Einstellungen</translation>
    </message>
</context>
<context>
    <name>tarvex::StatusModel</name>
    <message>
        <source>tarvex is not installed.</source>
        <translation>tarvex ist nicht installiert.</translation>
    </message>
    <message>
        <source>The status of the service could not be read.</source>
        <translation>Der Status des Dienstes konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The helper cannot be reached.</source>
        <translation>Der Hilfsdienst ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>No tarvex installation was found in %1. Once tarvex is installed, the monitor shows it by itself.</source>
        <translation>In %1 wurde keine tarvex-Installation gefunden. Sobald tarvex installiert ist, zeigt der Monitor es von selbst an.</translation>
    </message>
    <message>
        <source>The status of the service could not be read: %1</source>
        <translation>Der Status des Dienstes konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Last seen %1 at %2</source>
        <translation>Zuletzt gesehen: %1 um %2</translation>
    </message>
</context>
<context>
    <name>tarvex::TarvexMenuBarApp</name>
    <message>
        <source>tarvex: Uninstalling…</source>
        <translation>tarvex: Wird deinstalliert…</translation>
    </message>
    <message>
        <source>Automatic Uninstall Failed</source>
        <translation>Automatische Deinstallation fehlgeschlagen</translation>
    </message>
    <message>
        <source>Cannot Change the Login Item</source>
        <translation>Der Start bei der Anmeldung kann nicht geändert werden</translation>
    </message>
</context>
<context>
    <name>tarvex::TerminalScriptLauncher</name>
    <message>
        <source>There is no private folder for the script that a terminal would run.</source>
        <translation>Es gibt keinen privaten Ordner für das Skript, das ein Terminal ausführen würde.</translation>
    </message>
    <message>
        <source>The script for the terminal could not be written in %1.</source>
        <translation>Das Skript für das Terminal konnte nicht in %1 geschrieben werden.</translation>
    </message>
</context>
</TS>
