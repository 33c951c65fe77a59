// Internal to libqzsystem, not API: the dialog service's wire vocabulary.
#ifndef QZ_SYSTEM_SYSTEMUICONSTANTS_P_H
#define QZ_SYSTEM_SYSTEMUICONSTANTS_P_H

#include <QLoggingCategory>
#include <QString>
#include <QVariant>

namespace qz::system {

Q_DECLARE_LOGGING_CATEGORY(lcSystemUi)

// Control objects of the dialog service and the names their answers arrive under.
inline const QString s_controlPath = QStringLiteral("/pps/services/dialog/control");
inline const QString s_controlServicePath = QStringLiteral("/pps/services/dialog/system-control");
inline const QString s_objectControl = QStringLiteral("@control");
inline const QString s_objectSystemControl = QStringLiteral("@system-control");

// The dynamic property that carries a dialog's, a service's or a button's identity.
inline constexpr char s_ppsId[] = "_qz_ppsID";
// The dynamic property an application sets on a dialog to raise a globally modal one.
inline constexpr char s_priorityProperty[] = "priority";

// Envelope.
inline const QString s_attributeMsg = QStringLiteral("msg");
inline const QString s_attributeMsgShow = QStringLiteral("show");
inline const QString s_attributeMsgCancel = QStringLiteral("cancel");
inline const QString s_attributeMsgUpdate = QStringLiteral("update");
inline const QString s_attributeRes = QStringLiteral("res");
inline const QString s_attributeDat = QStringLiteral("dat");
inline const QString s_attributeId = QStringLiteral("id");
inline const QString s_attributeClassName = QStringLiteral("className");
inline const QString s_attributeDescObj = QStringLiteral("desc_obj");
inline const QString s_attributeRespObj = QStringLiteral("resp_obj");

// Keys every dialog kind sends.
inline const QString s_attributeButtons = QStringLiteral("buttons");
inline const QString s_attributeButtonLimit = QStringLiteral("buttonLimit");
inline const QString s_attributeContext = QStringLiteral("context");
inline const QString s_attributeLabel = QStringLiteral("label");
inline const QString s_attributeEnabled = QStringLiteral("enabled");
inline const QString s_attributeDefaultButtonIndex = QStringLiteral("defaultButtonIndex");
inline const QString s_attributeCancelRequired = QStringLiteral("cancelRequired");
inline const QString s_attributeTitleText = QStringLiteral("titleText");
inline const QString s_attributeMessageText = QStringLiteral("messageText");
inline const QString s_attributeEmoticons = QStringLiteral("messageHasEmoticons");
inline const QString s_attributeActivityIndicator = QStringLiteral("busy");
inline const QString s_keyboardReturnKey = QStringLiteral("returnKeyType");
inline const QString s_attributeRememberMe = QStringLiteral("checkboxChecked");
inline const QString s_attributeRememberMeLabel = QStringLiteral("checkboxLabel");
inline const QString s_attributeIcon = QStringLiteral("icon");
inline const QString s_attributePriority = QStringLiteral("priority");

// Keys of an answer's "resp_obj".
inline const QString s_responseSelectedIndex = QStringLiteral("selectedIndex");
inline const QString s_responseBtnContext = QStringLiteral("responseBtnContext");

inline const QString s_labelOk = QStringLiteral("Ok");
inline const QString s_labelCancel = QStringLiteral("Cancel");
inline const QString s_labelRememberMe = QStringLiteral("Remember Me");

} // namespace qz::system

#endif
