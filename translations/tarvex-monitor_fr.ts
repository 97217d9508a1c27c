<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Alerts</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
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
        <translation>Impossible de demander le mot de passe administrateur</translation>
    </message>
    <message>
        <source>No authentication agent is running in your session, so nobody could ask for the administrator password. Nothing was changed.

Start your desktop&apos;s authentication agent, or install one and log in again. GNOME has one built in; on Debian, install polkit-kde-agent-1 for KDE Plasma, mate-polkit for MATE or lxpolkit for other desktops.</source>
        <translation>Aucun agent d’authentification ne fonctionne dans votre session&#xa0;: personne n’a pu demander le mot de passe administrateur. Rien n’a été modifié.

Démarrez l’agent d’authentification de votre bureau, ou installez-en un et reconnectez-vous. GNOME en intègre un&#xa0;; sous Debian, installez polkit-kde-agent-1 pour KDE Plasma, mate-polkit pour MATE ou lxpolkit pour les autres bureaux.</translation>
    </message>
    <message>
        <source>The administrator password was not accepted, or the system&apos;s rules do not let your account do this. Nothing was changed.</source>
        <translation>Le mot de passe administrateur n’a pas été accepté, ou les règles du système n’autorisent pas votre compte à faire cela. Rien n’a été modifié.</translation>
    </message>
    <message>
        <source>The system&apos;s authorization service (polkit) gave no answer within %1 minutes, so the administrator password could not be asked for. Nothing was changed.

Try again. If this keeps happening, check that polkitd is installed and running (Debian package polkitd).</source>
        <translation>Le service d’autorisation du système (polkit) n’a pas répondu en %1 minutes&#xa0;: le mot de passe administrateur n’a pas pu être demandé. Rien n’a été modifié.

Réessayez. Si cela se reproduit, vérifiez que polkitd est installé et en cours d’exécution (paquet Debian polkitd).</translation>
    </message>
</context>
<context>
    <name>DemoAuthorizer</name>
    <message>
        <source>Administrator authorization (demo)</source>
        <translation>Autorisation administrateur (démo)</translation>
    </message>
    <message>
        <source>Authorize</source>
        <translation>Autoriser</translation>
    </message>
</context>
<context>
    <name>DesktopTerminalOpener</name>
    <message>
        <source>The system could not open %1 in Terminal.</source>
        <translation>Le système n’a pas pu ouvrir %1 dans Terminal.</translation>
    </message>
    <message>
        <source>No terminal program was found. Tried: %1, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm.</source>
        <translation>Aucun programme de terminal n’a été trouvé. Essayés&#xa0;: %1, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm.</translation>
    </message>
    <message>
        <source>$TERMINAL (not set)</source>
        <translation>$TERMINAL (non défini)</translation>
    </message>
    <message>
        <source>The terminal program %1 could not be started.</source>
        <translation>Le programme de terminal %1 n’a pas pu être lancé.</translation>
    </message>
</context>
<context>
    <name>FailureDetails</name>
    <message>
        <source>The command failed without printing a reason.</source>
        <translation>La commande a échoué sans indiquer de raison.</translation>
    </message>
    <message>
        <source>The data folder %1 does not exist, and with it none of the log files above.</source>
        <translation>Le dossier de données %1 n’existe pas, ni donc aucun des fichiers journaux ci-dessus.</translation>
    </message>
    <message>
        <source>To create it, choose Initialize Database.</source>
        <translation>Pour le créer, choisissez «&#xa0;Initialiser la base de données&#xa0;».</translation>
    </message>
    <message>
        <source>None of the log files above exists.</source>
        <translation>Aucun des fichiers journaux ci-dessus n’existe.</translation>
    </message>
    <message>
        <source>Of the log files above, these do not exist: %1.</source>
        <translation>Parmi les fichiers journaux ci-dessus, ceux-ci n’existent pas&#xa0;: %1.</translation>
    </message>
</context>
<context>
    <name>FileDialogSaveDialog</name>
    <message>
        <source>%1 is already there. Replace it with the logs?</source>
        <translation>%1 existe déjà. Le remplacer par les journaux&#xa0;?</translation>
    </message>
