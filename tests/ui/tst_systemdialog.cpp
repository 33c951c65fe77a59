// SystemDialog end to end against a scripted dialog service: the request on the wire, the answers,
// and the life cycle of show(), exec() and cancel().
#include "dialogpeer.h"

#include <qz/PpsObject>
#include <qz/system/SystemDialog>
#include <qz/system/SystemDialogService>

#include <QSignalSpy>
#include <QTimer>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}

QVariantMap buttonMap(const SystemUiButton *button)
{
    return {{str("label"), button->label()},
            {str("enabled"), button->isEnabled()},
            {str("context"), DialogPeer::contextOf(button)}};
}

// Answers every "show" and "update" by pressing the button labelled \a label.
void pressOnShow(DialogPeer &peer, const QString &label)
{
    peer.control->setResponder(
        [label](const ScriptedPeer::Request &request) -> std::optional<QVariantMap> {
            if (request.message.value(str("msg")).toString() != str("show"))
                return std::nullopt;
            for (const QVariant &button :
                 DialogPeer::descriptionOf(request).value(str("buttons")).toList()) {
                const QVariantMap map = button.toMap();
                if (map.value(str("label")) == label)
                    return DialogPeer::answerFor(request, map.value(str("context")).toString());
            }
            return std::nullopt;
        });
}
} // namespace

class tst_SystemDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showSendsTheDocumentedRequest();
    void constructorsChooseButtons_data();
    void constructorsChooseButtons();
    void answersGiveTheirResult_data();
    void answersGiveTheirResult();
    void rememberMeTravelsBothWays();
    void mismatchedIdentifierEndsWithError();
    void malformedAnswerIsLoggedAndEndsTheDialog();
    void answerWithoutPendingRequestIsIgnored();
    void refusedRequestEndsTheDialog();
    void execReturnsTheAnswer();
    void nestedExecCannotBlock();
    void cancelEndsExecWithoutFinished();
    void dialogThatStaysUpWaitsForCancel();
    void missingServiceFailsAtOnceAndNextShowRetries();
    void serviceGoingAwayEndsTheDialog_data();
    void serviceGoingAwayEndsTheDialog();
    void defaultButtonOnTheWire_data();
    void defaultButtonOnTheWire();
    void deletedStandardButtonMakesDialogInvalid();
    void dialogThatBecomesInvalidWhileUpIsTakenDown();
    void autoUpdateSendsOneUpdatePerChangeWhileUp();
    void modalityChangeWhileUpMovesTheDialog();
    void priorityOnlyForGlobalModality();
    void enumerationChangesEmitEnumThenInt();
    void buttonsListIsTheDefaultProperty();
};

void tst_SystemDialog::showSendsTheDocumentedRequest()
{
    DialogPeer peer;
    SystemDialog dialog;
    dialog.setTitle(str("T"));
    dialog.setBody(str("B"));
    dialog.show();

    const ScriptedPeer::Request request = peer.request(1);
    const QString id = dialog.property("_qz_ppsID").toString();
    QCOMPARE(id.size(), 38);
    const QVariantMap description{
        {str("titleText"), str("T")},
        {str("messageText"), str("B")},
        {str("busy"), false},
        {str("buttons"),
         QVariantList{buttonMap(dialog.cancelButton()), buttonMap(dialog.confirmButton())}},
        {str("cancelRequired"), false},
        {str("returnKeyType"), 0},
        {str("messageHasEmoticons"), false},
        {str("defaultButtonIndex"), 1},
        {str("icon"), QString()},
    };
    const QVariantMap expected{
        {str("msg"), str("show")},
        {str("id"), id},
        {str("dat"),
         QVariantMap{{str("className"), str("AlertDialog")}, {str("desc_obj"), description}}},
    };
    QCOMPARE(request.message, expected);
}

void tst_SystemDialog::constructorsChooseButtons_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("addedButtons");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("defaultIndex");

    QTest::newRow("default") << QStringList() << 0 << QStringList{str("Cancel"), str("Ok")} << 1;
    QTest::newRow("confirm only") << QStringList{str("Go")} << 0 << QStringList{str("Go")} << 0;
    QTest::newRow("confirm and cancel")
        << QStringList{str("Yes"), str("No")} << 0 << QStringList{str("No"), str("Yes")} << 1;
    QTest::newRow("custom, confirm and cancel")
        << QStringList{str("Yes"), str("Maybe"), str("No")} << 0
        << QStringList{str("Maybe"), str("Yes"), str("No")} << 1;
    QTest::newRow("added with all three")
        << QStringList{str("Yes"), str("Maybe"), str("No")} << 1
        << QStringList{str("Added0"), str("Yes"), str("Maybe"), str("No")} << 1;
    QTest::newRow("lone cancel") << QStringList{QString(), QString(), str("No")} << 0
                                 << QStringList{str("No")} << 0;
    QTest::newRow("empty labels") << QStringList{QString(), QString(), QString()} << 0
                                  << QStringList() << -1;
}

