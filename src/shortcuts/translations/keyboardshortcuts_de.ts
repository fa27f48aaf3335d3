<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>KeyboardShortcuts</name>
    <message>
        <source>space_key</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>record_shortcut</source>
        <translation>Kurzbefehl aufnehmen</translation>
    </message>
    <message>
        <source>press_shortcut</source>
        <translation>Kurzbefehl drücken</translation>
    </message>
    <message>
        <source>keyboard_shortcut_used_by_menu_item</source>
        <translation>Dieser Tastaturkurzbefehl kann nicht verwendet werden, da er bereits vom Menüeintrag „%1“ verwendet wird.</translation>
    </message>
    <message>
        <source>keyboard_shortcut_disallowed</source>
        <translation>Tastaturkurzbefehle nur mit Wahltaste oder mit Wahl- und Umschalttaste können nicht verwendet werden.</translation>
    </message>
    <message>
        <source>keyboard_shortcut_used_by_system</source>
        <translation>Dieser Tastaturkurzbefehl kann nicht verwendet werden, da er bereits von der Arbeitsumgebung verwendet wird.</translation>
    </message>
    <message>
        <source>keyboard_shortcuts_can_be_changed</source>
        <translation>Die meisten Kurzbefehle der Arbeitsumgebung lassen sich in deren Tastatureinstellungen ändern.</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>force_use_shortcut</source>
        <translation>Trotzdem verwenden</translation>
    </message>
    <message>
        <source>super_key</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>function_key</source>
        <translation>Fn</translation>
    </message>
</context>
</TS>
