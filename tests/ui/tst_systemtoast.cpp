// SystemToast and SystemProgressToast against a scripted dialog service.
#include "dialogpeer.h"

#include <qz/system/SystemProgressToast>
#include <qz/system/SystemToast>

#include <QSignalSpy>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

class tst_SystemToast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showSendsTheDocumentedRequest();
    void iconSwitchesTheClassName_data();
    void iconSwitchesTheClassName();
    void answerGivesPressOrTimeOut_data();
    void answerGivesPressOrTimeOut();
    void priorityOnlyForGlobalModality();
    void deletedButtonMakesToastInvalid();
    void positionEmitsOnlyOnChange();
    void progressToastSendsItsKeys();
    void progressToastAutoUpdatesProgress();
    void progressToastTimesOut();
};

void tst_SystemToast::showSendsTheDocumentedRequest()
{
    DialogPeer peer;
    SystemToast toast;
    toast.setBody(str("S"));
    toast.setPosition(SystemUiPosition::BottomCenter);
    toast.show();

    const QVariantMap expected{
        {str("msg"), str("show")},
        {str("id"), toast.property("_qz_ppsID")},
        {str("dat"),
         QVariantMap{{str("className"), str("ToastBase")},
                     {str("desc_obj"), QVariantMap{{str("position"), str("bottomCenter")},
                                                   {str("titleText"), QString()},
                                                   {str("messageText"), str("S")},
                                                   {str("busy"), false},
                                                   {str("buttons"), QVariantList()},
                                                   {str("cancelRequired"), false},
                                                   {str("returnKeyType"), 0},
                                                   {str("messageHasEmoticons"), false},
                                                   {str("defaultButtonIndex"), -1},
                                                   {str("icon"), QString()}}}}},
    };
    QCOMPARE(peer.request(1).message, expected);
}

void tst_SystemToast::iconSwitchesTheClassName_data()
{
    QTest::addColumn<QUrl>("icon");
    QTest::addColumn<QString>("sent");

    QTest::newRow("file") << QUrl(str("file:///tmp/icons/a.png")) << str("file:///tmp/icons/a.png");
    QTest::newRow("asset") << QUrl(str("asset:///img/b.png"))
                           << str("file:///opt/app/assets/img/b.png");
    QTest::newRow("asset cannot climb out")
        << QUrl(str("asset:///../../etc/passwd")) << str("file:///opt/app/assets/etc/passwd");
}

void tst_SystemToast::iconSwitchesTheClassName()
{
    QFETCH(QUrl, icon);
    QFETCH(QString, sent);

    qputenv("QZ_APP_ASSETS", "/opt/app/assets");
    DialogPeer peer;
    SystemToast toast;
    QSignalSpy iconChanged(&toast, &SystemToast::iconChanged);
    toast.setIcon(icon);
    QCOMPARE(iconChanged.size(), 1);
    toast.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("IconToast"));
    QCOMPARE(DialogPeer::descriptionOf(request).value(str("icon")).toString(), sent);
    toast.cancel();

    toast.resetIcon();
    toast.show();
    QCOMPARE(peer.request(3).message.value(str("dat")).toMap().value(str("className")).toString(),
             str("ToastBase"));
    qunsetenv("QZ_APP_ASSETS");
}

void tst_SystemToast::answerGivesPressOrTimeOut_data()
{
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<SystemUiResult::Type>("result");
    QTest::newRow("button pressed") << true << SystemUiResult::ButtonSelection;
    QTest::newRow("went away") << false << SystemUiResult::TimeOut;
}

void tst_SystemToast::answerGivesPressOrTimeOut()
{
    QFETCH(bool, pressed);
    QFETCH(SystemUiResult::Type, result);

    DialogPeer peer;
    SystemToast toast;
    toast.button()->setLabel(str("Undo"));
    QSignalSpy finished(&toast, qOverload<SystemUiResult::Type>(&SystemToast::finished));
    toast.show();
    const ScriptedPeer::Request request = peer.request(1);
    const QVariantMap description = DialogPeer::descriptionOf(request);
    QCOMPARE(DialogPeer::labelsOf(description), QStringList{str("Undo")});
    QCOMPARE(description.value(str("defaultButtonIndex")).toInt(), 0);

    peer.press(request, pressed ? toast.button() : nullptr);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<SystemUiResult::Type>(), result);
    QCOMPARE(toast.error(), SystemUiError::None);
}