void tst_SystemDialog::constructorsChooseButtons()
{
    QFETCH(QStringList, labels);
    QFETCH(int, addedButtons);
    QFETCH(QStringList, sent);
    QFETCH(int, defaultIndex);

    DialogPeer peer;
    std::unique_ptr<SystemDialog> dialog;
    switch (labels.size()) {
    case 0:
        dialog = std::make_unique<SystemDialog>();
        break;
    case 1:
        dialog = std::make_unique<SystemDialog>(labels.at(0));
        break;
    case 2:
        dialog = std::make_unique<SystemDialog>(labels.at(0), labels.at(1));
        break;
    default:
        dialog = std::make_unique<SystemDialog>(labels.at(0), labels.at(1), labels.at(2));
    }
    for (int i = 0; i < addedButtons; ++i)
        dialog->appendButton(new SystemUiButton(str("Added") + QString::number(i)));
    QCOMPARE(dialog->buttonCount(), addedButtons);

    dialog->show();
    const QVariantMap description = DialogPeer::descriptionOf(peer.request(1));
    QCOMPARE(DialogPeer::labelsOf(description), sent);
    QCOMPARE(description.value(str("defaultButtonIndex")).toInt(), defaultIndex);
}

void tst_SystemDialog::answersGiveTheirResult_data()
{
    QTest::addColumn<int>("button"); // 0..2 standard, 3 added, -1 unknown context
    QTest::addColumn<SystemUiResult::Type>("result");

    QTest::newRow("confirm") << 0 << SystemUiResult::ConfirmButtonSelection;
    QTest::newRow("custom") << 1 << SystemUiResult::CustomButtonSelection;
    QTest::newRow("cancel") << 2 << SystemUiResult::CancelButtonSelection;
    QTest::newRow("added") << 3 << SystemUiResult::ButtonSelection;
    QTest::newRow("unknown context") << -1 << SystemUiResult::None;
}

void tst_SystemDialog::answersGiveTheirResult()
{
    QFETCH(int, button);
    QFETCH(SystemUiResult::Type, result);

    DialogPeer peer;
    SystemDialog dialog(str("Yes"), str("Maybe"), str("No"));
    auto *added = new SystemUiButton(str("Extra"));
    dialog.appendButton(added);
    QCOMPARE(added->parent() != nullptr, true);
    const QList<SystemUiButton *> buttons{dialog.confirmButton(), dialog.customButton(),
                                          dialog.cancelButton(), added};
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    QSignalSpy finishedInt(&dialog, qOverload<int>(&SystemDialog::finished));

    dialog.show();
    const ScriptedPeer::Request request = peer.request(1);
    const SystemUiButton *pressed = button < 0 ? nullptr : buttons.at(button);
    QVERIFY(peer.control->reply(
        request.clientId, DialogPeer::answerFor(request, pressed ? DialogPeer::contextOf(pressed)
                                                                 : str("{no-such-button}"))));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<SystemUiResult::Type>(), result);
    QCOMPARE(finishedInt.size(), 1);
    QCOMPARE(finishedInt.at(0).at(0).toInt(), int(result));
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.error(), SystemUiError::None);
    QCOMPARE(dialog.buttonSelection(), pressed);
}

void tst_SystemDialog::rememberMeTravelsBothWays()
{
    DialogPeer peer;
    SystemDialog dialog;
    dialog.setIncludeRememberMe(true);
    dialog.setRememberMeText(str("Keep me"));
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));

    for (bool checked : {false, true}) {
        dialog.show();
        const ScriptedPeer::Request request = peer.request(finished.size() + 1);
        const QVariantMap description = DialogPeer::descriptionOf(request);
        QCOMPARE(description.value(str("checkboxChecked")), QVariant(true));
        QCOMPARE(description.value(str("checkboxLabel")), QVariant(str("Keep me")));
        peer.press(request, dialog.confirmButton(), {{str("checkboxChecked"), checked}});
        QTRY_COMPARE(finished.size(), checked ? 2 : 1);
        QCOMPARE(dialog.rememberMeSelection(), checked);
    }
}

