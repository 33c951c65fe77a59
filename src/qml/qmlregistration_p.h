// Not API: the QML registration of the library's classes, read by the QML type registrar at build
// time. The QML types are the C++ classes themselves; nothing here adds behaviour.
#ifndef QZ_SYSTEM_QMLREGISTRATION_P_H
#define QZ_SYSTEM_QMLREGISTRATION_P_H

#include <qz/system/applicationstartupmode.h>
#include <qz/system/cardedge.h>
#include <qz/system/cardorientation.h>
#include <qz/system/cardpeek.h>
#include <qz/system/clipboard.h>
#include <qz/system/contextactivitystate.h>
#include <qz/system/contextclassification.h>
#include <qz/system/contextcollector.h>
#include <qz/system/contextevent.h>
#include <qz/system/filetransfermode.h>
#include <qz/system/invokeaction.h>
#include <qz/system/invokelistcursordirection.h>
#include <qz/system/invokemanager.h>
#include <qz/system/invokerecurrencerulefrequency.h>
#include <qz/system/invokerecurrencerulelimit.h>
#include <qz/system/invokereplyerror.h>
#include <qz/system/invoketarget.h>
#include <qz/system/invokeviewermessagereplyerror.h>
#include <qz/system/localehandler.h>
#include <qz/system/localetype.h>
#include <qz/system/measurementsystem.h>
#include <qz/system/menu.h>
#include <qz/system/menuitemtype.h>
#include <qz/system/menumanager.h>
#include <qz/system/menumanagererror.h>
#include <qz/system/nfcsharedatacontent.h>
#include <qz/system/nfcshareenums.h>
#include <qz/system/nfcsharefilescontent.h>
#include <qz/system/nfcsharemanager.h>
#include <qz/system/phone/phone.h>
#include <qz/system/phone/phoneenums.h>
#include <qz/system/screenshot.h>
#include <qz/system/screenshoterror.h>
#include <qz/system/screenshotformat.h>
#include <qz/system/securityperimeter.h>
#include <qz/system/systemcredentialsprompt.h>
#include <qz/system/systemdialog.h>
#include <qz/system/systemlistdialog.h>
#include <qz/system/systemprogressdialog.h>
#include <qz/system/systemprogresstoast.h>
#include <qz/system/systemprompt.h>
#include <qz/system/systemtoast.h>
#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>
#include <qz/system/systemuiinputfield.h>

#include <QtQml/qqml.h>

