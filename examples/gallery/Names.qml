pragma Singleton

import QtQuick
import qz.system

// The names of the enumeration values the pages print: QML compares enumerations by name, but
// their values reach it as numbers.
QtObject {
    readonly property var uiResult: ({
        [SystemUiResult.None]: "None",
        [SystemUiResult.ButtonSelection]: "ButtonSelection",
        [SystemUiResult.ConfirmButtonSelection]: "ConfirmButtonSelection",
        [SystemUiResult.CancelButtonSelection]: "CancelButtonSelection",
        [SystemUiResult.TimeOut]: "TimeOut",
        [SystemUiResult.Error]: "Error",
        [SystemUiResult.CustomButtonSelection]: "CustomButtonSelection",
        [SystemUiResult.DialogCannotBlock]: "DialogCannotBlock",
        [SystemUiResult.ItemSelection]: "ItemSelection"
    })
    readonly property var uiError: ({
        [SystemUiError.None]: "None",
        [SystemUiError.Unknown]: "Unknown",
        [SystemUiError.NoButtons]: "NoButtons",
        [SystemUiError.InvalidState]: "InvalidState",
        [SystemUiError.ServiceUnavailable]: "ServiceUnavailable"
    })
    readonly property var invokeError: ({
        [InvokeReplyError.None]: "None",
        [InvokeReplyError.NoTarget]: "NoTarget",
        [InvokeReplyError.BadRequest]: "BadRequest",
        [InvokeReplyError.Internal]: "Internal",
        [InvokeReplyError.TargetNotOwned]: "TargetNotOwned",
        [InvokeReplyError.InsufficientPrivileges]: "InsufficientPrivileges",
        [InvokeReplyError.Target]: "Target"
    })
    readonly property var measurementSystem: ({
        [MeasurementSystem.Metric]: "Metric",
        [MeasurementSystem.Imperial]: "Imperial"
    })
    readonly property var screenshotError: ({
        [ScreenshotError.None]: "None",
        [ScreenshotError.InternalError]: "InternalError",
        [ScreenshotError.PermissionDenied]: "PermissionDenied",
        [ScreenshotError.BadFilePath]: "BadFilePath",
        [ScreenshotError.UnsupportedFileType]: "UnsupportedFileType",
        [ScreenshotError.UserDeclined]: "UserDeclined"
    })
    readonly property var callState: ({
        [CallState.Unknown]: "Unknown",
        [CallState.Incoming]: "Incoming",
        [CallState.Connecting]: "Connecting",
        [CallState.RemoteRinging]: "RemoteRinging",
        [CallState.Connected]: "Connected",
        [CallState.Disconnected]: "Disconnected",
        [CallState.Failed]: "Failed",
        [CallState.Held]: "Held",
        [CallState.MultiPartyMember]: "MultiPartyMember"
    })
    readonly property var setContentError: ({
        [NfcShareSetContentError.None]: "None",
        [NfcShareSetContentError.TransferInProgress]: "TransferInProgress",
        [NfcShareSetContentError.InvalidShareMode]: "InvalidShareMode",
        [NfcShareSetContentError.InvalidShareRequest]: "InvalidShareRequest",
        [NfcShareSetContentError.Unknown]: "Unknown"
    })
    readonly property var shareError: ({
        [NfcShareError.Unknown]: "Unknown",
        [NfcShareError.NoContentToShare]: "NoContentToShare",
        [NfcShareError.RegisterFileSharing]: "RegisterFileSharing",
        [NfcShareError.RegisterDataSharing]: "RegisterDataSharing",
        [NfcShareError.MessageSize]: "MessageSize",
        [NfcShareError.TagLocked]: "TagLocked",
        [NfcShareError.UnsupportedTagType]: "UnsupportedTagType",
        [NfcShareError.DataTransferFailed]: "DataTransferFailed",
        [NfcShareError.HandoverFailed]: "HandoverFailed",
        [NfcShareError.BluetoothFileTransferFailed]: "BluetoothFileTransferFailed",
        [NfcShareError.BluetoothFileTransferCancelled]: "BluetoothFileTransferCancelled",
        [NfcShareError.TransferInProgress]: "TransferInProgress",
        [NfcShareError.UnsupportedShareMode]: "UnsupportedShareMode",
        [NfcShareError.WiFiDirectFileTransferFailed]: "WiFiDirectFileTransferFailed",
        [NfcShareError.WiFiDirectFileTransferCancelled]: "WiFiDirectFileTransferCancelled",
        [NfcShareError.NoTransferTarget]: "NoTransferTarget"
    })
}
