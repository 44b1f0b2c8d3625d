pragma Singleton
import QtQuick

// Colours shared by the views of one engine. Each window's root binds `dark` to its controller's
// colour scheme; without one (the welcome window alone) it follows the application palette.
QtObject {
    readonly property SystemPalette system: SystemPalette {}
    property bool dark: system.window.hslLightness < 0.5

    readonly property color panelBackground: dark ? Qt.rgba(0.07, 0.07, 0.09, 1) : Qt.rgba(0.98, 0.98, 0.99, 1)
    readonly property color panelBorder: dark ? Qt.rgba(1, 1, 1, 0.10) : Qt.rgba(0, 0, 0, 0.12)
    readonly property color primaryText: dark ? Qt.rgba(0.93, 0.93, 0.95, 1) : Qt.rgba(0.10, 0.10, 0.12, 1)
    readonly property color secondaryText: dark ? Qt.rgba(0.62, 0.62, 0.66, 1) : Qt.rgba(0.42, 0.42, 0.46, 1)
    readonly property color tertiaryText: dark ? Qt.rgba(0.45, 0.45, 0.49, 1) : Qt.rgba(0.58, 0.58, 0.62, 1)
    readonly property color fieldBackground: dark ? Qt.rgba(0.13, 0.13, 0.16, 1) : Qt.rgba(0.92, 0.92, 0.94, 1)
    readonly property color fieldBorder: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.08)
    readonly property color separator: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.08)
    readonly property color accent: Qt.rgba(0.55, 0.4, 0.9, 1)
    readonly property color orange: "#ff9500"
    readonly property color blue: "#0a84ff"
    readonly property color linkBlue: dark ? "#409cff" : "#0060df"
    readonly property color red: "#ff3b30"

    readonly property color cardSelected: dark ? Qt.rgba(0.1, 0.1, 0.12, 1) : Qt.rgba(1, 1, 1, 1)
    readonly property color cardHovered: dark ? Qt.rgba(0.08, 0.08, 0.1, 1) : Qt.rgba(0.97, 0.97, 0.98, 1)
    readonly property color cardNormal: dark ? Qt.rgba(0.05, 0.05, 0.07, 1) : Qt.rgba(0.94, 0.94, 0.95, 1)

    readonly property string monoFamily: "DejaVu Sans Mono"

    // A tinted symbol of the icon provider.
    function symbolUrl(name, tint) {
        return "image://icon/symbol/" + name + "?color=" + encodeURIComponent(Qt.color(tint).toString())
    }
}