void tst_SystemToast::priorityOnlyForGlobalModality()
{
    DialogPeer peer;
    SystemToast toast;
    toast.setProperty("priority", true);
    toast.show();
    QVERIFY(!DialogPeer::descriptionOf(peer.request(1)).contains(str("priority")));
    toast.cancel();

    toast.setModality(SystemUiModality::Global);
    toast.show();
    QCOMPARE(
        DialogPeer::descriptionOf(peer.request(1, peer.systemControl.get())).value(str("priority")),
        QVariant(true));
}

void tst_SystemToast::deletedButtonMakesToastInvalid()
{
    DialogPeer peer;
    SystemToast toast;
    QSignalSpy finished(&toast, qOverload<SystemUiResult::Type>(&SystemToast::finished));
    delete toast.button();
    QCOMPARE(toast.exec(), SystemUiResult::Error);
    QCOMPARE(toast.error(), SystemUiError::InvalidState);
    QCOMPARE(finished.size(), 1);
}

void tst_SystemToast::positionEmitsOnlyOnChange()
{
    SystemToast toast;
    QSignalSpy position(&toast, qOverload<SystemUiPosition::Type>(&SystemToast::positionChanged));
    QSignalSpy positionInt(&toast, qOverload<int>(&SystemToast::positionChanged));
    toast.setPosition(SystemUiPosition::MiddleCenter);
    QCOMPARE(position.size(), 0);
    toast.setPosition(SystemUiPosition::TopCenter);
    toast.resetPosition();
    QCOMPARE(position.size(), 2);
    QCOMPARE(positionInt.size(), 2);
    QCOMPARE(positionInt.at(0).at(0).toInt(), 1);
}

void tst_SystemToast::progressToastSendsItsKeys()
{
    DialogPeer peer;
    SystemProgressToast toast;
    toast.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("ProgressToast"));
    const QVariantMap description = DialogPeer::descriptionOf(request);
    QCOMPARE(description.value(str("position")).toString(), str("middleCenter"));
    QCOMPARE(description.value(str("progress")).toInt(), -1);
    QCOMPARE(description.value(str("state")).toString(), str("play"));
    QCOMPARE(description.value(str("detailsText")), QVariant(QString()));
    QCOMPARE(description.value(str("buttons")).toList().size(), 0);
}

void tst_SystemToast::progressToastAutoUpdatesProgress()
{
    DialogPeer peer;
    SystemProgressToast toast;
    toast.setAutoUpdateEnabled(true);
    QSignalSpy progress(&toast, &SystemProgressToast::progressChanged);
    toast.show();
    peer.request(1);

    toast.setProgress(50);
    toast.setProgress(50);
    toast.setState(SystemUiProgressState::Error);
    toast.setStatusMessage(str("copying"));
    QCOMPARE(progress.size(), 1);
    QCOMPARE(DialogPeer::descriptionOf(peer.request(2)).value(str("progress")).toInt(), 50);
    QCOMPARE(DialogPeer::descriptionOf(peer.request(3)).value(str("state")).toString(),
             str("error"));
    QCOMPARE(DialogPeer::descriptionOf(peer.request(4)).value(str("detailsText")).toString(),
             str("copying"));
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 4);

    toast.setProgress(101);
    QCOMPARE(toast.progress(), -1);
}

void tst_SystemToast::progressToastTimesOut()
{
    DialogPeer peer;
    SystemProgressToast toast;
    peer.control->setResponder([](const ScriptedPeer::Request &request) {
        return std::optional<QVariantMap>(DialogPeer::answerFor(request, QString()));
    });
    QCOMPARE(toast.exec(), SystemUiResult::TimeOut);
}

QTEST_GUILESS_MAIN(tst_SystemToast)
#include "tst_systemtoast.moc"