void tst_SystemDialog::mismatchedIdentifierEndsWithError()
{
    DialogPeer peer;
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    dialog.show();
    ScriptedPeer::Request request = peer.request(1);
    request.message.insert(str("id"), str("{00000000-0000-0000-0000-000000000000}"));

    QTest::ignoreMessage(QtWarningMsg,
                         "Received response from dialog service without appropriate identifier");
    peer.press(request, dialog.confirmButton());
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), SystemUiResult::Error);
    QCOMPARE(dialog.error(), SystemUiError::Unknown);
}

void tst_SystemDialog::malformedAnswerIsLoggedAndEndsTheDialog()
{
    DialogPeer peer;
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    dialog.show();
    const ScriptedPeer::Request request = peer.request(1);
    QVariantMap answer =
        DialogPeer::answerFor(request, DialogPeer::contextOf(dialog.confirmButton()));
    answer.insert(str("dat"),
                  QVariantMap{{str("resp_obj"), QVariantMap{{str("selectedIndex"), str("x")}}}});

    QTest::ignoreMessage(QtWarningMsg, "Received malformed response");
    QVERIFY(peer.control->reply(request.clientId, answer));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), SystemUiResult::None);
    QCOMPARE(dialog.buttonSelection(), nullptr);

    // The dialog is down: it can be shown again, as a new "show".
    dialog.show();
    QCOMPARE(peer.request(2).message.value(str("msg")).toString(), str("show"));
}

void tst_SystemDialog::answerWithoutPendingRequestIsIgnored()
{
    SystemDialogService service(SystemDialogService::DialogAlert, str("Cancel"), QString(),
                                str("Ok"));
    QSignalSpy finished(&service, qOverload<SystemUiResult::Type>(&SystemDialogService::finished));
    QTest::ignoreMessage(QtWarningMsg, "SystemDialogService: Received response from dialog "
                                       "service but no request is pending");
    service.onChannelResponse({{str("@control"), QVariantMap{{str("res"), str("show")}}}});
    QCOMPARE(finished.size(), 0);
    QCOMPARE(service.result(), SystemUiResult::None);
}

void tst_SystemDialog::refusedRequestEndsTheDialog()
{
    // How the device's dialog service turns down a request it will not show.
    DialogPeer peer;
    peer.control->setResponder([](const ScriptedPeer::Request &request) {
        return std::optional<QVariantMap>(QVariantMap{
            {str("res"), str("error")},
            {str("id"), request.message.value(str("id"))},
            {str("dat"), QVariantMap{{str("errorText"), str("10001 buttons, more than 10000")}}},
        });
    });
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    QCOMPARE(dialog.exec(), SystemUiResult::None);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.buttonSelection(), nullptr);
}

void tst_SystemDialog::execReturnsTheAnswer()
{
    DialogPeer peer;
    pressOnShow(peer, str("Cancel"));
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    QCOMPARE(dialog.exec(), SystemUiResult::CancelButtonSelection);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.buttonSelection(), dialog.cancelButton());
}

void tst_SystemDialog::nestedExecCannotBlock()
{
    DialogPeer peer;
    SystemDialog dialog;
    SystemUiResult::Type nested = SystemUiResult::None;
    connect(peer.control.get(), &ScriptedPeer::requestReceived, &dialog, [&] {
        if (peer.control->requests().size() != 1)
            return;
        nested = dialog.exec();
        dialog.cancel();
    });
    QCOMPARE(dialog.exec(), SystemUiResult::None);
    QCOMPARE(nested, SystemUiResult::DialogCannotBlock);
}

void tst_SystemDialog::cancelEndsExecWithoutFinished()
{
    DialogPeer peer;
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    connect(peer.control.get(), &ScriptedPeer::requestReceived, &dialog, &SystemDialog::cancel);

    QCOMPARE(dialog.exec(), SystemUiResult::None);
    QCOMPARE(finished.size(), 0);
    const ScriptedPeer::Request cancel = peer.request(2);
    QCOMPARE(cancel.message.value(str("msg")).toString(), str("cancel"));
    QCOMPARE(cancel.message.value(str("id")), dialog.property("_qz_ppsID"));

    // The channel is gone: a late answer reaches nobody.
    peer.press(peer.request(1), dialog.confirmButton());
    QTest::qWait(50);
    QCOMPARE(finished.size(), 0);
}

