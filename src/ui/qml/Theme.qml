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
    // Both read at 4.5:1 or more on every background of their theme (WCAG AA for text).
    readonly property color secondaryText: dark ? Qt.rgba(0.66, 0.66, 0.70, 1) : Qt.rgba(0.38, 0.38, 0.42, 1)
    readonly property color tertiaryText: dark ? Qt.rgba(0.58, 0.58, 0.62, 1) : Qt.rgba(0.40, 0.40, 0.44, 1)
    readonly property color fieldBackground: dark ? Qt.rgba(0.13, 0.13, 0.16, 1) : Qt.rgba(0.92, 0.92, 0.94, 1)
    readonly property color fieldBorder: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.08)
    readonly property color separator: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.08)
    readonly property color accent: Qt.rgba(0.55, 0.4, 0.9, 1)
    readonly property color orange: "#ff9500"
    readonly property color blue: "#0a84ff"
    // Orange and violet as text: darker on the light theme, to read at 4.5:1.
    readonly property color warningText: dark ? "#ff9500" : "#a65400"
    readonly property color accentText: dark ? "#a78bfa" : "#6a4bd1"
    readonly property color linkBlue: dark ? "#409cff" : "#0060df"
    readonly property color red: "#ff3b30"

    // The settings window and its groups of settings.
    readonly property color windowBackground: dark ? Qt.rgba(0.12, 0.12, 0.14, 1) : Qt.rgba(0.96, 0.96, 0.97, 1)
    readonly property color groupBackground: dark ? Qt.rgba(0.164, 0.164, 0.183, 1) : Qt.rgba(0.996, 0.996, 0.997, 1)

    readonly property color cardSelected: dark ? Qt.rgba(0.1, 0.1, 0.12, 1) : Qt.rgba(1, 1, 1, 1)
    readonly property color cardHovered: dark ? Qt.rgba(0.08, 0.08, 0.1, 1) : Qt.rgba(0.97, 0.97, 0.98, 1)
    readonly property color cardNormal: dark ? Qt.rgba(0.05, 0.05, 0.07, 1) : Qt.rgba(0.94, 0.94, 0.95, 1)

    readonly property string monoFamily: "DejaVu Sans Mono"

    // The selected row's outline in the person's border colour, darkened on the light theme and lightened
    // on the dark one until it stands out 3:1 from the panel (WCAG AA for a focus indicator).
    function ringColor(base) {
        const luminance = c => {
            const channel = v => v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4)
            return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b)
        }
        const contrast = (a, b) => {
            const la = luminance(a), lb = luminance(b)
            return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05)
        }
        let ring = Qt.color(base)
        for (let step = 0; step < 20 && contrast(ring, panelBackground) < 3; ++step)
            ring = dark ? Qt.lighter(ring, 1.15) : Qt.darker(ring, 1.15)
        return ring
    }

    // A tinted symbol of the icon provider.
    function symbolUrl(name, tint) {
        return "image://icon/symbol/" + name + "?color=" + encodeURIComponent(Qt.color(tint).toString())
    }
}
