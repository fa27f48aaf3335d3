<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DesktopSystemShortcuts</name>
    <message>
        <source>Another application</source>
        <translation>Another application</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::GnomeHotKeyBackend</name>
    <message>
        <source>Settings → Keyboard → Keyboard Shortcuts → Custom Shortcuts</source>
        <translation>Settings → Keyboard → Keyboard Shortcuts → Custom Shortcuts</translation>
    </message>
    <message>
        <source>Vantry: show or hide the shelf</source>
        <translation>Vantry: show or hide the shelf</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::PortalHotKeyBackend</name>
    <message>
        <source>Global shortcut %1</source>
        <translation>Global shortcut %1</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::RecorderHost</name>
    <message>
        <source>The desktop did not accept this shortcut. To use it, bind the command “vantry” to it in the desktop’s keyboard settings.</source>
        <translation>The desktop did not accept this shortcut. To use it, bind the command “vantry” to it in the desktop’s keyboard settings.</translation>
    </message>
    <message>
        <source>The desktop or another program already uses these keys, and Vantry left that shortcut as it is. Choose other keys, or free these in the desktop’s keyboard settings.</source>
        <translation>The desktop or another program already uses these keys, and Vantry left that shortcut as it is. Choose other keys, or free these in the desktop’s keyboard settings.</translation>
    </message>
    <message>
        <source>Vantry added this shortcut to the desktop’s own keyboard shortcuts, where you can also change it: %1.</source>
        <translation>Vantry added this shortcut to the desktop’s own keyboard shortcuts, where you can also change it: %1.</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts::ShortcutRecorder</name>
    <message>
        <source>Clear shortcut</source>
        <translation>Clear shortcut</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>LaunchAtLogin::AutostartService</name>
    <message>
        <source>The program&apos;s own location is unknown.</source>
        <translation>The program&apos;s own location is unknown.</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>Could not create the folder %1: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Could not write %1: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>Could not remove %1: %2</translation>
    </message>
</context>
<context>
    <name>LaunchAtLogin::BackgroundPortalService</name>
    <message>
        <source>The desktop did not allow starting at login.</source>
        <translation>The desktop did not allow starting at login.</translation>
    </message>
    <message>
        <source>The desktop did not confirm the change.</source>
        <translation>The desktop did not confirm the change.</translation>
    </message>
    <message>
        <source>There is no session bus.</source>
        <translation>There is no session bus.</translation>
    </message>
    <message>
        <source>Start the shelf when you log in.</source>
        <translation>Start the shelf when you log in.</translation>
    </message>
    <message>
        <source>The desktop did not answer.</source>
        <translation>The desktop did not answer.</translation>
    </message>
</context>
<context>
    <name>vantry::AboutView</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Application icon</source>
        <translation>Application icon</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Copyright © %1 the Vantry developers. Free software under the GNU GPL, version 3 or later.</source>
        <translation>Copyright © %1 the Vantry developers. Free software under the GNU GPL, version 3 or later.</translation>
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
        <translation>Preferences…</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Show Shelf</source>
        <translation>Show Shelf</translation>
    </message>
</context>
<context>
    <name>vantry::AppcastParser</name>
    <message>
        <source>The update feed is larger than 1 MiB.</source>
        <translation>The update feed is larger than 1 MiB.</translation>
    </message>
    <message>
        <source>The update feed contains a document type declaration, which is not allowed.</source>
        <translation>The update feed contains a document type declaration, which is not allowed.</translation>
    </message>
    <message>
        <source>The update feed refers to an entity it does not define.</source>
        <translation>The update feed refers to an entity it does not define.</translation>
    </message>
    <message>
        <source>The update feed is nested too deeply.</source>
        <translation>The update feed is nested too deeply.</translation>
    </message>
    <message>
        <source>The update feed is not an RSS document.</source>
        <translation>The update feed is not an RSS document.</translation>
    </message>
    <message>
        <source>The update feed is not well-formed XML (line %1: %2).</source>
        <translation>The update feed is not well-formed XML (line %1: %2).</translation>
    </message>
    <message>
        <source>The update feed has no channel.</source>
        <translation>The update feed has no channel.</translation>
    </message>
    <message>
        <source>The update feed has too many elements.</source>
        <translation>The update feed has too many elements.</translation>
    </message>
    <message>
        <source>An element of the update feed has too many attributes.</source>
        <translation>An element of the update feed has too many attributes.</translation>
    </message>
    <message>
        <source>The update feed declares too many namespaces.</source>
        <translation>The update feed declares too many namespaces.</translation>
    </message>
</context>
<context>
    <name>vantry::CommandLine</name>
    <message>
        <source>Keeps the files of one folder at hand in a shelf that drops down from the tray.</source>
        <translation>Keeps the files of one folder at hand in a shelf that drops down from the tray.</translation>
    </message>
    <message>
        <source>Show the shelf (starts Vantry when it is not running).</source>
        <translation>Show the shelf (starts Vantry when it is not running).</translation>
    </message>
    <message>
        <source>Hide the shelf.</source>
        <translation>Hide the shelf.</translation>
    </message>
    <message>
        <source>Show the shelf, or hide it when it is shown.</source>
        <translation>Show the shelf, or hide it when it is shown.</translation>
    </message>
    <message>
        <source>Open the settings window.</source>
        <translation>Open the settings window.</translation>
    </message>
    <message>
        <source>Quit the running Vantry.</source>
        <translation>Quit the running Vantry.</translation>
    </message>
    <message>
        <source>Start without showing the shelf, as at login.</source>
        <translation>Start without showing the shelf, as at login.</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unexpected argument &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Give only one of --show, --hide, --toggle, --quit, --preferences and --background.</source>
        <translation>Give only one of --show, --hide, --toggle, --quit, --preferences and --background.</translation>
    </message>
