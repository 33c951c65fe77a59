// SystemPrompt and SystemCredentialsPrompt: their keys on the wire, their answers, auto-update of
// their fields and their validity.
#include "dialogpeer.h"

#include <qz/system/SystemCredentialsPrompt>
#include <qz/system/SystemPrompt>

#include <QSignalSpy>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

class tst_SystemPrompt : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void promptKeysPerInputMode_data();
    void promptKeysPerInputMode();
    void promptAnswerCarriesTheText_data();
    void promptAnswerCarriesTheText();
    void promptFieldChangesAutoUpdate();
    void deletedFieldMakesPromptInvalid();
    void inputOptionsEmitEnumThenInt();
    void credentialsDefaults();
    void credentialsPlaceholdersFallBack();
    void credentialsAnswer_data();
    void credentialsAnswer();
    void deletedCredentialsFieldMakesPromptInvalid();
};

void tst_SystemPrompt::promptKeysPerInputMode_data()
{
    QTest::addColumn<SystemUiInputMode::Type>("mode");
    QTest::addColumn<QString>("keyboard");
    QTest::addColumn<bool>("displayAsPassword");
    QTest::addColumn<bool>("inputOptions");

    QTest::newRow("default") << SystemUiInputMode::Default << str("default") << false << true;
    QTest::newRow("password") << SystemUiInputMode::Password << str("password") << true << false;
    QTest::newRow("email") << SystemUiInputMode::Email << str("email") << false << false;
    QTest::newRow("numeric keypad")
        << SystemUiInputMode::NumericKeypad << str("pin_sim") << false << false;
}

void tst_SystemPrompt::promptKeysPerInputMode()
{
    QFETCH(SystemUiInputMode::Type, mode);
    QFETCH(QString, keyboard);
    QFETCH(bool, displayAsPassword);
    QFETCH(bool, inputOptions);

    DialogPeer peer;
    SystemPrompt prompt;
    prompt.inputField()->setInputMode(mode);
    prompt.inputField()->setDefaultText(str("start"));
    prompt.inputField()->setEmptyText(str("hint"));
    prompt.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("PromptDialog"));
    const QVariantMap description = DialogPeer::descriptionOf(request);
    QCOMPARE(description.value(str("inputField")).toString(), str("start"));
    QCOMPARE(description.value(str("inputPlaceholder")).toString(), str("hint"));
    QCOMPARE(description.value(str("inputKeyboard")).toString(), keyboard);
    QCOMPARE(description.value(str("maxChars")), QVariant(0));
    QCOMPARE(description.value(str("displayAsPassword")).toBool(), displayAsPassword);
    QCOMPARE(description.contains(str("displayAsPassword")), displayAsPassword);
    QCOMPARE(description.contains(str("inputOptions")), inputOptions);
    if (inputOptions)
        QCOMPARE(description.value(str("inputOptions")).toInt(), 7);
    QCOMPARE(DialogPeer::labelsOf(description), (QStringList{str("Cancel"), str("Ok")}));
}

void tst_SystemPrompt::promptAnswerCarriesTheText_data()
{
    QTest::addColumn<QVariantMap>("response");
    QTest::addColumn<QString>("entered");
    QTest::newRow("text") << QVariantMap{{str("inputField"), str("typed")}} << str("typed");
    QTest::newRow("absent") << QVariantMap() << QString();
}

void tst_SystemPrompt::promptAnswerCarriesTheText()
{
    QFETCH(QVariantMap, response);
    QFETCH(QString, entered);

    DialogPeer peer;
    SystemPrompt prompt;
    QSignalSpy finished(&prompt, qOverload<SystemUiResult::Type>(&SystemPrompt::finished));
    prompt.show();
    peer.press(peer.request(1), prompt.confirmButton(), response);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(prompt.result(), SystemUiResult::ConfirmButtonSelection);
    QCOMPARE(prompt.inputFieldTextEntry(), entered);
}

void tst_SystemPrompt::promptFieldChangesAutoUpdate()
{
    DialogPeer peer;
    SystemPrompt prompt;
    prompt.setAutoUpdateEnabled(true);
    prompt.show();
    peer.request(1);

    prompt.inputField()->setDefaultText(str("new"));
    QCOMPARE(DialogPeer::descriptionOf(peer.request(2)).value(str("inputField")).toString(),
             str("new"));

    prompt.inputField()->setMaximumLength(9);
    prompt.inputField()->setEmptyText(str("hint"));
    peer.request(4);
    prompt.resetInputField();
    const QVariantMap reset = DialogPeer::descriptionOf(peer.request(5));
    QCOMPARE(reset.value(str("inputField")).toString(), QString());
    QCOMPARE(reset.value(str("maxChars")).toInt(), 0);
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 5); // one update for the whole reset
}

