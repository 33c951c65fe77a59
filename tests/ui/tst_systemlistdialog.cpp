// SystemListDialog and SystemProgressDialog: their keys on the wire, answers and auto-update.
#include "dialogpeer.h"

#include <qz/system/SystemListDialog>
#include <qz/system/SystemProgressDialog>

#include <QSignalSpy>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

class tst_SystemListDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rowsPerType_data();
    void rowsPerType();
    void selectionKeys();
    void answerSelections_data();
    void answerSelections();
    void clearListWhileUpSendsEmptyList();
    void progressDialogDefaults();
    void progressRange_data();
    void progressRange();
    void progressDialogAutoUpdates();
    void propertyChangeWhileUp_data();
    void propertyChangeWhileUp();
};

void tst_SystemListDialog::rowsPerType_data()
{
    QTest::addColumn<SystemListDialogItem>("item");
    QTest::addColumn<QVariantMap>("map");
    QTest::newRow("item") << SystemListDialogItem(str("a"), false, true, SystemListDialogItem::Item)
                          << QVariantMap{{str("label"), str("a")},
                                         {str("disabled"), true},
                                         {str("selected"), true}};
    QTest::newRow("header")
        << SystemListDialogItem(str("h"), false, true, SystemListDialogItem::Header)
        << QVariantMap{{str("label"), str("h")}, {str("disabled"), true}, {str("header"), true}};
    QTest::newRow("separator") << SystemListDialogItem(str("s"), true, true,
                                                       SystemListDialogItem::Separator)
                               << QVariantMap{{str("label"), str("s")}, {str("separator"), true}};
}

void tst_SystemListDialog::rowsPerType()
{
    QFETCH(SystemListDialogItem, item);
    QFETCH(QVariantMap, map);
    QCOMPARE(item.toMap(), map);
}

void tst_SystemListDialog::selectionKeys()
{
    DialogPeer peer;
    SystemListDialog dialog;
    dialog.appendHeader(str("Fruit"), false);
    dialog.appendItems({str("Apple"), str("Pear")});
    dialog.appendSeparator(str("-"));
    dialog.appendItem(str("Plum"), true, true);
    dialog.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("ListDialog"));
    QVariantMap description = DialogPeer::descriptionOf(request);
    const QVariantList rows = description.value(str("list")).toList();
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(0).toMap(),
             (QVariantMap{
                 {str("label"), str("Fruit")}, {str("disabled"), true}, {str("header"), true}}));
    QCOMPARE(rows.at(2).toMap().value(str("label")).toString(), str("Pear"));
    QCOMPARE(rows.at(3).toMap(), (QVariantMap{{str("label"), str("-")}, {str("separator"), true}}));
    QCOMPARE(rows.at(4).toMap().value(str("selected")), QVariant(true));
    QCOMPARE(description.value(str("multiSelect")), QVariant(false));
    QCOMPARE(description.value(str("cancelOnSelection")), QVariant(false));
    QCOMPARE(description.value(str("showBasicSelection")), QVariant(false));
    dialog.cancel();

    dialog.setSelectionMode(ListSelectionMode::Multiple);
    dialog.setDismissOnSelection(true);
    dialog.setSelectionIndicator(ListSelectionIndicator::Highlight);
    dialog.show();
    description = DialogPeer::descriptionOf(peer.request(3));
    QCOMPARE(description.value(str("multiSelect")), QVariant(true));
    QCOMPARE(description.value(str("cancelOnSelection")), QVariant(true));
    QCOMPARE(description.value(str("showBasicSelection")), QVariant(true));
}

void tst_SystemListDialog::answerSelections_data()
{
    QTest::addColumn<bool>("pressConfirm");
    QTest::addColumn<QVariantList>("indices");
    QTest::addColumn<SystemUiResult::Type>("signalled");
    QTest::addColumn<SystemUiResult::Type>("stored");

    QTest::newRow("rows, no button")
        << false << QVariantList{0, 2} << SystemUiResult::ItemSelection << SystemUiResult::None;
    QTest::newRow("rows and confirm")
        << true << QVariantList{1} << SystemUiResult::ConfirmButtonSelection
        << SystemUiResult::ConfirmButtonSelection;
    QTest::newRow("nothing") << false << QVariantList() << SystemUiResult::None
                             << SystemUiResult::None;
}

void tst_SystemListDialog::answerSelections()
{
    QFETCH(bool, pressConfirm);
    QFETCH(QVariantList, indices);
    QFETCH(SystemUiResult::Type, signalled);
    QFETCH(SystemUiResult::Type, stored);

    DialogPeer peer;
    SystemListDialog dialog;
    dialog.appendItems({str("a"), str("b"), str("c")});
    QSignalSpy finished(&dialog, qOverload<SystemUiResult::Type>(&SystemListDialog::finished));
    QSignalSpy finishedInt(&dialog, qOverload<int>(&SystemListDialog::finished));
    dialog.show();
    QVariantMap response;
    if (!indices.isEmpty())
        response.insert(str("selectedIndices"), indices);
    peer.press(peer.request(1), pressConfirm ? dialog.confirmButton() : nullptr, response);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<SystemUiResult::Type>(), signalled);
    QCOMPARE(finishedInt.at(0).at(0).toInt(), int(signalled));
    QCOMPARE(dialog.result(), stored);
    QList<int> expected;
    for (const QVariant &index : indices)
        expected.append(index.toInt());
    QCOMPARE(dialog.selectedIndices(), expected);
}

