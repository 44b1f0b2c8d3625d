import QtQuick

// One symbol from the icon provider, tinted, drawn at `size` inside its own box.
Item {
    id: symbol

    property string name
    property color color: "white"
    property real size: 15

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.centerIn: parent
        width: symbol.size
        height: symbol.size
        sourceSize.width: Math.ceil(symbol.size * 2)
        sourceSize.height: Math.ceil(symbol.size * 2)
        fillMode: Image.PreserveAspectFit
        smooth: true
        source: symbol.name.length > 0
            ? "image://icon/symbol/" + symbol.name + "?color=" + encodeURIComponent(Qt.color(symbol.color).toString())
            : ""
    }
}
