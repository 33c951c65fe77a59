import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// The menu of things to do with a piece of content, as the platform builds it from the targets
// that take it: a submenu per action, an entry per target.
ServicePage {
    id: page

    // The menu's entries as indented lines, submenus below their entry.
    function lines(menu, depth) {
        let result = []
        for (const item of menu.items) {
            result.push("    ".repeat(depth) + item.label)
            if (item.subMenu.valid)
                result = result.concat(lines(item.subMenu, depth + 1))
        }
        return result
    }

    title: qsTr("Menu")

    MenuManager {
        id: menus

        onFinished: {
            if (menus.error !== MenuManagerError.None) {
                page.log(qsTr("The menu service failed"))
                return
            }
            const entries = page.lines(menus.menu, 0)
            menuText.text = [menus.menu.title].concat(entries).join("\n")
            page.log(qsTr("A menu of %1 entries").arg(entries.length))
        }
    }

    GridLayout {
        columns: 2

        Label {
            text: qsTr("MIME type")
        }
        TextField {
            id: typeField

            Layout.fillWidth: true
            text: "text/plain"
        }
        Label {
            text: qsTr("Data")
        }
        TextField {
            id: dataField

            Layout.fillWidth: true
            text: qsTr("Hello from the gallery")
        }
    }

    Button {
        text: qsTr("Build the menu")
        onClicked: {
            menus.mimeType = typeField.text
            menus.data = dataField.text
            if (!menus.populateMenu())
                page.log(qsTr("The menu service refused the request"))
        }
    }

    Label {
        id: menuText

        Layout.fillWidth: true
        font.family: "monospace"
    }
}