</context>
<context>
    <name>HelperReachability</name>
    <message>
        <source>The tarvex helper cannot be reached: nothing listens at %1.</source>
        <translation>Le service auxiliaire tarvex est injoignable&#xa0;: rien n’écoute sur %1.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: this account may not open %1.</source>
        <translation>Le service auxiliaire tarvex est injoignable&#xa0;: ce compte n’a pas le droit d’ouvrir %1.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: the connection broke before it answered.</source>
        <translation>Le service auxiliaire tarvex est injoignable&#xa0;: la connexion a été coupée avant sa réponse.</translation>
    </message>
    <message>
        <source>The tarvex helper cannot be reached: it does not answer.</source>
        <translation>Le service auxiliaire tarvex est injoignable&#xa0;: il ne répond pas.</translation>
    </message>
    <message>
        <source>%1
To start it, run in a terminal:
%2</source>
        <translation>%1
Pour le démarrer, exécutez dans un terminal&#xa0;:
%2</translation>
    </message>
</context>
<context>
    <name>LogExport</name>
    <message>
        <source>Could not read the log folder &quot;%1&quot;: %2.</source>
        <translation>Impossible de lire le dossier des journaux «&#xa0;%1&#xa0;»&#xa0;: %2.</translation>
    </message>
    <message>
        <source>Could not save to &quot;%1&quot;: %2.</source>
        <translation>Impossible d’enregistrer dans «&#xa0;%1&#xa0;»&#xa0;: %2.</translation>
    </message>
    <message>
        <source>The logs cannot be saved inside the log folder itself.</source>
        <translation>Les journaux ne peuvent pas être enregistrés dans le dossier des journaux lui-même.</translation>
    </message>
    <message>
        <source>Could not copy the logs to &quot;%1&quot;: %2.</source>
        <translation>Impossible de copier les journaux dans «&#xa0;%1&#xa0;»&#xa0;: %2.</translation>
    </message>
    <message>
        <source>Could not replace &quot;%1&quot;: %2.</source>
        <translation>Impossible de remplacer «&#xa0;%1&#xa0;»&#xa0;: %2.</translation>
    </message>
</context>
<context>
    <name>LoginItem</name>
    <message>
        <source>Cannot create the folder %1: %2</source>
        <translation>Impossible de créer le dossier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Cannot remove %1: %2</source>
        <translation>Impossible de supprimer %1&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>MonitorCommandLine</name>
    <message>
        <source>Shows the local tarvex database service in the system tray and controls it.</source>
        <translation>Affiche le service de base de données tarvex local dans la zone de notification et le pilote.</translation>
    </message>
    <message>
        <source>Use the installation under &lt;dir&gt; instead of the standard paths.</source>
        <translation>Utiliser l’installation sous &lt;dossier&gt; au lieu des chemins standard.</translation>
    </message>
    <message>
        <source>dir</source>
        <translation>dossier</translation>
    </message>
    <message>
        <source>Reach the helper at &lt;path&gt;.</source>
        <translation>Joindre le service auxiliaire à &lt;chemin&gt;.</translation>
    </message>
    <message>
        <source>path</source>
        <translation>chemin</translation>
    </message>
    <message>
        <source>Confirm administrator actions in a dialog of the monitor.</source>
        <translation>Confirmer les actions d’administration dans une boîte de dialogue du moniteur.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Argument inattendu&#xa0;: %1</translation>
    </message>
    <message>
        <source>--%1 needs a value</source>
        <translation>--%1 exige une valeur</translation>
    </message>
    <message>
        <source>Start with the tray icon only (the window where there is no tray).</source>
        <translation>Démarrer avec la seule icône de la zone de notification (avec la fenêtre en l’absence de zone de notification).</translation>
    </message>
</context>
<context>
    <name>MonitorMain</name>
    <message>
        <source>Edit</source>
        <translation>Édition</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Couper</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Tout sélectionner</translation>
    </message>
</context>
<context>
    <name>PasswordPrompt</name>
    <message>
        <source>tarvex Monitor needs your password to start the database service.</source>
        <translation>tarvex Monitor a besoin de votre mot de passe pour démarrer le service de base de données.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to stop the database service.</source>
        <translation>tarvex Monitor a besoin de votre mot de passe pour arrêter le service de base de données.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to restart the database service.</source>
        <translation>tarvex Monitor a besoin de votre mot de passe pour redémarrer le service de base de données.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to initialize the database. All current data will be erased.</source>
        <translation>tarvex Monitor a besoin de votre mot de passe pour initialiser la base de données. Toutes les données actuelles seront effacées.</translation>
    </message>
    <message>
        <source>tarvex Monitor needs your password to uninstall tarvex and remove all data.</source>
        <translation>tarvex Monitor a besoin de votre mot de passe pour désinstaller tarvex et supprimer toutes les données.</translation>
    </message>
