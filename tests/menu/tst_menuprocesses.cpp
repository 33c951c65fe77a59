// Menus across real processes: MenuManager in this process asks qzdevice, which builds the menu
// from a real target registry and from the invocations its navigator routed; qzctl prints menus
// and switches the service's error answer.
#include "deviceprocesses.h"

#include <qz/system/MenuManager>

#include <QFile>
#include <QSignalSpy>

using namespace qz::system;

namespace {

// The tree as "submenu/entry target action" lines, frecency appended where there is one.
QStringList flatten(const Menu &menu, const QString &prefix = QString())
{
    QStringList lines;
    for (const MenuItem &item : menu.items()) {
        const QString name = prefix + item.label();
        const QString frecency =
            item.frecency() ? QStringLiteral(" %1").arg(item.frecency()) : QString();
        if (item.subMenu().isValid()) {
            lines << name + QLatin1Char('/') + frecency;
            lines << flatten(item.subMenu(), name + QLatin1Char('/'));
        } else {
            lines << QStringLiteral("%1 %2 %3%4")
                         .arg(name, item.invoke().target(), item.invoke().action(), frecency);
        }
    }
    return lines;
}

} // namespace

class tst_MenuProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void treeOfThreeLevelsFromTheRegistry();
    void contentNarrowsTheMenu_data();
    void contentNarrowsTheMenu();
    void serviceErrorKeepsTheMenu();
    void routedInvocationsRaiseFrecency();

private:
    Menu menuFor(MenuManager &manager);
    void declare(const QString &key, const QString &type, const QString &actions,
                 const QString &filter);

    std::unique_ptr<DeviceProcesses> m_device;
    QTemporaryDir m_targets;
};

void tst_MenuProcesses::declare(const QString &key, const QString &type, const QString &actions,
                                const QString &filter)
{
    QFile file(m_targets.filePath(key + QStringLiteral(".target")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("key %1\ntype %2\nlabel %1\n%3filter %4\n")
                   .arg(key, type, actions, filter)
                   .toUtf8());
}

void tst_MenuProcesses::initTestCase()
{
    declare(QStringLiteral("mail"), QStringLiteral("card"),
            QStringLiteral("action qz.action.SHARE Share\n"),
            QStringLiteral("actions=qz.action.SHARE;types=image/*,text/plain;"));
    declare(QStringLiteral("chat"), QStringLiteral("application"),
            QStringLiteral("action qz.action.SHARE Share\naction qz.action.OPEN Open\n"),
            QStringLiteral("actions=qz.action.SHARE,qz.action.OPEN;types=image/*;"));
    // Offers no action to menus: never listed.
    declare(QStringLiteral("viewer"), QStringLiteral("viewer"), QString(),
            QStringLiteral("actions=qz.action.VIEW;types=image/*;"));
    m_device = std::make_unique<DeviceProcesses>(
        QStringList{QStringLiteral("--targets"), m_targets.path()});
    QVERIFY(m_device->isReady());
    // This process's menus go to that device.
    qputenv("QZ_PPS_SOCKET", m_device->filePath(QStringLiteral("pps.sock")).toLocal8Bit());
}

void tst_MenuProcesses::cleanupTestCase()
{
    m_device.reset();
}

Menu tst_MenuProcesses::menuFor(MenuManager &manager)
{
    QSignalSpy finished(&manager, &MenuManager::finished);
    if (!manager.populateMenu() || !(finished.wait(10000) || finished.size() == 1))
        return Menu();
    return manager.menu();
}

void tst_MenuProcesses::treeOfThreeLevelsFromTheRegistry()
{
    MenuManager manager;
    manager.setMimeType(QStringLiteral("image/png"));
    manager.setUri(QUrl(QStringLiteral("file:///pictures/a%20b.png")));
    manager.setData(QByteArray("\x00\xfe", 2));
    manager.setMetadata({{QStringLiteral("album"), QStringLiteral("x")}});
    manager.setPerimeter(SecurityPerimeter::Enterprise);
    const Menu menu = menuFor(manager);
    QCOMPARE(manager.error(), MenuManagerError::None);
    QVERIFY(menu.isValid());
    QCOMPARE(menu.title(), QStringLiteral("Actions"));
    QCOMPARE(menu.subtitle(), QStringLiteral("a b.png"));
    QCOMPARE(
        flatten(menu),
        (QStringList{QStringLiteral("Open/"), QStringLiteral("Open/chat chat qz.action.OPEN"),
                     QStringLiteral("Share/"), QStringLiteral("Share/chat chat qz.action.SHARE"),
                     QStringLiteral("Share/mail mail qz.action.SHARE")}));

    const MenuItem share = menu.items().at(1);
    QVERIFY(!share.invoke().isValid());
    QCOMPARE(share.subMenu().title(), QStringLiteral("Share"));
    const MenuItemInvokeParams mail = share.subMenu().items().at(1).invoke();
    QVERIFY(mail.isValid());
    QVERIFY(!share.subMenu().items().at(1).subMenu().isValid());
    QCOMPARE(mail.type(), InvokeTarget::Card);
    QCOMPARE(mail.mimeType(), QStringLiteral("image/png"));
    QCOMPARE(mail.uri(), QUrl(QStringLiteral("file:///pictures/a%20b.png")));
    QCOMPARE(mail.data(), QByteArray("\x00\xfe", 2));
    QCOMPARE(mail.metadata(), (QVariantMap{{QStringLiteral("album"), QStringLiteral("x")}}));
    QCOMPARE(mail.perimeter(), SecurityPerimeter::Enterprise);
}

void tst_MenuProcesses::contentNarrowsTheMenu_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("types");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("one action") << "qz.action.OPEN" << QString() << 0 << "image/jpeg"
                                << QStringList{QStringLiteral("Open/"),
                                               QStringLiteral("Open/chat chat qz.action.OPEN")};
    QTest::newRow("one target") << QString() << "mail" << 0 << "image/jpeg"
                                << QStringList{QStringLiteral("Share/"),
                                               QStringLiteral("Share/mail mail qz.action.SHARE")};
    QTest::newRow("cards only") << QString() << QString() << int(InvokeTarget::Card) << "image/jpeg"
                                << QStringList{QStringLiteral("Share/"),
                                               QStringLiteral("Share/mail mail qz.action.SHARE")};
    QTest::newRow("a type one target takes")
        << QString() << QString() << 0 << "text/plain"
        << QStringList{QStringLiteral("Share/"), QStringLiteral("Share/mail mail qz.action.SHARE")};
    QTest::newRow("a type nobody takes")
        << QString() << QString() << 0 << "audio/ogg" << QStringList();
}