void tst_SystemPrompt::deletedFieldMakesPromptInvalid()
{
    DialogPeer peer;
    SystemPrompt prompt;
    delete prompt.inputField();
    QCOMPARE(prompt.exec(), SystemUiResult::Error);
    QCOMPARE(prompt.error(), SystemUiError::InvalidState);
}

void tst_SystemPrompt::inputOptionsEmitEnumThenInt()
{
    SystemPrompt prompt;
    QStringList emitted;
    connect(
        &prompt, qOverload<SystemUiInputOption::Types>(&SystemPrompt::inputOptionsChanged), this,
        [&](SystemUiInputOption::Types t) { emitted << str("flags:") + QString::number(int(t)); });
    connect(&prompt, qOverload<int>(&SystemPrompt::inputOptionsChanged), this,
            [&](int t) { emitted << str("int:") + QString::number(t); });
    prompt.resetInputOptions();
    prompt.setInputOptions(SystemUiInputOption::SpellCheck);
    prompt.resetInputOptions();
    QCOMPARE(emitted, (QStringList{str("flags:4"), str("int:4"), str("flags:7"), str("int:7")}));
}

void tst_SystemPrompt::credentialsDefaults()
{
    DialogPeer peer;
    SystemCredentialsPrompt prompt;
    prompt.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("LoginDialog"));
    const QVariantMap description = DialogPeer::descriptionOf(request);
    QCOMPARE(description.value(str("usernamePlaceholder")).toString(), str("Username"));
    QCOMPARE(description.value(str("passwordPlaceholder")).toString(), str("Password"));
    QCOMPARE(description.value(str("showPasswordLabel")).toString(), str("Show password"));
    QCOMPARE(description.value(str("username")), QVariant(QString()));
    QCOMPARE(DialogPeer::labelsOf(description), (QStringList{str("Cancel"), str("Login")}));
    QCOMPARE(description.value(str("defaultButtonIndex")).toInt(), 1);
    QVERIFY(!description.contains(str("inputKeyboard")));

    prompt.confirmButton()->setLabel(str("Go"));
    prompt.resetConfirmButton();
    QCOMPARE(prompt.confirmButton()->label(), str("Login"));
}

void tst_SystemPrompt::credentialsPlaceholdersFallBack()
{
    DialogPeer peer;
    SystemCredentialsPrompt prompt;
    prompt.setAutoUpdateEnabled(true);
    prompt.usernameField()->setEmptyText(QString());
    prompt.passwordField()->setDefaultText(str("secret"));
    prompt.show();
    QVariantMap description = DialogPeer::descriptionOf(peer.request(1));
    QCOMPARE(description.value(str("usernamePlaceholder")).toString(), str("Username"));
    QCOMPARE(description.value(str("password")).toString(), str("secret"));

    prompt.setIncludeShowPassword(false);
    description = DialogPeer::descriptionOf(peer.request(2));
    QVERIFY(!description.contains(str("showPasswordLabel")));

    prompt.setIncludeRememberMe(true);
    description = DialogPeer::descriptionOf(peer.request(3));
    QCOMPARE(description.value(str("checkboxLabel")).toString(), str("Remember Me"));
}

void tst_SystemPrompt::credentialsAnswer_data()
{
    QTest::addColumn<QVariantMap>("response");
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("password");
    QTest::newRow("both") << QVariantMap{{str("username"), str("ann")},
                                         {str("password"), str("pw")}}
                          << str("ann") << str("pw");
    QTest::newRow("no password") << QVariantMap{{str("username"), str("ann")}} << str("ann")
                                 << QString();
}

void tst_SystemPrompt::credentialsAnswer()
{
    QFETCH(QVariantMap, response);
    QFETCH(QString, username);
    QFETCH(QString, password);

    DialogPeer peer;
    SystemCredentialsPrompt prompt;
    QSignalSpy finished(&prompt,
                        qOverload<SystemUiResult::Type>(&SystemCredentialsPrompt::finished));
    prompt.show();
    response.insert(str("checkboxChecked"), true);
    peer.press(peer.request(1), prompt.confirmButton(), response);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(prompt.result(), SystemUiResult::ConfirmButtonSelection);
    QCOMPARE(prompt.usernameEntry(), username);
    QCOMPARE(prompt.passwordEntry(), password);
    QVERIFY(prompt.rememberMeSelection());
}

void tst_SystemPrompt::deletedCredentialsFieldMakesPromptInvalid()
{
    DialogPeer peer;
    SystemCredentialsPrompt prompt;
    QSignalSpy finished(&prompt,
                        qOverload<SystemUiResult::Type>(&SystemCredentialsPrompt::finished));
    delete prompt.passwordField();
    QCOMPARE(prompt.passwordField(), nullptr);
    prompt.show();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(prompt.error(), SystemUiError::InvalidState);
}

QTEST_GUILESS_MAIN(tst_SystemPrompt)
#include "tst_systemprompt.moc"
