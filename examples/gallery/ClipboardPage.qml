import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Typed data on the device clipboard, written and read back by MIME type.
ServicePage {
    id: page

    title: qsTr("Clipboard")

    Clipboard {
        id: clipboard
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
            text: qsTr("Copied by the gallery")
        }
    }

    RowLayout {
        Button {
            text: qsTr("Copy")
            onClicked: page.log(clipboard.insert(typeField.text, dataField.text)
                                ? qsTr("Copied as %1").arg(typeField.text)
                                : qsTr("Not copied"))
        }
        Button {
            text: qsTr("Paste")
            onClicked: page.log(clipboard.contains(typeField.text)
                                ? qsTr("%1: \"%2\"").arg(typeField.text).arg(clipboard.value(typeField.text))
                                : qsTr("Nothing of %1 on the clipboard").arg(typeField.text))
        }
        Button {
            text: qsTr("Remove type")
            onClicked: page.log(clipboard.remove(typeField.text) ? qsTr("Removed %1").arg(typeField.text) : qsTr("Not removed"))
        }
        Button {
            text: qsTr("Clear")
            onClicked: page.log(clipboard.clear() ? qsTr("Cleared") : qsTr("Not cleared"))
        }
    }
}
