import QtQuick
import Quillbox

// The text of a text item, in monospace.
Text {
    id: body

    // The model's row (roles of the history list).
    required property var item

    text: body.item.displayText
    color: Theme.primaryText
    font.family: Theme.monoFamily
    font.pixelSize: 13
    maximumLineCount: 4
    wrapMode: Text.WrapAnywhere
    elide: Text.ElideRight
    textFormat: Text.PlainText
    horizontalAlignment: Text.AlignLeft
    verticalAlignment: Text.AlignTop
}