void tst_SystemDialog::dialogThatStaysUpWaitsForCancel()
{
    DialogPeer peer;
    pressOnShow(peer, str("Ok"));
    SystemDialog dialog;
    dialog.setDismissAutomatically(false);
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    connect(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished), &dialog,
            [&] { QTimer::singleShot(20, &dialog, &SystemDialog::cancel); });

    QCOMPARE(dialog.exec(), SystemUiResult::ConfirmButtonSelection);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(DialogPeer::descriptionOf(peer.request(1)).value(str("cancelRequired")),
             QVariant(true));
    QCOMPARE(peer.request(2).message.value(str("msg")).toString(), str("cancel"));
}

void tst_SystemDialog::missingServiceFailsAtOnceAndNextShowRetries()
{
    DialogPeer peer(false);
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));

    dialog.show();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), SystemUiResult::Error);
    QCOMPARE(dialog.error(), SystemUiError::ServiceUnavailable);
    QCOMPARE(dialog.exec(), SystemUiResult::Error);
    QCOMPARE(finished.size(), 2);

    QVERIFY(peer.open());
    dialog.show();
    QCOMPARE(peer.request(1).message.value(str("msg")).toString(), str("show"));
    QCOMPARE(dialog.error(), SystemUiError::None);
}

void tst_SystemDialog::serviceGoingAwayEndsTheDialog_data()
{
    QTest::addColumn<bool>("exec");
    QTest::addColumn<bool>("dismissAutomatically");
    QTest::addColumn<bool>("tooLarge"); // the request cannot be written, the service stays
    QTest::newRow("show") << false << true << false;
    QTest::newRow("exec") << true << true << false;
    QTest::newRow("exec of a dialog that stays up") << true << false << false;
    QTest::newRow("show of a request too large to send") << false << true << true;
    QTest::newRow("exec of a request too large to send") << true << true << true;
}

void tst_SystemDialog::serviceGoingAwayEndsTheDialog()
{
    QFETCH(bool, exec);
    QFETCH(bool, dismissAutomatically);
    QFETCH(bool, tooLarge);

    DialogPeer peer;
    SystemDialog dialog;
    dialog.setDismissAutomatically(dismissAutomatically);
    if (tooLarge) {
        dialog.setBody(QString(qz::PpsObject::MaxMessageSize, QLatin1Char('x')));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(str(
                                               "^DialogPpsChannel: a request could not be sent")));
    }
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    QSignalSpy finishedInt(&dialog, qOverload<int>(&SystemDialog::finished));
    // The service dies once the request has reached it.
    connect(peer.control.get(), &ScriptedPeer::requestReceived, &dialog,
            [&] { QTimer::singleShot(0, &dialog, [&] { peer.control->close(); }); });
    // Fails the test instead of hanging it, should the dialog keep waiting.
    QTimer::singleShot(10000, &dialog, &SystemDialog::cancel);

    if (exec) {
        QCOMPARE(dialog.exec(), SystemUiResult::Error);
    } else {
        dialog.show();
        QTRY_COMPARE(finished.size(), 1);
    }
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<SystemUiResult::Type>(), SystemUiResult::Error);
    QCOMPARE(finishedInt.size(), 1);
    QCOMPARE(finishedInt.at(0).at(0).toInt(), int(SystemUiResult::Error));
    QCOMPARE(dialog.result(), SystemUiResult::Error);
    QCOMPARE(dialog.error(), SystemUiError::ServiceUnavailable);
    QTest::qWait(50);
    QCOMPARE(finished.size(), 1);

    // Nothing is left of the failed channel: a service that is (back) there gets the next show.
    if (!tooLarge)
        QVERIFY(peer.control->open());
    dialog.setBody(str("B"));
    dialog.show();
    QCOMPARE(peer.request(tooLarge ? 1 : 2).message.value(str("msg")).toString(), str("show"));
}

void tst_SystemDialog::defaultButtonOnTheWire_data()
{
    QTest::addColumn<QString>("choice"); // which button setDefaultButton() is given
    QTest::addColumn<bool>("resetAfter");
    QTest::addColumn<int>("sentIndex"); // among the sent buttons "Cancel", "Ok"
    QTest::addColumn<QString>("kept");  // label of defaultButton() after show(), "" for none
    QTest::addColumn<int>("changes");   // defaultButtonChanged signals in all
    QTest::newRow("untouched") << str("") << false << 1 << str("Ok") << 0;
    QTest::newRow("none") << str("none") << false << -1 << str("") << 1;
    QTest::newRow("none, then reset") << str("none") << true << 1 << str("Ok") << 2;
    QTest::newRow("cancel") << str("cancel") << false << 0 << str("Cancel") << 1;
    QTest::newRow("button of another dialog") << str("foreign") << false << -1 << str("") << 1;
    QTest::newRow("unlabelled custom falls back") << str("custom") << false << 1 << str("Ok") << 2;
}