namespace qz::system::qml {

// An object type declared in QML under its C++ name.
#define QZ_QML_OBJECT(NAME, TYPE)                                                                  \
    struct NAME##Registration                                                                      \
    {                                                                                              \
        Q_GADGET                                                                                   \
        QML_FOREIGN(TYPE)                                                                          \
        QML_NAMED_ELEMENT(NAME)                                                                    \
    };

// An object type QML receives from the library (replies) but never creates.
#define QZ_QML_UNCREATABLE(NAME, TYPE, REASON)                                                     \
    struct NAME##Registration                                                                      \
    {                                                                                              \
        Q_GADGET                                                                                   \
        QML_FOREIGN(TYPE)                                                                          \
        QML_NAMED_ELEMENT(NAME)                                                                    \
        QML_UNCREATABLE(REASON)                                                                    \
    };

// An enumeration class: its values by name, as in NAME.Value.
#define QZ_QML_ENUMS(NAME, TYPE)                                                                   \
    namespace NAME##Registration                                                                   \
    {                                                                                              \
        Q_NAMESPACE                                                                                \
        QML_FOREIGN_NAMESPACE(TYPE)                                                                \
        QML_NAMED_ELEMENT(NAME)                                                                    \
    }

// A value type; QML names value types in lower case.
#define QZ_QML_VALUE(NAME, TYPE)                                                                   \
    struct NAME##Registration                                                                      \
    {                                                                                              \
        Q_GADGET                                                                                   \
        QML_FOREIGN(TYPE)                                                                          \
        QML_VALUE_TYPE(NAME)                                                                       \
    };

// A list of values of a registered value type, as a JavaScript array.
#define QZ_QML_LIST(NAME, TYPE)                                                                    \
    struct NAME##ListRegistration                                                                  \
    {                                                                                              \
        Q_GADGET                                                                                   \
        QML_ANONYMOUS                                                                              \
        QML_FOREIGN(QList<TYPE>)                                                                   \
        QML_SEQUENTIAL_CONTAINER(TYPE)                                                             \
    };

// System UI.
QZ_QML_OBJECT(SystemToast, qz::system::SystemToast)
QZ_QML_OBJECT(SystemDialog, qz::system::SystemDialog)
QZ_QML_OBJECT(SystemPrompt, qz::system::SystemPrompt)
QZ_QML_OBJECT(SystemCredentialsPrompt, qz::system::SystemCredentialsPrompt)
QZ_QML_OBJECT(SystemListDialog, qz::system::SystemListDialog)
QZ_QML_OBJECT(SystemProgressDialog, qz::system::SystemProgressDialog)
QZ_QML_OBJECT(SystemProgressToast, qz::system::SystemProgressToast)
QZ_QML_OBJECT(SystemUiButton, qz::system::SystemUiButton)
QZ_QML_OBJECT(SystemUiInputField, qz::system::SystemUiInputField)
QZ_QML_ENUMS(SystemUiResult, qz::system::SystemUiResult)
QZ_QML_ENUMS(SystemUiError, qz::system::SystemUiError)
QZ_QML_ENUMS(SystemUiModality, qz::system::SystemUiModality)
QZ_QML_ENUMS(SystemUiPosition, qz::system::SystemUiPosition)
QZ_QML_ENUMS(SystemUiReturnKeyAction, qz::system::SystemUiReturnKeyAction)
QZ_QML_ENUMS(SystemUiInputMode, qz::system::SystemUiInputMode)
QZ_QML_ENUMS(SystemUiInputOption, qz::system::SystemUiInputOption)
QZ_QML_ENUMS(SystemUiProgressState, qz::system::SystemUiProgressState)
QZ_QML_ENUMS(ListSelectionMode, qz::system::ListSelectionMode)
QZ_QML_ENUMS(ListSelectionIndicator, qz::system::ListSelectionIndicator)

// Invocation.
QZ_QML_OBJECT(InvokeManager, qz::system::InvokeManager)
QZ_QML_VALUE(invokeRequest, qz::system::InvokeRequest)
QZ_QML_VALUE(invokeQueryTargetsRequest, qz::system::InvokeQueryTargetsRequest)
QZ_QML_VALUE(invokeViewerRequest, qz::system::InvokeViewerRequest)
QZ_QML_VALUE(invokeViewerMessage, qz::system::InvokeViewerMessage)
QZ_QML_VALUE(cardDoneMessage, qz::system::CardDoneMessage)
QZ_QML_VALUE(cardResizeMessage, qz::system::CardResizeMessage)
QZ_QML_VALUE(invokeTimerRequest, qz::system::InvokeTimerRequest)
QZ_QML_VALUE(invokeDateTime, qz::system::InvokeDateTime)
QZ_QML_VALUE(invokeRecurrenceRule, qz::system::InvokeRecurrenceRule)
QZ_QML_VALUE(invokeUpdateTargetFiltersRequest, qz::system::InvokeUpdateTargetFiltersRequest)
QZ_QML_VALUE(invokeTargetFilter, qz::system::InvokeTargetFilter)
QZ_QML_LIST(invokeTargetFilter, qz::system::InvokeTargetFilter)
QZ_QML_VALUE(invokeAction, qz::system::InvokeAction)
QZ_QML_LIST(invokeAction, qz::system::InvokeAction)
QZ_QML_VALUE(invokeTarget, qz::system::InvokeTarget)
QZ_QML_LIST(invokeTarget, qz::system::InvokeTarget)
QZ_QML_UNCREATABLE(InvokeReply, qz::system::InvokeReply, "Replies come from InvokeManager")
QZ_QML_UNCREATABLE(InvokeTargetReply, qz::system::InvokeTargetReply,
                   "Replies come from InvokeManager")
QZ_QML_UNCREATABLE(InvokeQueryTargetsReply, qz::system::InvokeQueryTargetsReply,
                   "Replies come from InvokeManager")
QZ_QML_UNCREATABLE(InvokeRequestTargetFiltersReply, qz::system::InvokeRequestTargetFiltersReply,
                   "Replies come from InvokeManager")
QZ_QML_UNCREATABLE(InvokeViewerMessageReply, qz::system::InvokeViewerMessageReply,
                   "Replies come from InvokeManager")
QZ_QML_ENUMS(ApplicationStartupMode, qz::system::ApplicationStartupMode)
QZ_QML_ENUMS(CardEdge, qz::system::CardEdge)
QZ_QML_ENUMS(CardOrientation, qz::system::CardOrientation)
QZ_QML_ENUMS(CardPeek, qz::system::CardPeek)
QZ_QML_ENUMS(FileTransferMode, qz::system::FileTransferMode)
QZ_QML_ENUMS(InvokeAction, qz::system::InvokeAction)
QZ_QML_ENUMS(InvokeListCursorDirection, qz::system::InvokeListCursorDirection)
QZ_QML_ENUMS(InvokeRecurrenceRuleFrequency, qz::system::InvokeRecurrenceRuleFrequency)
QZ_QML_ENUMS(InvokeRecurrenceRuleLimit, qz::system::InvokeRecurrenceRuleLimit)
QZ_QML_ENUMS(InvokeReplyError, qz::system::InvokeReplyError)
QZ_QML_ENUMS(InvokeTarget, qz::system::InvokeTarget)
QZ_QML_ENUMS(InvokeViewerMessageReplyError, qz::system::InvokeViewerMessageReplyError)
QZ_QML_ENUMS(SecurityPerimeter, qz::system::SecurityPerimeter)

// Menus.
QZ_QML_OBJECT(MenuManager, qz::system::MenuManager)
QZ_QML_VALUE(menu, qz::system::Menu)
QZ_QML_VALUE(menuItem, qz::system::MenuItem)
QZ_QML_LIST(menuItem, qz::system::MenuItem)
QZ_QML_VALUE(menuItemInvokeParams, qz::system::MenuItemInvokeParams)
QZ_QML_ENUMS(MenuItemType, qz::system::MenuItemType)
QZ_QML_ENUMS(MenuManagerError, qz::system::MenuManagerError)

// Device services.
QZ_QML_UNCREATABLE(LocaleHandler, qz::system::LocaleHandler,
                   "Declare a MessagesLocaleHandler or a RegionLocaleHandler")
QZ_QML_ENUMS(LocaleType, qz::system::LocaleType)
QZ_QML_ENUMS(MeasurementSystem, qz::system::MeasurementSystem)
QZ_QML_OBJECT(Clipboard, qz::system::Clipboard)
QZ_QML_OBJECT(Screenshot, qz::system::Screenshot)
QZ_QML_ENUMS(ScreenshotError, qz::system::ScreenshotError)
QZ_QML_ENUMS(ScreenshotFormat, qz::system::ScreenshotFormat)
QZ_QML_OBJECT(ContextCollector, qz::system::ContextCollector)
QZ_QML_OBJECT(ContextEvent, qz::system::ContextEvent)
QZ_QML_ENUMS(ContextActivityState, qz::system::ContextActivityState)
QZ_QML_ENUMS(ContextClassification, qz::system::ContextClassification)

// Phone.
QZ_QML_OBJECT(Phone, qz::system::phone::Phone)
QZ_QML_VALUE(call, qz::system::phone::Call)
QZ_QML_VALUE(line, qz::system::phone::Line)
QZ_QML_LIST(line, qz::system::phone::Line)
QZ_QML_VALUE(callCommandResponse, qz::system::phone::CallCommandResponse)
QZ_QML_ENUMS(CallAction, qz::system::phone::CallAction)
QZ_QML_ENUMS(CallState, qz::system::phone::CallState)
QZ_QML_ENUMS(CallType, qz::system::phone::CallType)
QZ_QML_ENUMS(LineType, qz::system::phone::LineType)

// NFC sharing.
QZ_QML_OBJECT(NfcShareManager, qz::system::NfcShareManager)
QZ_QML_VALUE(nfcShareDataContent, qz::system::NfcShareDataContent)
QZ_QML_VALUE(nfcShareFilesContent, qz::system::NfcShareFilesContent)
QZ_QML_ENUMS(NfcShareContent, qz::system::NfcShareContent)
QZ_QML_ENUMS(NfcShareSetContentError, qz::system::NfcShareSetContentError)
QZ_QML_ENUMS(NfcShareMode, qz::system::NfcShareMode)
QZ_QML_ENUMS(NfcShareStartTransferMode, qz::system::NfcShareStartTransferMode)
QZ_QML_ENUMS(NfcShareHandoverTransport, qz::system::NfcShareHandoverTransport)
QZ_QML_ENUMS(NfcShareSuccess, qz::system::NfcShareSuccess)
QZ_QML_ENUMS(NfcShareError, qz::system::NfcShareError)

/*!
    \brief A LocaleHandler of the messages language, declarable in QML.

    A handler's type is fixed when it is constructed, and QML constructs without arguments; these
    two subclasses only choose the type.
*/
class MessagesLocaleHandler : public qz::system::LocaleHandler
{
    Q_OBJECT
    QML_ELEMENT
public:
    explicit MessagesLocaleHandler(QObject *parent = nullptr)
        : LocaleHandler(LocaleType::Messages, parent)
    {}
};

/*! \brief A LocaleHandler of the region locale, declarable in QML. */
class RegionLocaleHandler : public qz::system::LocaleHandler
{
    Q_OBJECT
    QML_ELEMENT
public:
    explicit RegionLocaleHandler(QObject *parent = nullptr)
        : LocaleHandler(LocaleType::Region, parent)
    {}
};

#undef QZ_QML_OBJECT
#undef QZ_QML_UNCREATABLE
#undef QZ_QML_ENUMS
#undef QZ_QML_VALUE
#undef QZ_QML_LIST

} // namespace qz::system::qml

#endif
