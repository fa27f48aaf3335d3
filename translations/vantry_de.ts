<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DesktopSystemShortcuts</name>
    <message>
        <source>Another application</source>
        <translation>Ein anderes Programm</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::GnomeHotKeyBackend</name>
    <message>
        <source>Settings → Keyboard → Keyboard Shortcuts → Custom Shortcuts</source>
        <translation>Einstellungen → Tastatur → Tastaturkürzel → Eigene Tastaturkürzel</translation>
    </message>
    <message>
        <source>Vantry: show or hide the shelf</source>
        <translation>Vantry: Ablage zeigen oder verbergen</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::PortalHotKeyBackend</name>
    <message>
        <source>Global shortcut %1</source>
        <translation>Globales Tastenkürzel %1</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::RecorderHost</name>
    <message>
        <source>The desktop did not accept this shortcut. To use it, bind the command “vantry” to it in the desktop’s keyboard settings.</source>
        <translation>Der Desktop hat dieses Tastenkürzel nicht angenommen. Um es zu nutzen, weisen Sie es in den Tastatureinstellungen des Desktops dem Befehl „vantry“ zu.</translation>
    </message>
    <message>
        <source>The desktop or another program already uses these keys, and Vantry left that shortcut as it is. Choose other keys, or free these in the desktop’s keyboard settings.</source>
        <translation>Die Arbeitsumgebung oder ein anderes Programm verwendet diese Tasten bereits; Vantry hat dieses Tastenkürzel dort nicht eingetragen. Wählen Sie andere Tasten oder geben Sie diese in den Tastatureinstellungen der Arbeitsumgebung frei.</translation>
    </message>
    <message>
        <source>Vantry added this shortcut to the desktop’s own keyboard shortcuts, where you can also change it: %1.</source>
        <translation>Vantry hat dieses Tastenkürzel zu den Tastenkürzeln der Arbeitsumgebung hinzugefügt; dort können Sie es auch ändern: %1.</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::ShortcutRecorder</name>
    <message>
        <source>Clear shortcut</source>
        <translation>Tastenkürzel löschen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
</context>
<context>
    <name>LaunchAtLogin::AutostartService</name>
    <message>
        <source>The program&apos;s own location is unknown.</source>
        <translation>Der Speicherort des Programms ist unbekannt.</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>%1 konnte nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>LaunchAtLogin::BackgroundPortalService</name>
    <message>
        <source>The desktop did not allow starting at login.</source>
        <translation>Die Arbeitsumgebung hat den Start bei der Anmeldung nicht erlaubt.</translation>
    </message>
    <message>
        <source>The desktop did not confirm the change.</source>
        <translation>Die Arbeitsumgebung hat die Änderung nicht bestätigt.</translation>
    </message>
    <message>
        <source>There is no session bus.</source>
        <translation>Es gibt keinen Sitzungsbus.</translation>
    </message>
    <message>
        <source>Start the shelf when you log in.</source>
        <translation>Die Ablage bei der Anmeldung starten.</translation>
    </message>
    <message>
        <source>The desktop did not answer.</source>
        <translation>Die Arbeitsumgebung hat nicht geantwortet.</translation>
    </message>
</context>
<context>
    <name>vantry::AboutView</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Application icon</source>
        <translation>Programmsymbol</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Copyright © %1 the Vantry developers. Free software under the GNU GPL, version 3 or later.</source>
        <translation>Copyright © %1 die Vantry-Entwickler. Freie Software unter der GNU GPL, Version 3 oder neuer.</translation>
    </message>
</context>
<context>
    <name>vantry::AppDelegate</name>
    <message>
        <source>Vantry</source>
        <translation>Vantry</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Show Shelf</source>
        <translation>Ablage zeigen</translation>
    </message>
