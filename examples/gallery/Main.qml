import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The gallery's window: the services on the left, the chosen one's page on the right. Only the
// page on show exists, so each page opens its services when it is chosen and closes them when
// another one is.
ApplicationWindow {
    id: window

    readonly property var pages: [
        { title: qsTr("Toasts and dialogs"), source: "DialogsPage.qml" },
        { title: qsTr("Invocation"), source: "InvocationPage.qml" },
        { title: qsTr("Menu"), source: "MenuPage.qml" },
        { title: qsTr("Locale"), source: "LocalePage.qml" },
        { title: qsTr("Clipboard"), source: "ClipboardPage.qml" },
        { title: qsTr("Screenshot"), source: "ScreenshotPage.qml" },
        { title: qsTr("Context"), source: "ContextPage.qml" },
        { title: qsTr("Phone"), source: "PhonePage.qml" },
        { title: qsTr("NFC sharing"), source: "NfcPage.qml" }
    ]
    readonly property int pageCount: pages.length
    property alias currentIndex: serviceList.currentIndex
    readonly property Item currentPage: pageLoader.item

    width: 960
    height: 680
    visible: true
    title: qsTr("qz.system gallery")

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ListView {
            id: serviceList

            Layout.fillHeight: true
            Layout.preferredWidth: 200
            model: window.pages
            delegate: ItemDelegate {
                required property var modelData
                required property int index

                width: ListView.view.width
                text: modelData.title
                highlighted: ListView.isCurrentItem
                onClicked: serviceList.currentIndex = index
            }
        }

        ToolSeparator {
            Layout.fillHeight: true
        }

        Loader {
            id: pageLoader

            Layout.fillWidth: true
            Layout.fillHeight: true
            source: window.pages[serviceList.currentIndex].source
        }
    }
}
