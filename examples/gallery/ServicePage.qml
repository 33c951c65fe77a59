import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A page of the gallery: the page's controls on top, what its service answered below, newest
// first.
Page {
    id: page

    default property alias controls: controlColumn.data

    function log(text) {
        answers.insert(0, { time: new Date().toLocaleTimeString(Qt.locale(), "HH:mm:ss"), message: text })
    }

    header: Label {
        text: page.title
        font.pixelSize: 20
        padding: 12
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12

        ScrollView {
            id: scroll

            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth

            ColumnLayout {
                id: controlColumn

                width: scroll.availableWidth
            }
        }

        Label {
            text: qsTr("Answers")
            font.bold: true
        }

        ListView {
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            clip: true
            model: ListModel {
                id: answers
            }
            delegate: Label {
                required property string time
                required property string message

                width: ListView.view.width
                text: time + "  " + message
                wrapMode: Text.Wrap
            }
        }
    }
}