</context>
<context>
    <name>vantry::AppcastParser</name>
    <message>
        <source>The update feed is larger than 1 MiB.</source>
        <translation>Der Update-Feed ist größer als 1 MiB.</translation>
    </message>
    <message>
        <source>The update feed contains a document type declaration, which is not allowed.</source>
        <translation>Der Update-Feed enthält eine Dokumenttyp-Deklaration, was nicht erlaubt ist.</translation>
    </message>
    <message>
        <source>The update feed refers to an entity it does not define.</source>
        <translation>Der Update-Feed verweist auf eine Entität, die er nicht definiert.</translation>
    </message>
    <message>
        <source>The update feed is nested too deeply.</source>
        <translation>Der Update-Feed ist zu tief verschachtelt.</translation>
    </message>
    <message>
        <source>The update feed is not an RSS document.</source>
        <translation>Der Update-Feed ist kein RSS-Dokument.</translation>
    </message>
    <message>
        <source>The update feed is not well-formed XML (line %1: %2).</source>
        <translation>Der Update-Feed ist kein wohlgeformtes XML (Zeile %1: %2).</translation>
    </message>
    <message>
        <source>The update feed has no channel.</source>
        <translation>Der Update-Feed hat keinen Kanal.</translation>
    </message>
    <message>
        <source>The update feed has too many elements.</source>
        <translation>Der Update-Feed hat zu viele Elemente.</translation>
    </message>
    <message>
        <source>An element of the update feed has too many attributes.</source>
        <translation>Ein Element des Update-Feeds hat zu viele Attribute.</translation>
    </message>
    <message>
        <source>The update feed declares too many namespaces.</source>
        <translation>Der Update-Feed deklariert zu viele Namensräume.</translation>
    </message>
</context>
<context>
    <name>vantry::CommandLine</name>
    <message>
        <source>Keeps the files of one folder at hand in a shelf that drops down from the tray.</source>
        <translation>Hält die Dateien eines Ordners in einer Ablage bereit, die sich vom Systembereich aus öffnet.</translation>
    </message>
    <message>
        <source>Show the shelf (starts Vantry when it is not running).</source>
        <translation>Die Ablage zeigen (startet Vantry, wenn es nicht läuft).</translation>
    </message>
    <message>
        <source>Hide the shelf.</source>
        <translation>Die Ablage verbergen.</translation>
    </message>
    <message>
        <source>Show the shelf, or hide it when it is shown.</source>
        <translation>Die Ablage zeigen oder, wenn sie gezeigt wird, verbergen.</translation>
    </message>
    <message>
        <source>Open the settings window.</source>
        <translation>Das Einstellungsfenster öffnen.</translation>
    </message>
    <message>
        <source>Quit the running Vantry.</source>
        <translation>Das laufende Vantry beenden.</translation>
    </message>
    <message>
        <source>Start without showing the shelf, as at login.</source>
        <translation>Starten, ohne die Ablage zu zeigen, wie bei der Anmeldung.</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>Give only one of --show, --hide, --toggle, --quit, --preferences and --background.</source>
        <translation>Geben Sie nur eine der Optionen --show, --hide, --toggle, --quit, --preferences und --background an.</translation>
    </message>
</context>
<context>
    <name>vantry::ContentView</name>
    <message>
        <source>Settings cannot be saved: %1</source>
        <translation>Einstellungen können nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>A name cannot contain “/”.</source>
        <translation>Ein Name darf kein „/“ enthalten.</translation>
    </message>
</context>
<context>
    <name>vantry::DropDownWindow</name>
    <message>
        <source>Vantry Shelf</source>
        <translation>Vantry-Ablage</translation>
    </message>
    <message>
        <source>Shelf</source>
        <translation>Ablage</translation>
    </message>
</context>
<context>
    <name>vantry::ErrorBannerView</name>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>vantry::FeedFetcher</name>
    <message>
        <source>The update server did not answer in time.</source>
        <translation>Der Update-Server hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The update feed address %1 is not allowed: updates are only checked over HTTPS.</source>
        <translation>Die Adresse %1 des Update-Feeds ist nicht erlaubt: Updates werden nur über HTTPS gesucht.</translation>
    </message>
    <message>
        <source>The update feed is larger than %1 KiB.</source>
        <translation>Der Update-Feed ist größer als %1 KiB.</translation>
    </message>
    <message>
        <source>The update server sent a redirect without a target.</source>
        <translation>Der Update-Server hat eine Umleitung ohne Ziel gesendet.</translation>
    </message>
    <message>
        <source>The update server redirected to %1, which is not allowed.</source>
        <translation>Der Update-Server hat nach %1 umgeleitet, was nicht erlaubt ist.</translation>
    </message>
    <message>
        <source>The update server redirected too many times.</source>
        <translation>Der Update-Server hat zu oft umgeleitet.</translation>
    </message>
    <message>
        <source>The update feed could not be downloaded: %1</source>
        <translation>Der Update-Feed konnte nicht heruntergeladen werden: %1</translation>
    </message>
    <message>
        <source>The update server answered with status %1.</source>
        <translation>Der Update-Server hat mit Status %1 geantwortet.</translation>
    </message>