void tst_SystemDialog::defaultButtonOnTheWire()
{
    QFETCH(QString, choice);
    QFETCH(bool, resetAfter);
    QFETCH(int, sentIndex);
    QFETCH(QString, kept);
    QFETCH(int, changes);

    DialogPeer peer;
    SystemDialog dialog;
    SystemDialog other;
    QSignalSpy changed(&dialog, &SystemDialog::defaultButtonChanged);
    const QHash<QString, SystemUiButton *> buttons{{str("none"), nullptr},
                                                   {str("cancel"), dialog.cancelButton()},
                                                   {str("custom"), dialog.customButton()},
                                                   {str("foreign"), other.confirmButton()}};
    if (!choice.isEmpty())
        dialog.setDefaultButton(buttons.value(choice));
    if (resetAfter)
        dialog.resetDefaultButton();

    dialog.show();
    const QVariantMap description = DialogPeer::descriptionOf(peer.request(1));
    QCOMPARE(DialogPeer::labelsOf(description), (QStringList{str("Cancel"), str("Ok")}));
    QCOMPARE(description.value(str("defaultButtonIndex")).toInt(), sentIndex);
    QCOMPARE(dialog.defaultButton() ? dialog.defaultButton()->label() : QString(), kept);
    QCOMPARE(changed.size(), changes);
}

void tst_SystemDialog::deletedStandardButtonMakesDialogInvalid()
{
    DialogPeer peer;
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    delete dialog.cancelButton();
    QCOMPARE(dialog.cancelButton(), nullptr);

    dialog.show();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), SystemUiResult::Error);
    QCOMPARE(dialog.error(), SystemUiError::InvalidState);
    QCOMPARE(dialog.exec(), SystemUiResult::Error);
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 0);
}

void tst_SystemDialog::dialogThatBecomesInvalidWhileUpIsTakenDown()
{
    DialogPeer peer;
    SystemDialog dialog;
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    dialog.show();
    peer.request(1);
    delete dialog.confirmButton();
    dialog.update();
    QCOMPARE(peer.request(2).message.value(str("msg")).toString(), str("cancel"));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.error(), SystemUiError::InvalidState);
}

void tst_SystemDialog::autoUpdateSendsOneUpdatePerChangeWhileUp()
{
    DialogPeer peer;
    SystemDialog dialog;
    dialog.setAutoUpdateEnabled(true);
    dialog.setTitle(str("idle change"));
    dialog.show();
    QCOMPARE(peer.request(1).message.value(str("msg")).toString(), str("show"));

    dialog.setTitle(str("up"));
    dialog.setTitle(str("up"));
    dialog.confirmButton()->setLabel(str("Sure"));
    const ScriptedPeer::Request title = peer.request(2);
    QCOMPARE(title.message.value(str("msg")).toString(), str("update"));
    QVERIFY(!title.message.contains(str("id")));
    const QVariantMap dat = title.message.value(str("dat")).toMap();
    QCOMPARE(dat.value(str("id")), dialog.property("_qz_ppsID"));
    QVERIFY(!dat.contains(str("className")));
    QCOMPARE(DialogPeer::descriptionOf(title).value(str("titleText")).toString(), str("up"));
    QCOMPARE(DialogPeer::labelsOf(DialogPeer::descriptionOf(peer.request(3))),
             (QStringList{str("Cancel"), str("Sure")}));
    QCOMPARE(title.clientId, peer.request(3).clientId); // same channel

    // Taking the remember-me box away sends an empty label.
    dialog.setIncludeRememberMe(true);
    dialog.setIncludeRememberMe(false);
    const QVariantMap withoutBox = DialogPeer::descriptionOf(peer.request(5));
    QCOMPARE(withoutBox.value(str("checkboxLabel")), QVariant(QString()));
    QVERIFY(!withoutBox.contains(str("checkboxChecked")));
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 5);

    // Without auto-update nothing goes out until update().
    dialog.setAutoUpdateEnabled(false);
    dialog.setBody(str("later"));
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 5);
    dialog.update();
    QCOMPARE(DialogPeer::descriptionOf(peer.request(6)).value(str("messageText")).toString(),
             str("later"));
}

