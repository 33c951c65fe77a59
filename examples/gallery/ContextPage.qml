import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Usage events reported to the device's context collector, with attributes of their own; a
// private attribute is anonymised before it leaves the application.
ServicePage {
    id: page

    title: qsTr("Context")

    ContextCollector {
        id: collector

        applicationName: "qzgallery"
        applicationVersion: "1.0"
    }

    ContextEvent {
        id: attributes
    }

    function send(what, doSend) {
        attributes.clear()
        attributes.insert("page", "context")
        attributes.insert("user", userField.text, ContextClassification.Private)
        doSend()
        page.log(collector.isValid() ? qsTr("Sent %1").arg(what)
                                     : qsTr("Dropped %1: the collector is not valid").arg(what))
    }

    GridLayout {
        columns: 2

        Label {
            text: qsTr("Search text")
        }
        TextField {
            id: searchField

            Layout.fillWidth: true
            text: qsTr("holiday photos")
        }
        Label {
            text: qsTr("User (private)")
        }
        TextField {
            id: userField

            Layout.fillWidth: true
            text: "alice@example.com"
        }
    }

    RowLayout {
        Button {
            text: qsTr("Activity started")
            onClicked: page.send(qsTr("an activity"), function() {
                collector.sendActivity("gallery", ContextActivityState.Start, attributes)
            })
        }
        Button {
            text: qsTr("Search")
            onClicked: page.send(qsTr("a search"), function() {
                collector.sendSearchEvent(searchField.text, attributes)
            })
        }
        Button {
            text: qsTr("Button click")
            onClicked: page.send(qsTr("a click"), function() { collector.sendButtonClick(attributes) })
        }
        Button {
            text: qsTr("Custom event")
            onClicked: page.send(qsTr("a custom event"), function() {
                collector.sendCustomEvent("galleryCustom", attributes)
            })
        }
    }
}
