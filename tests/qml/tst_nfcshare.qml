// Sharing from QML by NFC: qzctl taps a peer against the device.
import QtQuick
import QtTest
import qz.system

TestCase {
    name: "NfcShare"

    NfcShareManager { id: share }
    SignalSpy { id: finishedSpy; target: share; signalName: "finished" }

    property nfcShareDataContent content

    function test_textReachesTappedPeer() {
        share.shareMode = NfcShareMode.Data
        compare(share.shareMode, NfcShareMode.Data)
        content.mimeType = "text/plain"
        content.data = "hello from QML"
        compare(share.setShareContent(content), NfcShareSetContentError.None)

        device.startCtl(["nfc", "tap", "peer"])
        tryCompare(finishedSpy, "count", 1, 10000)
        compare(finishedSpy.signalArguments[0][0], NfcShareSuccess.Snep)
        tryVerify(() => device.startedOutput().includes("hello from QML"), 10000,
                  device.startedOutput())
    }
}