void tst_SystemListDialog::clearListWhileUpSendsEmptyList()
{
    DialogPeer peer;
    SystemListDialog dialog;
    dialog.appendItem(str("a"));
    dialog.setAutoUpdateEnabled(true);
    dialog.show();
    peer.request(1);
    dialog.clearList();
    const ScriptedPeer::Request update = peer.request(2);
    QCOMPARE(update.message.value(str("msg")).toString(), str("update"));
    QCOMPARE(DialogPeer::descriptionOf(update).value(str("list")).toList().size(), 0);
    dialog.appendItems({str("x"), str("y")});
    QCOMPARE(DialogPeer::descriptionOf(peer.request(3)).value(str("list")).toList().size(), 2);
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 3);
}

void tst_SystemListDialog::progressDialogDefaults()
{
    DialogPeer peer;
    SystemProgressDialog dialog;
    dialog.show();
    const ScriptedPeer::Request request = peer.request(1);
    QCOMPARE(request.message.value(str("dat")).toMap().value(str("className")).toString(),
             str("ProgressDialog"));
    const QVariantMap description = DialogPeer::descriptionOf(request);
    QCOMPARE(description.value(str("progress")).toInt(), -1);
    QCOMPARE(description.value(str("state")).toString(), str("play"));
    QCOMPARE(description.value(str("leftDetailsText")), QVariant(QString()));
    QCOMPARE(description.value(str("rightDetailsText")), QVariant(QString()));
    QCOMPARE(DialogPeer::labelsOf(description), QStringList{str("Ok")});
    dialog.cancelButton()->setLabel(str("Stop"));
    dialog.resetCancelButton();
    QCOMPARE(dialog.cancelButton()->label(), QString());
}

void tst_SystemListDialog::progressRange_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    for (int value : {-2, -1, 0, 50, 100, 101})
        QTest::addRow("%d", value) << value << (value < -1 || value > 100 ? -1 : value);
}

void tst_SystemListDialog::progressRange()
{
    QFETCH(int, value);
    QFETCH(int, stored);
    SystemProgressDialog dialog;
    dialog.setProgress(42);
    dialog.setProgress(value);
    QCOMPARE(dialog.progress(), stored);
}

void tst_SystemListDialog::progressDialogAutoUpdates()
{
    DialogPeer peer;
    SystemProgressDialog dialog;
    dialog.setAutoUpdateEnabled(true);
    QSignalSpy state(&dialog,
                     qOverload<SystemUiProgressState::Type>(&SystemProgressDialog::stateChanged));
    dialog.show();
    peer.request(1);

    dialog.setState(SystemUiProgressState::Inactive);
    dialog.setState(SystemUiProgressState::Inactive);
    QCOMPARE(state.size(), 1);
    QCOMPARE(DialogPeer::descriptionOf(peer.request(2)).value(str("state")).toString(),
             str("pause"));
    dialog.setProgress(50);
    QCOMPARE(DialogPeer::descriptionOf(peer.request(3)).value(str("progress")).toInt(), 50);
    dialog.setStatusDetails(str("3 of 6"));
    QCOMPARE(DialogPeer::descriptionOf(peer.request(4)).value(str("rightDetailsText")).toString(),
             str("3 of 6"));
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 4);
}

void tst_SystemListDialog::propertyChangeWhileUp_data()
{
    QTest::addColumn<bool>("list"); // else a progress dialog
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("sendsUpdate");
    QTest::newRow("list selection mode")
        << true << QByteArray("selectionMode") << QVariant::fromValue(ListSelectionMode::Multiple)
        << str("multiSelect") << false;
    QTest::newRow("list dismiss on selection")
        << true << QByteArray("dismissOnSelection") << QVariant(true) << str("cancelOnSelection")
        << false;
    QTest::newRow("list selection indicator")
        << true << QByteArray("selectionIndicator")
        << QVariant::fromValue(ListSelectionIndicator::Highlight) << str("showBasicSelection")
        << false;
    QTest::newRow("list title") << true << QByteArray("title") << QVariant(str("T"))
                                << str("titleText") << true;
    QTest::newRow("progress icon")
        << false << QByteArray("icon") << QVariant(QUrl(str("asset:///images/copy.png")))
        << str("icon") << false;
    QTest::newRow("progress status message")
        << false << QByteArray("statusMessage") << QVariant(str("Copying"))
        << str("leftDetailsText") << true;
    QTest::newRow("progress body")
        << false << QByteArray("body") << QVariant(str("B")) << str("messageText") << true;
}

void tst_SystemListDialog::propertyChangeWhileUp()
{
    QFETCH(bool, list);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(QString, key);
    QFETCH(bool, sendsUpdate);

    DialogPeer peer;
    std::unique_ptr<QObject> dialog(list ? static_cast<QObject *>(new SystemListDialog)
                                         : new SystemProgressDialog);
    QVERIFY(dialog->setProperty("autoUpdateEnabled", true));
    QVERIFY(QMetaObject::invokeMethod(dialog.get(), "show"));
    const QVariant before = DialogPeer::descriptionOf(peer.request(1)).value(key);

    QVERIFY(dialog->setProperty(property.constData(), value));
    if (!sendsUpdate) {
        QTest::qWait(50);
        QCOMPARE(peer.control->requests().size(), 1);
        QVERIFY(QMetaObject::invokeMethod(dialog.get(), "update"));
    }
    // Either way the next update carries the new value.
    const ScriptedPeer::Request update = peer.request(2);
    QCOMPARE(update.message.value(str("msg")).toString(), str("update"));
    QVERIFY(DialogPeer::descriptionOf(update).value(key) != before);
    QTest::qWait(50);
    QCOMPARE(peer.control->requests().size(), 2);
}

QTEST_GUILESS_MAIN(tst_SystemListDialog)
#include "tst_systemlistdialog.moc"
