import QtQuick
import Quillbox

// The address of a link item.
Text {
    id: body

    // The model's row (roles of the history list).
    required property var item

    text: body.item.content
    color: Theme.linkBlue
    font.pixelSize: 12
    maximumLineCount: 3
    wrapMode: Text.WrapAnywhere
    elide: Text.ElideRight
    textFormat: Text.PlainText
    verticalAlignment: Text.AlignTop
}
