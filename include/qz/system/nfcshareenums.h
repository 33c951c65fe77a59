#ifndef QZ_SYSTEM_NFCSHAREENUMS_H
#define QZ_SYSTEM_NFCSHAREENUMS_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::NfcShareContent
    \brief The kind of content held for sharing over NFC.

    \value Empty Nothing usable is held.
    \value Text An NDEF text record.
    \value Url An NDEF URI record.
    \value RawNdef An NDEF message given whole by the application as bytes.
    \value File A list of files.
    \value Custom One media-type record with the application's MIME type.
*/
class QZSYSTEM_EXPORT NfcShareContent
{
    Q_GADGET
public:
    enum Type : int { Empty = 0, Text = 1, Url = 2, RawNdef = 3, File = 4, Custom = 5 };
    Q_ENUM(Type)

    NfcShareContent() = delete;
};

/*!
    \class qz::system::NfcShareSetContentError
    \brief The result of handing content to the share manager.

    \value None The content was accepted.
    \value TransferInProgress A transfer is under way; content cannot change now.
    \value InvalidShareMode The share mode does not take this kind of content.
    \value InvalidShareRequest The content cannot be shared (nothing usable, or no files).
    \value Unknown The share manager is in a state it does not know.
*/
class QZSYSTEM_EXPORT NfcShareSetContentError
{
    Q_GADGET
public:
    enum Type : int {
        None = 0,
        TransferInProgress = 1,
        InvalidShareMode = 2,
        InvalidShareRequest = 3,
        Unknown = 4
    };
    Q_ENUM(Type)

    NfcShareSetContentError() = delete;
};

/*!
    \class qz::system::NfcShareMode
    \brief What a tap shares.

    \value Disabled Nothing is shared.
    \value Data Data, by SNEP push to a peer and by writing a tag.
    \value File Files, over Bluetooth or Wi-Fi Direct after an NFC hand-over.
    \value DataTagWrite Data, by writing a tag only.
    \value DataSnep Data, by SNEP push to a peer only.
*/
class QZSYSTEM_EXPORT NfcShareMode
{
    Q_GADGET
public:
    enum Type : int { Disabled = 0, Data = 1, File = 2, DataTagWrite = 3, DataSnep = 4 };
    Q_ENUM(Type)

    NfcShareMode() = delete;
};

/*!
    \class qz::system::NfcShareStartTransferMode
    \brief When a transfer starts after a tap.

    \value OnTap As soon as a target is acquired.
    \value OnDemand The target is held until the application starts the transfer (files only).
*/
class QZSYSTEM_EXPORT NfcShareStartTransferMode
{
    Q_GADGET
public:
    enum Type : int { OnTap = 0, OnDemand = 1 };
    Q_ENUM(Type)

    NfcShareStartTransferMode() = delete;
};

/*!
    \class qz::system::NfcShareHandoverTransport
    \brief A transport that files may travel over after an NFC hand-over.

    \value Bluetooth Bluetooth.
    \value WiFiDirect Wi-Fi Direct.
*/
class QZSYSTEM_EXPORT NfcShareHandoverTransport
{
    Q_GADGET
public:
    enum Type : int { Bluetooth = 0, WiFiDirect = 1 };
    Q_ENUM(Type)

    NfcShareHandoverTransport() = delete;
};

/*!
    \class qz::system::NfcShareSuccess
    \brief How a share succeeded.

    \value File Files were sent.
    \value Snep Data was pushed to a peer.
    \value TagWrite Data was written to a tag.
*/
class QZSYSTEM_EXPORT NfcShareSuccess
{
    Q_GADGET
public:
    enum Type : int { File = 0, Snep = 1, TagWrite = 2 };
    Q_ENUM(Type)

    NfcShareSuccess() = delete;
};

/*!
    \class qz::system::NfcShareError
    \brief Why a share failed.

    \value Unknown The NFC event or its target could not be read, or an internal part is missing.
    \value NoContentToShare There is no content, or no message, to share.
    \value RegisterFileSharing The hand-over listener could not be registered.
    \value RegisterDataSharing SNEP or tag registration failed.
    \value MessageSize The message is too large for the peer or the tag.
    \value TagLocked The tag is read-only.
    \value UnsupportedTagType The tag is of a type that cannot be written.
    \value DataTransferFailed The peer rejected the message, an I/O error occurred, or the target
           was lost.
    \value HandoverFailed The hand-over found no transport, or its records could not be read.
    \value BluetoothFileTransferFailed Sending files over Bluetooth failed.
    \value BluetoothFileTransferCancelled Sending files over Bluetooth was declined.
    \value TransferInProgress A transfer is under way, or a target is already held.
    \value UnsupportedShareMode The operation does not fit the share mode.
    \value WiFiDirectFileTransferFailed Sending files over Wi-Fi Direct failed.
    \value WiFiDirectFileTransferCancelled Sending files over Wi-Fi Direct was declined.
    \value NoTransferTarget No target is held to transfer to.
*/
class QZSYSTEM_EXPORT NfcShareError
{
    Q_GADGET
public:
    enum Type : int {
        Unknown = 0,
        NoContentToShare = 1,
        RegisterFileSharing = 2,
        RegisterDataSharing = 3,
        MessageSize = 4,
        TagLocked = 5,
        UnsupportedTagType = 6,
        DataTransferFailed = 7,
        HandoverFailed = 8,
        BluetoothFileTransferFailed = 9,
        BluetoothFileTransferCancelled = 10,
        TransferInProgress = 11,
        UnsupportedShareMode = 12,
        WiFiDirectFileTransferFailed = 13,
        WiFiDirectFileTransferCancelled = 14,
        NoTransferTarget = 15
    };
    Q_ENUM(Type)

    NfcShareError() = delete;
};

} // namespace qz::system

#endif