void tst_MenuProcesses::contentNarrowsTheMenu()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(int, types);
    QFETCH(QString, mimeType);
    QFETCH(QStringList, tree);

    MenuManager manager;
    manager.setAction(action);
    manager.setTargetKey(target);
    manager.setTargetTypes(InvokeTarget::Types(types));
    manager.setMimeType(mimeType);
    const Menu menu = menuFor(manager);
    QVERIFY(menu.isValid());
    QCOMPARE(flatten(menu), tree);
}

void tst_MenuProcesses::serviceErrorKeepsTheMenu()
{
    MenuManager manager;
    manager.setMimeType(QStringLiteral("text/plain"));
    QCOMPARE(flatten(menuFor(manager)).size(), 2);

    QCOMPARE(m_device->ctl(
                 {QStringLiteral("menu"), QStringLiteral("fail"), QStringLiteral("MENU_BROKEN")}),
             std::make_pair(QStringLiteral("menus fail with MENU_BROKEN\n"), 0));
    const auto [failedText, failedCode] =
        m_device->ctl({QStringLiteral("menu"), QStringLiteral("--type"), QStringLiteral("text/*")});
    QCOMPARE(failedCode, 1);
    QVERIFY2(failedText.contains(QLatin1String("error")), qPrintable(failedText));

    manager.setMimeType(QStringLiteral("image/png"));
    QSignalSpy finished(&manager, &MenuManager::finished);
    QVERIFY(manager.populateMenu());
    QVERIFY(finished.wait(10000));
    QCOMPARE(manager.error(), MenuManagerError::System);
    QCOMPARE(flatten(manager.menu()).size(), 2); // the text/plain menu stays

    QCOMPARE(
        m_device->ctl({QStringLiteral("menu"), QStringLiteral("fail"), QStringLiteral("--clear")})
            .second,
        0);
    const auto [text, code] = m_device->ctl(
        {QStringLiteral("menu"), QStringLiteral("--type"), QStringLiteral("text/plain")});
    QCOMPARE(code, 0);
    QCOMPARE(text, QStringLiteral("menu \"Actions\" \"text/plain\"\n"
                                  "  + Share\n"
                                  "    - mail -> mail qz.action.SHARE (Card)\n"));
}

void tst_MenuProcesses::routedInvocationsRaiseFrecency()
{
    QProcessEnvironment asChat;
    asChat.insert(QStringLiteral("QZ_NAVIGATOR_TARGET"), QStringLiteral("chat"));
    QProcess listener;
    m_device->startCtl(
        listener, {QStringLiteral("listen"), QStringLiteral("--timeout"), QStringLiteral("20000")},
        asChat);
    QVERIFY(listener.waitForReadyRead(10000)); // connected
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(
            m_device
                ->ctl({QStringLiteral("invoke"), QStringLiteral("--target"), QStringLiteral("chat"),
                       QStringLiteral("--action"), QStringLiteral("qz.action.SHARE")})
                .second,
            0);
    }
    // Refused and unrouted invocations count for nothing.
    QCOMPARE(
        m_device
            ->ctl({QStringLiteral("invoke"), QStringLiteral("--target"), QStringLiteral("nobody"),
                   QStringLiteral("--action"), QStringLiteral("qz.action.OPEN")})
            .second,
        1);
    listener.terminate();
    listener.waitForFinished(5000);

    MenuManager manager;
    manager.setMimeType(QStringLiteral("image/png"));
    // Two uses within the same moment of the navigator's clock: twice the weight, before any
    // decay worth a unit.
    QCOMPARE(
        flatten(menuFor(manager)),
        (QStringList{QStringLiteral("Share/ 200"),
                     QStringLiteral("Share/chat chat qz.action.SHARE 200"),
                     QStringLiteral("Share/mail mail qz.action.SHARE"), QStringLiteral("Open/"),
                     QStringLiteral("Open/chat chat qz.action.OPEN")}));
}

QTEST_GUILESS_MAIN(tst_MenuProcesses)
#include "tst_menuprocesses.moc"
