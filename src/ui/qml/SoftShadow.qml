import QtQuick

// A soft shadow or glow behind a rounded rectangle of the same geometry: stacked translucent rounded
// rectangles (Qt Quick 6.4 ships no blur effect), drawn once by the "shadow" image provider and
// stretched, so that every row of a list shares one small image.
Item {
    id: shadow

    property color color: "black"
    property real blur: 10
    property real yOffset: 0
    property real cornerRadius: 14
    property int layers: 8
    // Roughly the summed opacity next to the edge, relative to `color`'s alpha.
    property real strength: 1.2

    // The image's corners: the rounded corner and the blur beyond it.
    readonly property int border: Math.ceil(cornerRadius + blur)
    readonly property real margin: border - cornerRadius

    BorderImage {
        x: -shadow.margin
        y: -shadow.margin + shadow.yOffset
        width: shadow.width + 2 * shadow.margin
        height: shadow.height + 2 * shadow.margin
        border { left: shadow.border; right: shadow.border; top: shadow.border; bottom: shadow.border }
        smooth: true
        source: "image://shadow/" + shadow.cornerRadius + "/" + shadow.blur + "/" + shadow.layers + "/" + shadow.strength
            + "?color=" + encodeURIComponent(Qt.color(shadow.color).toString())
    }
}
