// What the dialog service does on its own: button bookkeeping, the button-area limit and the
// transport channel beneath it.
#include "dialogpeer.h"

#include <qz/system/DialogPpsChannel>
#include <qz/system/SystemDialogService>

#include <QSignalSpy>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

class tst_SystemDialogService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void constructorLabelsAndResets();
    void buttonLimitOnlyOneToThree_data();
    void buttonLimitOnlyOneToThree();
    void defaultButtonWithEmptyLabelIsReplaced();
    void removingAnAddedButtonKeepsIndicesOnTheirButtons();
    void clearButtonsDropsADefaultAmongThem();
    void channelClosedWithoutService();
    void channelWritesToTheChosenObject_data();
    void channelWritesToTheChosenObject();
    void channelPassesAnswersUpUnchanged();
    void channelReportsALostServiceOnce();
    void channelMetaObjectHasItsTwoSignalsAndTwoSlots();
};

void tst_SystemDialogService::constructorLabelsAndResets()
{
    SystemDialogService service(SystemDialogService::DialogAlert, str("No"), str("Maybe"),
                                str("Yes"));
    QCOMPARE(service.confirmButton()->label(), str("Yes"));
    QCOMPARE(service.customButton()->label(), str("Maybe"));
    QCOMPARE(service.cancelButton()->label(), str("No"));
    QCOMPARE(service.defaultButtonIndex(), 0);
    QCOMPARE(service.rememberMeText(), str("Remember Me"));
    QVERIFY(service.dismissAutomatically());
    QVERIFY(service.isIncludeRememberMeChecked());
    QCOMPARE(service.property("_qz_ppsID").toString().size(), 38);
    QVERIFY(service.confirmButton()->property("_qz_ppsID") !=
            service.cancelButton()->property("_qz_ppsID"));

    service.confirmButton()->setEnabled(false);
    QSignalSpy labelChanged(service.confirmButton(), &SystemUiButton::labelChanged);
    service.resetConfirmButton();
    service.resetCustomButton();
    service.resetCancelButton();
    QCOMPARE(labelChanged.size(), 0);
    QCOMPARE(service.confirmButton()->label(), str("Ok"));
    QVERIFY(service.confirmButton()->isEnabled());
    QCOMPARE(service.customButton()->label(), QString());
    QCOMPARE(service.cancelButton()->label(), str("Cancel"));
}

void tst_SystemDialogService::buttonLimitOnlyOneToThree_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("stored");
    for (int limit : {-3, 0, 1, 2, 3, 4})
        QTest::addRow("%d", limit) << limit << (limit >= 1 && limit <= 3 ? limit : -1);
}

void tst_SystemDialogService::buttonLimitOnlyOneToThree()
{
    QFETCH(int, limit);
    QFETCH(int, stored);

    SystemDialogService service(SystemDialogService::DialogAlert, str("Cancel"), QString(),
                                str("Ok"));
    service.setButtonsLimit(limit);
    QCOMPARE(service.buttonsLimit(), stored);
    QVariantMap request;
    service.createDescription(request);
    const QVariantMap description =
        request.value(str("dat")).toMap().value(str("desc_obj")).toMap();
    QCOMPARE(description.contains(str("buttonLimit")), stored != -1);
    if (stored != -1)
        QCOMPARE(description.value(str("buttonLimit")).toInt(), stored);
}

void tst_SystemDialogService::defaultButtonWithEmptyLabelIsReplaced()
{
    SystemDialogService service(SystemDialogService::DialogAlert, str("Cancel"), str("Other"),
                                str("Ok"));
    service.setDefaultButton(service.customButton());
    service.customButton()->setLabel(QString());
    QVariantMap request;
    service.createDescription(request);
    const QVariantMap description =
        request.value(str("dat")).toMap().value(str("desc_obj")).toMap();
    QCOMPARE(service.defaultButton(), service.confirmButton());
    QCOMPARE(DialogPeer::labelsOf(description), (QStringList{str("Cancel"), str("Ok")}));
    QCOMPARE(description.value(str("defaultButtonIndex")).toInt(), 1);
}

void tst_SystemDialogService::removingAnAddedButtonKeepsIndicesOnTheirButtons()
{
    SystemDialogService service(SystemDialogService::DialogAlert, str("Cancel"), QString(),
                                str("Ok"));
    auto *first = new SystemUiButton(str("First"));
    auto *second = new SystemUiButton(str("Second"));
    service.addButton(first);
    service.addButton(second);
    service.setDefaultButton(second);
    service.setSelectedButtonIndex(4);
    QSignalSpy countChanged(&service, &SystemDialogService::buttonCountChanged);

    delete first;
    QCOMPARE(service.buttonCount(), 1);
    QCOMPARE(service.defaultButton(), second);
    QCOMPARE(service.buttonSelection(), second);
    QCOMPARE(countChanged.size(), 0);

    delete second;
    QCOMPARE(service.defaultButton(), service.confirmButton());
    QCOMPARE(service.buttonSelection(), nullptr);
}

