// Calls reach QML as values of the phone's signals; qzctl plays the network.
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Phone"

    property var updates: []

    Phone {
        id: phone
        onCallUpdated: call => testCase.updates.push({ id: call.callId, type: call.callType,
                                                       state: call.callState,
                                                       line: call.callLine,
                                                       number: call.phoneNumber })
    }

    function test_incomingCallEndedFromQml() {
        compare(device.ctl(["phone", "incoming", "+15550100"]).code, 0)
        tryVerify(() => updates.some(update => update.state === CallState.Incoming), 10000)
        const ringing = updates.find(update => update.state === CallState.Incoming)
        compare(ringing.type, CallType.Incoming)
        compare(ringing.line, LineType.Cellular)
        compare(ringing.number, "+15550100")

        verify(phone.endCall(ringing.id))
        tryVerify(() => updates.some(update => update.id === ringing.id
                                     && update.state === CallState.Disconnected), 10000,
                  JSON.stringify(updates))
    }

    function test_lines() {
        verify(phone.isLineAvailable(LineType.Cellular))
        const lines = phone.availableLines("+15550100")
        compare(lines.map(line => line.type), [LineType.Cellular])
        verify(lines[0].valid)
        // The line of the call ended above is given up when the phone service says so, which may
        // come after the call's last update.
        tryVerify(() => !phone.activeLine().valid, 10000)
    }
}
