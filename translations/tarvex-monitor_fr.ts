<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
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
    <name>tarvex::MainWindowController</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
</context>
</TS>