</context>
<context>
    <name>vantry::ContentView</name>
    <message>
        <source>Settings cannot be saved: %1</source>
        <translation>Settings cannot be saved: %1</translation>
    </message>
    <message>
        <source>A name cannot contain “/”.</source>
        <translation>A name cannot contain “/”.</translation>
    </message>
</context>
<context>
    <name>vantry::DropDownWindow</name>
    <message>
        <source>Vantry Shelf</source>
        <translation>Vantry Shelf</translation>
    </message>
    <message>
        <source>Shelf</source>
        <translation>Shelf</translation>
    </message>
</context>
<context>
    <name>vantry::ErrorBannerView</name>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>vantry::FeedFetcher</name>
    <message>
        <source>The update server did not answer in time.</source>
        <translation>The update server did not answer in time.</translation>
    </message>
    <message>
        <source>The update feed address %1 is not allowed: updates are only checked over HTTPS.</source>
        <translation>The update feed address %1 is not allowed: updates are only checked over HTTPS.</translation>
    </message>
    <message>
        <source>The update feed is larger than %1 KiB.</source>
        <translation>The update feed is larger than %1 KiB.</translation>
    </message>
    <message>
        <source>The update server sent a redirect without a target.</source>
        <translation>The update server sent a redirect without a target.</translation>
    </message>
    <message>
        <source>The update server redirected to %1, which is not allowed.</source>
        <translation>The update server redirected to %1, which is not allowed.</translation>
    </message>
    <message>
        <source>The update server redirected too many times.</source>
        <translation>The update server redirected too many times.</translation>
    </message>
    <message>
        <source>The update feed could not be downloaded: %1</source>
        <translation>The update feed could not be downloaded: %1</translation>
    </message>
    <message>
        <source>The update server answered with status %1.</source>
        <translation>The update server answered with status %1.</translation>
    </message>
</context>
<context>
    <name>vantry::GeneralView</name>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Preview position</source>
        <translation>Preview position</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>Open Window:</source>
        <translation>Open Window:</translation>
    </message>
    <message>
        <source>Settings cannot be saved: %1</source>
        <translation>Settings cannot be saved: %1</translation>
    </message>
</context>
<context>
    <name>vantry::MessageBoxUpdatePresenter</name>
    <message>
        <source>Software Update</source>
        <translation>Software Update</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>You&apos;re up to date!</translation>
    </message>
    <message>
        <source>%1 %2 is the newest version available.</source>
        <translation>%1 %2 is the newest version available.</translation>
    </message>
    <message>
        <source>The update check failed.</source>
        <translation>The update check failed.</translation>
    </message>
    <message>
        <source>Updates come from your package manager.</source>
        <translation>Updates come from your package manager.</translation>
    </message>
    <message>
        <source>This copy of %1 was installed by your distribution. Use its package manager or software centre to update it.</source>
        <translation>This copy of %1 was installed by your distribution. Use its package manager or software centre to update it.</translation>
    </message>
    <message>
        <source>A new version of %1 is available!</source>
        <translation>A new version of %1 is available!</translation>
    </message>
    <message>
        <source>%1 %2 is now available; you have %3.</source>
        <translation>%1 %2 is now available; you have %3.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>Checking for updates…</source>
        <translation>Checking for updates…</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Release Notes</translation>
    </message>
</context>
<context>
    <name>vantry::NotificationBridge</name>
    <message>
        <source>Update available</source>
        <translation>Update available</translation>
    </message>
    <message>
        <source>Version %1 is now available</source>
        <translation>Version %1 is now available</translation>
    </message>
</context>
<context>
    <name>vantry::PreviewPanel</name>
    <message>
        <source>Preview</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Preview title bar</source>
        <translation>Preview title bar</translation>
    </message>
</context>
<context>
    <name>vantry::PreviewView</name>
    <message>
        <source>Preview content</source>
        <translation>Preview content</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>File text</source>
        <translation>File text</translation>
    </message>
    <message>
        <source>Only the first %1 are shown.</source>
        <translation>Only the first %1 are shown.</translation>
    </message>
    <message>
        <source>Document pages</source>
        <translation>Document pages</translation>
    </message>
    <message>
        <source>File icon</source>
        <translation>File icon</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>Modified %1</source>
        <translation>Modified %1</translation>
    </message>
    <message>
        <source>Empty file</source>
        <translation>Empty file</translation>
    </message>
    <message>
        <source>Symbolic link to %1</source>
        <translation>Symbolic link to %1</translation>
    </message>
</context>
<context>
    <name>vantry::SettingsWindow</name>
    <message>
        <source>Vantry Settings</source>
        <translation>Vantry Settings</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>vantry::ShelfItemEditView</name>
    <message>
        <source>New name</source>
        <translation>New name</translation>
    </message>
</context>
<context>
    <name>vantry::ShelfView</name>
    <message>
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>Please select directory</source>
        <translation>Please select directory</translation>
    </message>
    <message>
        <source>Choose Folder</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Items</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Rename</translation>
    </message>
</context>
<context>
    <name>vantry::UserDefaults</name>
    <message>
        <source>the file could not be read</source>
        <translation>the file could not be read</translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation>the file could not be written</translation>
    </message>
</context>
<context>
    <name>vantry::VantryApp</name>
    <message>
        <source>Keyboard shortcut added</source>
        <translation>Keyboard shortcut added</translation>
    </message>
    <message>
        <source>%1 shows or hides the shelf. Vantry added it to the desktop’s keyboard shortcuts; change it in %2.</source>
        <translation>%1 shows or hides the shelf. Vantry added it to the desktop’s keyboard shortcuts; change it in %2.</translation>
    </message>
</context>
</TS>
