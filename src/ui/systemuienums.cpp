#include <qz/system/systemuienums.h>

namespace qz::system {

namespace {

const QString s_keyboardDefault = QStringLiteral("default");
const QString s_keyboardEmail = QStringLiteral("email");
const QString s_keyboardPassword = QStringLiteral("password");
const QString s_keyboardPhone = QStringLiteral("phone");
const QString s_keyboardPin = QStringLiteral("pin");
const QString s_keyboardUrl = QStringLiteral("url");
const QString s_keyboardSymbols = QStringLiteral("symbols");
const QString s_keyboardNumbers = QStringLiteral("pin_sim");
const QString s_keyboardNumbersAndPunctuation = QStringLiteral("num_punc");

const QString s_middleCenter = QStringLiteral("middleCenter");
const QString s_topCenter = QStringLiteral("topCenter");
const QString s_bottomCenter = QStringLiteral("bottomCenter");

const QString s_progressPlay = QStringLiteral("play");
const QString s_progressPause = QStringLiteral("pause");
const QString s_progressError = QStringLiteral("error");

const QString s_keyboardReturnKeyDefault = QStringLiteral("enter.default");
const QString s_keyboardReturnKeyGo = QStringLiteral("enter.go");
const QString s_keyboardReturnKeyJoin = QStringLiteral("enter.join");
const QString s_keyboardReturnKeyNext = QStringLiteral("enter.next");
const QString s_keyboardReturnKeySearch = QStringLiteral("enter.search");
const QString s_keyboardReturnKeySend = QStringLiteral("enter.send");
const QString s_keyboardReturnKeySubmit = QStringLiteral("enter.submit");
const QString s_keyboardReturnKeyDone = QStringLiteral("enter.done");
const QString s_keyboardReturnKeyConnect = QStringLiteral("enter.connect");

} // namespace

QString inputModeToString(SystemUiInputMode::Type mode)
{
    switch (mode) {
    case SystemUiInputMode::Email:
        return s_keyboardEmail;
    case SystemUiInputMode::Password:
        return s_keyboardPassword;
    case SystemUiInputMode::Phone:
        return s_keyboardPhone;
    case SystemUiInputMode::Pin:
        return s_keyboardPin;
    case SystemUiInputMode::Url:
        return s_keyboardUrl;
    case SystemUiInputMode::Symbols:
        return s_keyboardSymbols;
    case SystemUiInputMode::NumericKeypad:
        return s_keyboardNumbers;
    case SystemUiInputMode::NumbersAndPunctuation:
        return s_keyboardNumbersAndPunctuation;
    case SystemUiInputMode::Default:
        break;
    }
    return s_keyboardDefault;
}

QString positionToString(SystemUiPosition::Type position)
{
    switch (position) {
    case SystemUiPosition::TopCenter:
        return s_topCenter;
    case SystemUiPosition::BottomCenter:
        return s_bottomCenter;
    case SystemUiPosition::MiddleCenter:
        break;
    }
    return s_middleCenter;
}

QString progressStateToString(SystemUiProgressState::Type state)
{
    switch (state) {
    case SystemUiProgressState::Inactive:
        return s_progressPause;
    case SystemUiProgressState::Error:
        return s_progressError;
    case SystemUiProgressState::Active:
        break;
    }
    return s_progressPlay;
}

QString returnKeyActionToString(SystemUiReturnKeyAction::Type action)
{
    switch (action) {
    case SystemUiReturnKeyAction::Go:
        return s_keyboardReturnKeyGo;
    case SystemUiReturnKeyAction::Join:
        return s_keyboardReturnKeyJoin;
    case SystemUiReturnKeyAction::Next:
        return s_keyboardReturnKeyNext;
    case SystemUiReturnKeyAction::Search:
        return s_keyboardReturnKeySearch;
    case SystemUiReturnKeyAction::Send:
        return s_keyboardReturnKeySend;
    case SystemUiReturnKeyAction::Submit:
        return s_keyboardReturnKeySubmit;
    case SystemUiReturnKeyAction::Done:
        return s_keyboardReturnKeyDone;
    case SystemUiReturnKeyAction::Connect:
        return s_keyboardReturnKeyConnect;
    case SystemUiReturnKeyAction::Default:
        break;
    }
    return s_keyboardReturnKeyDefault;
}

} // namespace qz::system
