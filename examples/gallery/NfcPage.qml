import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Shares a text by NFC: set it, then tap a peer or a tag against the device (qzctl nfc tap peer,
// qzctl nfc tap tag) and see how the push or the tag write went.
ServicePage {
    id: page

    property nfcShareDataContent content

    function share() {
        content.mimeType = "text/plain"
        content.data = textField.text
        const problem = manager.setShareContent(content)
        page.log(problem === NfcShareSetContentError.None
                 ? qsTr("Ready: tap a peer or a tag to share \"%1\"").arg(textField.text)
                 : qsTr("Not shared: %1").arg(Names.setContentError[problem]))
    }

    title: qsTr("NFC sharing")

    NfcShareManager {
        id: manager

        onFinished: function(result) {
            page.log(result === NfcShareSuccess.TagWrite ? qsTr("Written to the tag") : qsTr("Pushed to the peer"))
        }
        onError: function(error) {
            page.log(qsTr("Failed: %1").arg(Names.shareError[error]))
        }
    }

    RowLayout {
        TextField {
            id: textField

            Layout.fillWidth: true
            text: qsTr("Hello by NFC")
        }
        ComboBox {
            id: modeBox

            textRole: "text"
            valueRole: "mode"
            model: [
                { text: qsTr("Push to a peer"), mode: NfcShareMode.Data },
                { text: qsTr("Write to a tag"), mode: NfcShareMode.DataTagWrite }
            ]
            onActivated: manager.shareMode = currentValue
            Component.onCompleted: manager.shareMode = currentValue
        }
        Button {
            text: qsTr("Share")
            onClicked: page.share()
        }
    }
}