</context>
<context>
    <name>ServiceNotifications</name>
    <message>
        <source>tarvex stopped</source>
        <translation>tarvex arrêté</translation>
    </message>
    <message>
        <source>The database service stopped without a request from tarvex Monitor. It now reports: %1</source>
        <translation>Le service de base de données s’est arrêté sans demande de tarvex Monitor. Il indique maintenant&#xa0;: %1</translation>
    </message>
    <message>
        <source>tarvex started</source>
        <translation>tarvex démarré</translation>
    </message>
    <message>
        <source>The database service was started.</source>
        <translation>Le service de base de données a été démarré.</translation>
    </message>
    <message>
        <source>The database service was stopped.</source>
        <translation>Le service de base de données a été arrêté.</translation>
    </message>
    <message>
        <source>tarvex restarted</source>
        <translation>tarvex redémarré</translation>
    </message>
    <message>
        <source>The database service was restarted.</source>
        <translation>Le service de base de données a été redémarré.</translation>
    </message>
    <message>
        <source>Start Failed</source>
        <translation>Échec du démarrage</translation>
    </message>
    <message>
        <source>The database service could not be started.</source>
        <translation>Impossible de démarrer le service de base de données.</translation>
    </message>
    <message>
        <source>Stop Failed</source>
        <translation>Échec de l’arrêt</translation>
    </message>
    <message>
        <source>The database service could not be stopped.</source>
        <translation>Impossible d’arrêter le service de base de données.</translation>
    </message>
    <message>
        <source>Restart Failed</source>
        <translation>Échec du redémarrage</translation>
    </message>
    <message>
        <source>The database service could not be restarted.</source>
        <translation>Impossible de redémarrer le service de base de données.</translation>
    </message>
    <message>
        <source>tarvex Failed to Start</source>
        <translation>Échec du démarrage de tarvex</translation>
    </message>
    <message>
        <source>It now reports: %1</source>
        <translation>Il indique maintenant&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message>
        <source>Active</source>
        <translation>Actif</translation>
    </message>
    <message>
        <source>Active (PID %1)</source>
        <translation>Actif (PID %1)</translation>
    </message>
    <message>
        <source>Starting…</source>
        <translation>Démarrage…</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>Arrêt…</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>tarvex: %1</source>
        <translation>tarvex&#xa0;: %1</translation>
    </message>
    <message>
        <source>Port: %1</source>
        <translation>Port&#xa0;: %1</translation>
    </message>
    <message>
        <source>Check logs for details:</source>
        <translation>Consultez les journaux pour plus de détails&#xa0;:</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Inconnu</translation>
    </message>
    <message>
        <source>The service has not started after %1 seconds. The process may be crashing on startup.</source>
        <translation>Le service n’a pas démarré au bout de %1 secondes. Le processus plante peut-être au démarrage.</translation>
    </message>
    <message>
        <source>Status unknown</source>
        <translation>État inconnu</translation>
    </message>
    <message>
        <source>Not installed</source>
        <translation>Non installé</translation>
    </message>