</context>
<context>
    <name>vantry::GeneralView</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Preview position</source>
        <translation>Position der Vorschau</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Open Window:</source>
        <translation>Fenster öffnen:</translation>
    </message>
    <message>
        <source>Settings cannot be saved: %1</source>
        <translation>Einstellungen können nicht gespeichert werden: %1</translation>
    </message>
</context>
<context>
    <name>vantry::MessageBoxUpdatePresenter</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>Sie sind auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>%1 %2 is the newest version available.</source>
        <translation>%1 %2 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>The update check failed.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Updates come from your package manager.</source>
        <translation>Updates kommen von Ihrer Paketverwaltung.</translation>
    </message>
    <message>
        <source>This copy of %1 was installed by your distribution. Use its package manager or software centre to update it.</source>
        <translation>Diese Kopie von %1 wurde von Ihrer Distribution installiert. Aktualisieren Sie sie mit deren Paketverwaltung oder Softwarezentrum.</translation>
    </message>
    <message>
        <source>A new version of %1 is available!</source>
        <translation>Eine neue Version von %1 ist verfügbar!</translation>
    </message>
    <message>
        <source>%1 %2 is now available; you have %3.</source>
        <translation>%1 %2 ist jetzt verfügbar; Sie haben %3.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Checking for updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Versionshinweise</translation>
    </message>
</context>
<context>
    <name>vantry::NotificationBridge</name>
    <message>
        <source>Update available</source>
        <translation>Update verfügbar</translation>
    </message>
    <message>
        <source>Version %1 is now available</source>
        <translation>Version %1 ist jetzt verfügbar</translation>
    </message>
</context>
<context>
    <name>vantry::PreviewPanel</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Preview title bar</source>
        <translation>Titelleiste der Vorschau</translation>
    </message>
</context>
<context>
    <name>vantry::PreviewView</name>
    <message>
        <source>Preview content</source>
        <translation>Inhalt der Vorschau</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>File text</source>
        <translation>Text der Datei</translation>
    </message>
    <message>
        <source>Only the first %1 are shown.</source>
        <translation>Nur die ersten %1 werden angezeigt.</translation>
    </message>
    <message>
        <source>Document pages</source>
        <translation>Seiten des Dokuments</translation>
    </message>
    <message>
        <source>File icon</source>
        <translation>Dateisymbol</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Modified %1</source>
        <translation>Geändert %1</translation>
    </message>
    <message>
        <source>Empty file</source>
        <translation>Leere Datei</translation>
    </message>
    <message>
        <source>Symbolic link to %1</source>
        <translation>Symbolischer Link auf %1</translation>
    </message>
</context>
<context>
    <name>vantry::SettingsWindow</name>
    <message>
        <source>Vantry Settings</source>
        <translation>Vantry-Einstellungen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
</context>
<context>
    <name>vantry::ShelfItemEditView</name>
    <message>
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
</context>
<context>
    <name>vantry::ShelfView</name>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Please select directory</source>
        <translation>Bitte einen Ordner wählen</translation>
    </message>
    <message>
        <source>Choose Folder</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Objekte</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
</context>
<context>
    <name>vantry::UserDefaults</name>
    <message>
        <source>the file could not be read</source>
        <translation>die Datei konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation>die Datei konnte nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>vantry::VantryApp</name>
    <message>
        <source>Keyboard shortcut added</source>
        <translation>Tastenkürzel hinzugefügt</translation>
    </message>
    <message>
        <source>%1 shows or hides the shelf. Vantry added it to the desktop’s keyboard shortcuts; change it in %2.</source>
        <translation>%1 zeigt oder verbirgt die Ablage. Vantry hat es zu den Tastenkürzeln der Arbeitsumgebung hinzugefügt; ändern können Sie es unter %2.</translation>
    </message>
</context>
</TS>
