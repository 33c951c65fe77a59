import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// A capture of the display by the screen-capture service, shown when it is written.
ServicePage {
    id: page

    title: qsTr("Screenshot")

    Screenshot {
        id: screenshot
    }

    Button {
        text: qsTr("Capture the display")
        onClicked: {
            const path = screenshot.captureDisplay()
            if (path === "") {
                page.log(qsTr("No capture: %1").arg(Names.screenshotError[screenshot.error()]))
                return
            }
            page.log(qsTr("Captured to %1").arg(path))
            capture.source = ""
            capture.source = "file://" + path
        }
    }

    Image {
        id: capture

        Layout.fillWidth: true
        Layout.preferredHeight: 300
        fillMode: Image.PreserveAspectFit
        cache: false
    }
}
