// Progress dialogs and toasts from QML: qzdevice answers them only once the work is done (100%)
// or failed, so only progress that reaches it ends them.
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Progress"

    property var finishedResults: []

    SystemProgressDialog {
        id: progressDialog
        title: "Copying"
        onFinished: result => testCase.finishedResults.push(result)
    }

    SystemProgressToast {
        id: progressToast
        body: "Uploading"
        onFinished: result => testCase.finishedResults.push(result)
    }

    function test_endsOnceDone_data() {
        return [
            { tag: "dialog at 100", item: progressDialog, autoUpdate: true, progress: 100,
              state: SystemUiProgressState.Active, result: SystemUiResult.ConfirmButtonSelection },
            { tag: "dialog failed, sent by update()", item: progressDialog, autoUpdate: false,
              progress: 40, state: SystemUiProgressState.Error,
              result: SystemUiResult.ConfirmButtonSelection },
            { tag: "toast at 100", item: progressToast, autoUpdate: true, progress: 100,
              state: SystemUiProgressState.Active, result: SystemUiResult.TimeOut },
            { tag: "toast failed", item: progressToast, autoUpdate: true, progress: 40,
              state: SystemUiProgressState.Error, result: SystemUiResult.TimeOut },
        ]
    }

    function test_endsOnceDone(data) {
        const item = data.item
        finishedResults = []
        item.autoUpdateEnabled = data.autoUpdate
        item.state = SystemUiProgressState.Active
        item.progress = 0
        item.statusMessage = "Starting"
        item.show()

        // Halfway, the device keeps it up.
        item.progress = 40
        compare(item.progress, 40)
        item.statusMessage = "Halfway"
        if (!data.autoUpdate)
            item.update()
        wait(300)
        compare(finishedResults, [])

        item.progress = data.progress
        item.state = data.state
        if (!data.autoUpdate)
            item.update()
        tryCompare(testCase, "finishedResults", [data.result], 10000)
        compare(item.result, data.result)
        compare(item.error, SystemUiError.None)
    }
}
