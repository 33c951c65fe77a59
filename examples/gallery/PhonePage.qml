import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Calls through the phone service: place one, follow its states, hold, resume and end it.
// qzctl phone plays the network (incoming calls, the remote answering).
ServicePage {
    id: page

    // The call the buttons act on: the last one the phone service told of.
    property int callId: -1

    title: qsTr("Phone")

    Phone {
        id: phone

        onCallUpdated: function(call) {
            page.callId = call.callId
            page.log(qsTr("Call %1 with %2: %3").arg(call.callId).arg(call.phoneNumber)
                     .arg(Names.callState[call.callState]))
        }
        onCallCommandResponseReceived: function(response) {
            page.log(qsTr("%1 on call %2: %3").arg(response.callCommand).arg(response.callId)
                     .arg(response.error === "" ? qsTr("done") : response.error))
        }
    }

    RowLayout {
        Label {
            text: qsTr("Number")
        }
        TextField {
            id: numberField

            Layout.fillWidth: true
            text: "+15550100"
        }
        Button {
            text: qsTr("Call")
            onClicked: phone.initiateCellularCall(numberField.text)
        }
        Button {
            text: qsTr("Dial pad")
            onClicked: phone.requestDialpad(numberField.text, LineType.Cellular)
        }
    }

    RowLayout {
        Button {
            text: qsTr("Hold")
            enabled: page.callId >= 0
            onClicked: page.log(phone.holdCall(page.callId) ? qsTr("Hold sent") : qsTr("The call cannot be held"))
        }
        Button {
            text: qsTr("Resume")
            enabled: page.callId >= 0
            onClicked: page.log(phone.resumeCall(page.callId) ? qsTr("Resume sent") : qsTr("The call cannot be resumed"))
        }
        Button {
            text: qsTr("End")
            enabled: page.callId >= 0
            onClicked: page.log(phone.endCall(page.callId) ? qsTr("End sent") : qsTr("The call cannot be ended"))
        }
    }
}
