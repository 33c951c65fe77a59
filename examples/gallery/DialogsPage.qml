import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// Toasts, dialogs and prompts drawn by the dialog service. With qzdevice --interactive, each one
// is answered at qzdevice's terminal; with its auto policy, after a moment.
ServicePage {
    id: page

    // How the last toast ended, by name; the smoke run waits for it.
    property string toastOutcome

    function showToast() {
        toast.body = toastBody.text
        toast.show()
    }

    function outcome(what, dialog) {
        var text = what + ": " + Names.uiResult[dialog.result]
        if (dialog.result === SystemUiResult.Error)
            text += " (" + Names.uiError[dialog.error] + ")"
        else if (dialog.buttonSelection())
            text += qsTr(", button \"%1\"").arg(dialog.buttonSelection().label)
        return text
    }

    title: qsTr("Toasts and dialogs")

    SystemToast {
        id: toast

        onFinished: {
            page.toastOutcome = Names.uiResult[toast.result]
            page.log(page.outcome(qsTr("Toast"), toast))
        }
    }

    SystemDialog {
        id: dialog

        title: qsTr("Keep your changes?")
        body: qsTr("The document was modified.")
        includeRememberMe: true
        confirmButton.label: qsTr("Keep")
        cancelButton.label: qsTr("Discard")
        onFinished: page.log(page.outcome(qsTr("Dialog"), dialog)
                             + (dialog.rememberMeSelection() ? qsTr(", remember me") : ""))

        SystemUiButton {
            label: qsTr("Save a copy")
        }
        SystemUiButton {
            label: qsTr("Compare")
        }
    }

    SystemPrompt {
        id: prompt

        title: qsTr("Rename")
        body: qsTr("The new name of the file:")
        inputField.defaultText: "notes.txt"
        inputField.emptyText: qsTr("file name")
        onFinished: page.log(page.outcome(qsTr("Prompt"), prompt)
                             + qsTr(", text \"%1\"").arg(prompt.inputFieldTextEntry()))
    }

    SystemCredentialsPrompt {
        id: credentials

        title: qsTr("Sign in")
        body: qsTr("Your account at the example service")
        includeShowPassword: true
        includeRememberMe: true
        // The password stays in the prompt; the page only tells how long it was.
        onFinished: page.log(page.outcome(qsTr("Credentials"), credentials)
                             + qsTr(", user \"%1\", a password of %2 characters")
                               .arg(credentials.usernameEntry()).arg(credentials.passwordEntry().length))
    }

    SystemListDialog {
        id: listDialog

        title: qsTr("Toppings")
        selectionMode: ListSelectionMode.Multiple
        confirmButton.label: qsTr("Order")
        cancelButton.label: qsTr("Cancel")
        onFinished: page.log(page.outcome(qsTr("List"), listDialog)
                             + qsTr(", rows %1").arg(JSON.stringify(listDialog.selectedIndices)))
        Component.onCompleted: {
            appendHeader(qsTr("Vegetables"))
            appendItems([qsTr("Olives"), qsTr("Peppers")])
            appendSeparator()
            appendHeader(qsTr("Cheese"))
            appendItem(qsTr("Mozzarella"), true, true)
        }
    }

    SystemProgressDialog {
        id: progressDialog

        title: qsTr("Copying")
        body: qsTr("Copying the photos to the card")
        autoUpdateEnabled: true
        confirmButton.label: qsTr("Hide")
        onFinished: {
            progressTimer.stop()
            page.log(page.outcome(qsTr("Progress"), progressDialog))
        }
    }

    Timer {
        id: progressTimer

        interval: 300
        repeat: true
        onTriggered: {
            progressDialog.progress = Math.min(100, progressDialog.progress + 10)
            progressDialog.statusMessage = qsTr("%1 of 10 photos").arg(progressDialog.progress / 10)
            if (progressDialog.progress === 100)
                stop()
        }
    }

    GridLayout {
        columns: 2

        TextField {
            id: toastBody

            Layout.fillWidth: true
            text: qsTr("Hello from the gallery")
        }
        Button {
            text: qsTr("Show toast")
            onClicked: page.showToast()
        }
        Label {
            Layout.fillWidth: true
            text: qsTr("An alert with Keep, Discard, two added buttons and \"remember me\"")
            wrapMode: Text.Wrap
        }
        Button {
            text: qsTr("Show dialog")
            onClicked: dialog.show()
        }
        Label {
            Layout.fillWidth: true
            text: qsTr("A prompt for one line of text")
        }
        Button {
            text: qsTr("Show prompt")
            onClicked: prompt.show()
        }
        Label {
            Layout.fillWidth: true
            text: qsTr("A login prompt")
        }
        Button {
            text: qsTr("Show login")
            onClicked: credentials.show()
        }
        Label {
            Layout.fillWidth: true
            text: qsTr("A list with headers, a separator and several choices")
        }
        Button {
            text: qsTr("Show list")
            onClicked: listDialog.show()
        }
        Label {
            Layout.fillWidth: true
            text: qsTr("A progress dialog that counts to 100 %")
        }
        Button {
            text: qsTr("Show progress")
            onClicked: {
                progressDialog.progress = 0
                progressDialog.show()
                progressTimer.start()
            }
        }
    }
}