</context>
<context>
    <name>tarvex::AboutDialog</name>
    <message>
        <source>About tarvex Monitor</source>
        <translation>À propos de tarvex Monitor</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Shows the state of the local tarvex database service in the system tray and starts, stops and maintains it.</source>
        <translation>Affiche l’état du service de base de données tarvex local dans la zone de notification, le démarre, l’arrête et en assure la maintenance.</translation>
    </message>
    <message>
        <source>Its helper, tarvex-helper, runs as administrator and carries out only the commands of a fixed list with the control tool tarvexctl, for the users the system allows.</source>
        <translation>Son service auxiliaire, tarvex-helper, s’exécute en administrateur et n’exécute avec l’outil de contrôle tarvexctl que les commandes d’une liste fixe, pour les seuls utilisateurs que le système autorise.</translation>
    </message>
    <message>
        <source>Copyright 2026 tarvex Monitor developers. All rights reserved. Distributed with the tarvex database service.</source>
        <translation>Copyright 2026 les développeurs de tarvex Monitor. Tous droits réservés. Distribué avec le service de base de données tarvex.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>tarvex::CommandActions</name>
    <message>
        <source>Start Service</source>
        <translation>Démarrer le service</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Stop Service</source>
        <translation>Arrêter le service</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Restart Service</source>
        <translation>Redémarrer le service</translation>
    </message>
    <message>
        <source>Restart</source>
        <translation>Redémarrer</translation>
    </message>
    <message>
        <source>View Logs...</source>
        <translation>Afficher les journaux...</translation>
    </message>
    <message>
        <source>View Logs</source>
        <translation>Afficher les journaux</translation>
    </message>
    <message>
        <source>Save Logs to…</source>
        <translation>Enregistrer les journaux sous…</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Paramètres...</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Paramètres…</translation>
    </message>
    <message>
        <source>Run Doctor</source>
        <translation>Lancer le diagnostic</translation>
    </message>
    <message>
        <source>Initialize Database</source>
        <translation>Initialiser la base de données</translation>
    </message>
    <message>
        <source>Uninstall...</source>
        <translation>Désinstaller...</translation>
    </message>
    <message>
        <source>Uninstall…</source>
        <translation>Désinstaller…</translation>
    </message>
    <message>
        <source>Quit Monitor</source>
        <translation>Quitter le moniteur</translation>
    </message>
</context>
<context>
    <name>tarvex::MainWindowController</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>PID %1  ·  Port %2</source>
        <translation>PID %1  ·  Port %2</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Inconnu</translation>
    </message>
    <message>
        <source>Service</source>
        <translation>Service</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Journaux</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>Maintenance</source>
        <translation>Maintenance</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Service status</source>
        <translation>État du service</translation>
    </message>
</context>
<context>
    <name>tarvex::ServiceCommands</name>
    <message>
        <source>Press any key to close</source>
        <translation>Appuyez sur une touche pour fermer</translation>
    </message>
    <message>
        <source>No Terminal Window</source>
        <translation>Aucune fenêtre de terminal</translation>
    </message>
    <message>
        <source>%1

Run this command in a terminal yourself:
%2</source>
        <translation>%1

Exécutez vous-même cette commande dans un terminal&#xa0;:
%2</translation>
    </message>
    <message>
        <source>Save tarvex Logs</source>
        <translation>Enregistrer les journaux de tarvex</translation>
    </message>
    <message>
        <source>Failed to save logs</source>
        <translation>Impossible d’enregistrer les journaux</translation>
    </message>
    <message>
        <source>Logs Saved</source>
        <translation>Journaux enregistrés</translation>
    </message>
    <message>
        <source>No file manager could open the folder. The logs are in:
%1</source>
        <translation>Aucun gestionnaire de fichiers n’a pu ouvrir le dossier. Les journaux se trouvent dans&#xa0;:
%1</translation>
    </message>
    <message>
        <source>tarvex: Starting…</source>
        <translation>tarvex&#xa0;: Démarrage…</translation>
    </message>
    <message>
        <source>Start Failed</source>
        <translation>Échec du démarrage</translation>
    </message>
    <message>
        <source>tarvex: Stopping…</source>
        <translation>tarvex&#xa0;: Arrêt…</translation>
    </message>
    <message>
        <source>Stop Failed</source>
        <translation>Échec de l’arrêt</translation>
    </message>
    <message>
        <source>tarvex: Restarting…</source>
        <translation>tarvex&#xa0;: Redémarrage…</translation>
    </message>
    <message>
        <source>Restart Failed</source>
        <translation>Échec du redémarrage</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmer</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Terminé.</translation>
    </message>
    <message>
        <source>Initialize Database?</source>
        <translation>Initialiser la base de données&#xa0;?</translation>
    </message>
    <message>
        <source>This will erase all database data and bootstrap a fresh instance.
Configuration and plugins will be preserved.

This cannot be undone.</source>
        <translation>Toutes les données de la base seront effacées et une nouvelle instance sera initialisée.
La configuration et les plugins seront conservés.

Cette opération est irréversible.</translation>
    </message>
    <message>
        <source>Initialize Database</source>
        <translation>Initialiser la base de données</translation>
    </message>
    <message>
        <source>Uninstall tarvex?</source>
        <translation>Désinstaller tarvex&#xa0;?</translation>
    </message>
    <message>
        <source>This will stop the service and remove all installed files, config, and data.