void tst_SystemDialogService::clearButtonsDropsADefaultAmongThem()
{
    SystemDialogService service(SystemDialogService::DialogAlert, str("Cancel"), QString(),
                                str("Ok"));
    auto *added = new SystemUiButton(str("Added"));
    service.addButton(added);
    service.addButton(added);
    QCOMPARE(service.buttonCount(), 1);
    service.setDefaultButton(added);
    QSignalSpy defaultChanged(&service, &SystemDialogService::defaultButtonChanged);
    service.clearButtons();
    QCOMPARE(service.buttonCount(), 0);
    QCOMPARE(service.defaultButton(), service.confirmButton());
    QCOMPARE(defaultChanged.size(), 1);
}

void tst_SystemDialogService::channelClosedWithoutService()
{
    PpsTestServer server;
    DialogPpsChannel channel(false);
    QVERIFY(!channel.isOpen());
    Q_EMIT channel.sendPassthrough({{str("msg"), str("show")}}); // nothing to write to, no crash
}

void tst_SystemDialogService::channelWritesToTheChosenObject_data()
{
    QTest::addColumn<bool>("systemControl");
    QTest::newRow("control") << false;
    QTest::newRow("system-control") << true;
}

void tst_SystemDialogService::channelWritesToTheChosenObject()
{
    QFETCH(bool, systemControl);
    DialogPeer peer;
    DialogPpsChannel channel(systemControl);
    QVERIFY(channel.isOpen());
    const QVariantMap message{
        {str("msg"), str("show")}, {str("id"), str("X")}, {str("dat"), QVariantMap{{str("a"), 1}}}};
    Q_EMIT channel.sendPassthrough(message);

    ScriptedPeer *target = systemControl ? peer.systemControl.get() : peer.control.get();
    ScriptedPeer *other = systemControl ? peer.control.get() : peer.systemControl.get();
    QCOMPARE(peer.request(1, target).message, message);
    QCOMPARE(other->requests().size(), 0);
}

void tst_SystemDialogService::channelPassesAnswersUpUnchanged()
{
    DialogPeer peer;
    DialogPpsChannel channel(false);
    QSignalSpy received(&channel, &DialogPpsChannel::receivePassthrough);
    Q_EMIT channel.sendPassthrough({{str("msg"), str("show")}});
    const ScriptedPeer::Request request = peer.request(1);
    QVERIFY(peer.control->replyRaw(request.clientId, "res::show\nid::X\ndat:json:{\"a\":1}\n"));
    QTRY_COMPARE(received.size(), 1);
    const QVariantMap expected{
        {str("@control"), QVariantMap{{str("res"), str("show")},
                                      {str("id"), str("X")},
                                      {str("dat"), QVariantMap{{str("a"), 1}}}}}};
    QCOMPARE(received.at(0).at(0).toMap(), expected);
    QTest::qWait(30);
    QCOMPARE(received.size(), 1);
}

void tst_SystemDialogService::channelReportsALostServiceOnce()
{
    DialogPeer peer;
    DialogPpsChannel channel(false);
    int lost = 0;
    channel.setFailureHandler([&] { ++lost; });
    QSignalSpy received(&channel, &DialogPpsChannel::receivePassthrough);

    channel.onReadyRead(); // nothing to read yet: dropped silently
    QCOMPARE(lost, 0);
    QCOMPARE(received.size(), 0);

    peer.control->close();
    QTRY_COMPARE(lost, 1);
    channel.onReadyRead(); // a later failed read reports nothing more
    QTest::qWait(30);
    QCOMPARE(lost, 1);
    QCOMPARE(received.size(), 0);
}

void tst_SystemDialogService::channelMetaObjectHasItsTwoSignalsAndTwoSlots()
{
    const QMetaObject &meta = DialogPpsChannel::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods.append(QString::fromLatin1(meta.method(i).methodSignature()));
    QCOMPARE(methods, (QStringList{str("sendPassthrough(QVariantMap)"),
                                   str("receivePassthrough(QVariantMap)"), str("onReadyRead()"),
                                   str("onSend(QVariantMap)")}));
}

QTEST_GUILESS_MAIN(tst_SystemDialogService)
#include "tst_systemdialogservice.moc"
