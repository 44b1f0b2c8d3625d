import QtQuick
import QtQuick.Controls.Basic

// A page that scrolls where it is taller than its window, and brings the control the keyboard moves
// to into view: Tab must never land on a control the person cannot see.
Flickable {
    id: page

    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {}

    function reveal(item: Item) {
        for (let above = item; above; above = above.parent) {
            if (above === page.contentItem) {
                const shown = item.mapToItem(page.contentItem, 0, 0, item.width, item.height)
                if (shown.y < page.contentY)
                    page.contentY = Math.max(0, shown.y - 8)
                else if (shown.y + shown.height > page.contentY + page.height)
                    page.contentY = Math.min(page.contentHeight - page.height, shown.y + shown.height - page.height + 8)
                return
            }
        }
    }

    Connections {
        target: page.Window.window
        function onActiveFocusItemChanged() {
            const item = page.Window.activeFocusItem
            if (item)
                page.reveal(item)
        }
    }
}