This cannot be undone.</source>
        <translation>Le service sera arrêté et tous les fichiers installés, la configuration et les données seront supprimés.
Cette opération est irréversible.</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Désinstaller</translation>
    </message>
    <message>
        <source>tarvex Failed to Start</source>
        <translation>Échec du démarrage de tarvex</translation>
    </message>
    <message>
        <source>Stop Service</source>
        <translation>Arrêter le service</translation>
    </message>
    <message>
        <source>View Logs and Stop</source>
        <translation>Afficher les journaux et arrêter</translation>
    </message>
</context>
<context>
    <name>tarvex::SettingsWindowController</name>
    <message>
        <source>Start automatically when macOS boots</source>
        <translation>Démarrer automatiquement au démarrage de macOS</translation>
    </message>
    <message>
        <source>Start automatically when the computer starts</source>
        <translation>Démarrer automatiquement au démarrage de l’ordinateur</translation>
    </message>
    <message>
        <source>Start at Boot</source>
        <translation>Démarrage avec le système</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Enabling boot startup...</source>
        <translation>Activation du démarrage automatique...</translation>
    </message>
    <message>
        <source>Disabling boot startup...</source>
        <translation>Désactivation du démarrage automatique...</translation>
    </message>
    <message>
        <source>Boot startup enabled.</source>
        <translation>Démarrage automatique activé.</translation>
    </message>
    <message>
        <source>Boot startup disabled.</source>
        <translation>Démarrage automatique désactivé.</translation>
    </message>
    <message>
        <source>Failed to change boot startup.</source>
        <translation>Échec de la modification.</translation>
    </message>
    <message>
        <source>Failed to change boot startup</source>
        <translation>Impossible de modifier le démarrage automatique</translation>
    </message>
    <message>
        <source>tarvex Monitor</source>
        <translation>tarvex Monitor</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>Afficher les notifications</translation>
    </message>
    <message>
        <source>Start tarvex Monitor at login</source>
        <translation>Lancer tarvex Monitor à l’ouverture de session</translation>
    </message>
    <message>
        <source>Boot startup feedback</source>
        <translation>Message sur le démarrage automatique</translation>
    </message>
    <message>
        <source>tarvex Settings</source>
        <translation>Paramètres de tarvex</translation>
    </message>
</context>
<context>
    <name>tarvex::StatusModel</name>
    <message>
        <source>tarvex is not installed.</source>
        <translation>tarvex n’est pas installé.</translation>
    </message>
    <message>
        <source>The status of the service could not be read.</source>
        <translation>L’état du service n’a pas pu être lu.</translation>
    </message>
    <message>
        <source>The helper cannot be reached.</source>
        <translation>Le service auxiliaire est injoignable.</translation>
    </message>
    <message>
        <source>No tarvex installation was found in %1. Once tarvex is installed, the monitor shows it by itself.</source>
        <translation>Aucune installation de tarvex n’a été trouvée dans %1. Dès que tarvex sera installé, le moniteur l’affichera de lui-même.</translation>
    </message>
    <message>
        <source>The status of the service could not be read: %1</source>
        <translation>L’état du service n’a pas pu être lu&#xa0;: %1</translation>
    </message>
    <message>
        <source>Last seen %1 at %2</source>
        <translation>Vu pour la dernière fois&#xa0;: %1 à %2</translation>
    </message>
</context>
<context>
    <name>tarvex::TarvexMenuBarApp</name>
    <message>
        <source>tarvex: Uninstalling…</source>
        <translation>tarvex&#xa0;: Désinstallation…</translation>
    </message>
    <message>
        <source>Automatic Uninstall Failed</source>
        <translation>Échec de la désinstallation automatique</translation>
    </message>
    <message>
        <source>Cannot Change the Login Item</source>
        <translation>Impossible de modifier le lancement à l’ouverture de session</translation>
    </message>
</context>
<context>
    <name>tarvex::TerminalScriptLauncher</name>
    <message>
        <source>There is no private folder for the script that a terminal would run.</source>
        <translation>Il n’y a pas de dossier privé pour le script qu’un terminal exécuterait.</translation>
    </message>
    <message>
        <source>The script for the terminal could not be written in %1.</source>
        <translation>Le script du terminal n’a pas pu être écrit dans %1.</translation>
    </message>
</context>
</TS>