void tst_SystemDialog::modalityChangeWhileUpMovesTheDialog()
{
    DialogPeer peer;
    SystemDialog dialog;
    dialog.setAutoUpdateEnabled(true);
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished));
    dialog.show();
    peer.request(1);

    dialog.setModality(SystemUiModality::Global);
    QCOMPARE(peer.request(2).message.value(str("msg")).toString(), str("cancel"));
    const ScriptedPeer::Request moved = peer.request(1, peer.systemControl.get());
    QCOMPARE(moved.message.value(str("msg")).toString(), str("show"));
    QCOMPARE(moved.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("AlertDialog"));
    QCOMPARE(finished.size(), 0);

    QVERIFY(peer.systemControl->reply(
        moved.clientId,
        DialogPeer::answerFor(moved, DialogPeer::contextOf(dialog.confirmButton()))));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), SystemUiResult::ConfirmButtonSelection);
}

void tst_SystemDialog::priorityOnlyForGlobalModality()
{
    DialogPeer peer;
    SystemDialog dialog;
    dialog.setProperty("priority", true);
    dialog.show();
    QVERIFY(!DialogPeer::descriptionOf(peer.request(1)).contains(str("priority")));
    dialog.cancel();

    dialog.setModality(SystemUiModality::Global);
    dialog.show();
    const QVariantMap description =
        DialogPeer::descriptionOf(peer.request(1, peer.systemControl.get()));
    QCOMPARE(description.value(str("priority")), QVariant(true));
}

void tst_SystemDialog::enumerationChangesEmitEnumThenInt()
{
    SystemDialog dialog;
    QStringList emitted;
    connect(&dialog, qOverload<SystemUiModality::Type>(&SystemDialog::modalityChanged), this,
            [&](SystemUiModality::Type m) { emitted << str("enum:") + QString::number(m); });
    connect(&dialog, qOverload<int>(&SystemDialog::modalityChanged), this,
            [&](int m) { emitted << str("int:") + QString::number(m); });
    connect(&dialog,
            qOverload<SystemUiReturnKeyAction::Type>(&SystemDialog::returnKeyActionChanged), this,
            [&](SystemUiReturnKeyAction::Type a) { emitted << str("key:") + QString::number(a); });
    connect(&dialog, qOverload<int>(&SystemDialog::returnKeyActionChanged), this,
            [&](int a) { emitted << str("keyint:") + QString::number(a); });

    dialog.setModality(SystemUiModality::Global);
    dialog.setModality(SystemUiModality::Global);
    dialog.setReturnKeyAction(SystemUiReturnKeyAction::Send);
    dialog.resetReturnKeyAction();
    QCOMPARE(emitted, (QStringList{str("enum:2"), str("int:2"), str("key:5"), str("keyint:5"),
                                   str("key:0"), str("keyint:0")}));

    QSignalSpy limit(&dialog, &SystemDialog::buttonAreaLimitChanged);
    dialog.setButtonAreaLimit(5);
    QCOMPARE(limit.size(), 0);
    dialog.setButtonAreaLimit(2);
    dialog.setButtonAreaLimit(0);
    QCOMPARE(limit.size(), 2);
    QCOMPARE(dialog.buttonAreaLimit(), -1);
}

void tst_SystemDialog::buttonsListIsTheDefaultProperty()
{
    SystemDialog dialog;
    const QMetaObject *meta = dialog.metaObject();
    const int info = meta->indexOfClassInfo("DefaultProperty");
    QVERIFY(info >= 0);
    QCOMPARE(meta->classInfo(info).value(), "buttons");

    QQmlListProperty<SystemUiButton> list = dialog.buttons();
    auto *button = new SystemUiButton(str("From QML"));
    list.append(&list, button);
    QCOMPARE(list.count(&list), 1);
    QCOMPARE(list.at(&list, 0), button);
    QCOMPARE(dialog.buttonAt(0), button);
    QCOMPARE(dialog.buttonAt(1), nullptr);
    QPointer<SystemUiButton> watched(button);
    list.clear(&list);
    QCOMPARE(dialog.buttonCount(), 0);
    QTRY_VERIFY(watched.isNull());
}

QTEST_GUILESS_MAIN(tst_SystemDialog)
#include "tst_systemdialog.moc"
