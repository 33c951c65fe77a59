import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Invokes a target through the navigator and shows the reply. qzdevice knows the targets of its
// --targets folder; by action and MIME type the navigator picks one of them.
ServicePage {
    id: page

    property invokeRequest request

    function invoke() {
        request.target = targetField.text
        request.action = actionField.text
        request.mimeType = typeField.text
        request.data = dataField.text
        const reply = invoker.invoke(request)
        if (!reply) {
            page.log(qsTr("The navigator refused the request"))
            return
        }
        reply.finished.connect(function() {
            if (reply.error === InvokeReplyError.None)
                page.log(qsTr("Invoked \"%1\"").arg(reply.target))
            else
                page.log(qsTr("Not invoked: %1 (code %2)").arg(Names.invokeError[reply.error]).arg(reply.errorCode))
            reply.destroy()
        })
    }

    title: qsTr("Invocation")

    InvokeManager {
        id: invoker
    }

    GridLayout {
        columns: 2

        Label {
            text: qsTr("Target")
        }
        TextField {
            id: targetField

            Layout.fillWidth: true
            placeholderText: qsTr("a target key, or empty to choose by action and type")
        }
        Label {
            text: qsTr("Action")
        }
        TextField {
            id: actionField

            Layout.fillWidth: true
            text: "qz.action.SHOW"
        }
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
        text: qsTr("Invoke")
        onClicked: page.invoke()
    }
}
