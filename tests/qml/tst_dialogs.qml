// Dialogs declared in QML, answered by qzdevice's dialog script (see tst_qml.cpp).
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Dialogs"

    property var finishedResults: []
    property var boundDefaultButton: dialog.defaultButton

    SystemDialog {
        id: dialog
        onFinished: result => testCase.finishedResults.push(result)

        // Declared inside the dialog: the default property adds them after the standard buttons.
        SystemUiButton { id: later; label: "Later" }
        SystemUiButton { id: keep; label: "Keep" }
    }

    SystemToast {
        id: toast
        body: "Saved"
    }

    SystemPrompt {
        id: prompt
        title: "Name?"
        inputField.emptyText: "Your name"
        inputField.inputMode: SystemUiInputMode.Default
    }

    SystemListDialog {
        id: list
        title: "Pick"
        selectionMode: ListSelectionMode.Multiple
        Component.onCompleted: appendItems(["red", "green", "blue"])
    }

    SystemCredentialsPrompt {
        id: credentials
        includeRememberMe: true
        rememberMeChecked: false
        usernameField.emptyText: "Account"
    }

    SignalSpy { id: dialogSpy; target: dialog; signalName: "finished" }
    SignalSpy { id: credentialsSpy; target: credentials; signalName: "finished" }
    SignalSpy { id: promptSpy; target: prompt; signalName: "finished" }
    SignalSpy { id: listSpy; target: list; signalName: "finished" }
    SignalSpy { id: toastSpy; target: toast; signalName: "finished" }

    function test_pressedButton_data() {
        return [
            { tag: "added button", title: "Press Later", button: later,
              result: SystemUiResult.ButtonSelection },
            { tag: "second added button", title: "Press Keep", button: keep,
              result: SystemUiResult.ButtonSelection },
            { tag: "standard button", title: "Press Cancel", button: dialog.cancelButton,
              result: SystemUiResult.CancelButtonSelection },
        ]
    }

    function test_pressedButton(data) {
        compare(dialog.buttonCount(), 2)
        dialogSpy.clear()
        finishedResults = []
        dialog.title = data.title
        dialog.show()
        tryVerify(() => dialogSpy.count > 0, 10000)
        compare(dialog.result, data.result)
        compare(dialog.error, SystemUiError.None)
        verify(dialog.buttonSelection() === data.button, "pressed " + dialog.buttonSelection())
        compare(finishedResults, [data.result])
    }

    function test_enumerationByName() {
        // Values by name are the C++ values, and distinct names stay distinct.
        compare(SystemUiResult.ConfirmButtonSelection, 2)
        verify(SystemUiResult.ConfirmButtonSelection !== SystemUiResult.CancelButtonSelection)
        compare(dialog.modality, SystemUiModality.Application)
        dialog.modality = SystemUiModality.Global
        compare(dialog.modality, SystemUiModality.Global)
        dialog.resetModality()
        compare(dialog.modality, SystemUiModality.Application)
    }

    function test_defaultButtonBinding() {
        dialog.defaultButton = later
        compare(boundDefaultButton, later)
        dialog.resetDefaultButton()
        compare(boundDefaultButton, dialog.confirmButton)
    }

    function test_promptAnswersTypedText() {
        compare(prompt.inputField.emptyText, "Your name")
        prompt.show()
        tryVerify(() => promptSpy.count > 0, 10000)
        compare(prompt.result, SystemUiResult.ConfirmButtonSelection)
        compare(prompt.inputFieldTextEntry(), "Alice")
    }

    // The box goes out unchecked; the login is answered with it checked, the cancel leaves it.
    function test_credentials_data() {
        return [
            { tag: "login", title: "Sign in", result: SystemUiResult.ConfirmButtonSelection,
              button: credentials.confirmButton, username: "alice", password: "p\u00e4ss: w\"rd",
              rememberMe: true },
            // Unscripted entries are the device's configured user and password.
            { tag: "cancelled", title: "Sign in later",
              result: SystemUiResult.CancelButtonSelection, button: credentials.cancelButton,
              username: "user", password: "secret", rememberMe: false },
        ]
    }

    function test_credentials(data) {
        compare(credentials.usernameField.emptyText, "Account")
        credentialsSpy.clear()
        credentials.title = data.title
        credentials.show()
        tryCompare(credentialsSpy, "count", 1, 10000)
        compare(credentials.result, data.result)
        compare(credentials.error, SystemUiError.None)
        verify(credentials.buttonSelection() === data.button,
               "pressed " + credentials.buttonSelection())
        compare(credentials.usernameEntry(), data.username)
        compare(credentials.passwordEntry(), data.password)
        compare(credentials.rememberMeSelection(), data.rememberMe)
    }

    function test_listDialogSelectsRows() {
        list.show()
        tryVerify(() => listSpy.count > 0, 10000)
        compare(list.selectedIndices, [1, 2])
    }

    function test_toastTimesOut() {
        toastSpy.clear()
        toast.show()
        tryVerify(() => toastSpy.count > 0, 10000)
        compare(toast.error, SystemUiError.None)
        compare(toast.result, SystemUiResult.TimeOut)
    }
}
