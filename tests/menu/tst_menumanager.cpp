// MenuManager against the recording backend of the menu domain: the exact request calls and their
// abort paths, which answers a manager takes, the menu tree read from an answer, the bounds on a
// forged tree, and the factory seam that replaces every platform read.
#include <qz/system/MenuManager>

#include "menu_p.h"
#include "menuitem_p.h"
#include "menuiteminvokeparams_p.h"
#include "recordingbackend.h"

#include <QSignalSpy>
#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

QString idOf(const MenuManager *manager)
{
    return QString::number(quintptr(manager), 16);
}

QVariantMap leaf(const QString &label, const QVariantMap &invocation, int type = 0)
{
    return {{QStringLiteral("label"), label},
            {QStringLiteral("type"), type},
            {QStringLiteral("frecency"), 5},
            {QStringLiteral("invocation"), invocation}};
}

QVariantMap submenu(const QString &label, const QString &title, const QVariantList &entries)
{
    return {{QStringLiteral("label"), label},
            {QStringLiteral("item"), QVariantMap{{QStringLiteral("title"), title},
                                                 {QStringLiteral("sub_items"), entries}}}};
}

// A menu nested \a depth levels deep, one submenu per level.
QVariantMap nested(int depth)
{
    QVariantMap item{{QStringLiteral("title"), QStringLiteral("bottom")}};
    for (int level = 0; level < depth; ++level)
        item = {{QStringLiteral("title"), QStringLiteral("level")},
                {QStringLiteral("sub_items"),
                 QVariantList{QVariantMap{{QStringLiteral("item"), item}}}}};
    return item;
}

int depthOf(const Menu &menu)
{
    int depth = 0;
    for (Menu current = menu; current.isValid() && !current.items().isEmpty();
         current = current.items().first().subMenu())
        ++depth;
    return depth;
}

// Stand-ins for the platform reads: a menu titled "fake" whose one entry is a submenu that is
// the same menu again, as a broken platform might hand out; leaves are never reached.
class FakeMenu : public MenuPrivate
{
public:
    FakeMenu() = default;
    explicit FakeMenu(const MenuPrivate &other)
        : MenuPrivate(other)
    {}
    const menu_item_t *getMenuItem(xrv_event_t *) override { return handle(); }
    const char *getMenuTitle(const menu_item_t *) override { return "fake"; }
    const char *getMenuSubtitle(const menu_item_t *) override { return nullptr; }
    const char *getMenuIcon(const menu_item_t *) override { return "file:///fake.png"; }
    const char *getMenuSubtitleIcon(const menu_item_t *) override { return nullptr; }
    int getMenuSubitemCount(const menu_item_t *) override { return 1; }
    const menu_sub_item_t *getMenuSubitem(const menu_item_t *, int) override
    {
        return reinterpret_cast<const menu_sub_item_t *>(handle());
    }
    static const menu_item_t *handle()
    {
        static const char somewhere = 0;
        return reinterpret_cast<const menu_item_t *>(&somewhere);
    }
};

class FakeMenuItem : public MenuItemPrivate
{
public:
    FakeMenuItem() = default;
    explicit FakeMenuItem(const MenuItemPrivate &other)
        : MenuItemPrivate(other)
    {}
    const char *getIcon(const menu_sub_item_t *) override { return nullptr; }
    const char *getSubicon1(const menu_sub_item_t *) override { return nullptr; }
    const char *getLabel(const menu_sub_item_t *) override { return "again"; }
    const char *getSublabel1(const menu_sub_item_t *) override { return nullptr; }
    const char *getSublabel2(const menu_sub_item_t *) override { return nullptr; }
    int getFrecency(const menu_sub_item_t *) override { return 9; }
    bool subItemHasChildren(const menu_sub_item_t *) override { return true; }
    const menu_invocation_t *getInvocation(const menu_sub_item_t *) override { return nullptr; }
    const menu_item_t *getSubmenuChildren(const menu_sub_item_t *) override
    {
        return FakeMenu::handle();
    }
    int getItemType(const menu_sub_item_t *) override { return 3; }
};

class FakeInvokeParams : public MenuItemInvokeParamsPrivate
{
public:
    FakeInvokeParams() = default;
    explicit FakeInvokeParams(const MenuItemInvokeParamsPrivate &other)
        : MenuItemInvokeParamsPrivate(other)
    {}
    int getTargetType(const menu_invocation_t *) override { return 0; }
    const char *getTargetKey(const menu_invocation_t *) override { return nullptr; }
    const char *getAction(const menu_invocation_t *) override { return nullptr; }
    const char *getMimeType(const menu_invocation_t *) override { return nullptr; }
    const char *getUri(const menu_invocation_t *) override { return nullptr; }
    const char *getUriMatch(const menu_invocation_t *) override { return nullptr; }
    int getFileTransferMode(const menu_invocation_t *) override { return 0; }
    const void *getData(const menu_invocation_t *, int *length) override
    {
        *length = 0;
        return nullptr;
    }
    const char *getMetadata(const menu_invocation_t *) override { return nullptr; }
    int getPerimeter(const menu_invocation_t *) override { return 0; }
};

template<typename Factory, typename Private, typename Fake> class CountingFactory : public Factory
{
public:
    Private *create() override
    {
        ++created;
        return new Fake;
    }
    Private *copy(const Private &other) override
    {
        ++copied;
        return new Fake(other);
    }
    int created = 0;
    int copied = 0;
};

} // namespace

class tst_MenuManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void populateSendsTheRequest_data();
    void populateSendsTheRequest();
    void failedCallAbortsAndDestroys_data();
    void failedCallAbortsAndDestroys();
    void answers_data();
    void answers();
    void treeFromAnAnswer();
    void undecodableMetadataIsSkipped();
    void forgedDeepMenuIsCutOff();
    void factoriesReplaceEveryPlatformRead();

private:
    bool answer(QVariantHash fields, bool expectFinished = true);

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<MenuManager> m_manager;
};

void tst_MenuManager::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<MenuManager>();
    m_backend->clear();
}

void tst_MenuManager::cleanup()
{
    m_manager.reset();
    m_backend.reset();
}

bool tst_MenuManager::answer(QVariantHash fields, bool expectFinished)
{
    QSignalSpy finished(m_manager.get(), &MenuManager::finished);
    RecordingBackend::postEvent(Service::Menu, fields.take(QStringLiteral("code")).toInt(), fields);
    if (expectFinished)
        return finished.wait(5000) || finished.size() == 1;
    // Another event behind it shows that the first one has been dispatched.
    RecordingBackend::postEvent(Service::Menu, 99);
    QTest::qWait(50);
    return finished.isEmpty();
}

void tst_MenuManager::populateSendsTheRequest_data()
{
    QTest::addColumn<bool>("everything");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QVariantList>("values"); // each setter's value, in order

    QTest::newRow("nothing set") << false
                                 << QList<QByteArray>{"menu_request_create",
                                                      "menu_request_set_target_type_mask",
                                                      "menu_request_set_perimeter",
                                                      "menu_request_set_file_transfer_mode",
                                                      "menu_request_send",
                                                      "menu_request_destroy"}
                                 << QVariantList{0, 0, 0};
    QTest::newRow("everything set")
        << true
        << QList<QByteArray>{"menu_request_create",         "menu_request_set_action",
                             "menu_request_set_target_key", "menu_request_set_mime_type",
                             "menu_request_set_file_uri",   "menu_request_set_data",
                             "menu_request_set_metadata",   "menu_request_set_target_type_mask",
                             "menu_request_set_perimeter",  "menu_request_set_file_transfer_mode",
                             "menu_request_send",           "menu_request_destroy"}
        << QVariantList{QStringLiteral("qz.action.SHARE"),
                        QStringLiteral("demo.mail"),
                        QStringLiteral("image/png"),
                        QStringLiteral("file:///a%20b.png"),
                        QByteArray("\x00\x01", 2),
                        QStringLiteral("{\"k\":\"v\"}"),
                        int(InvokeTarget::Application | InvokeTarget::Card),
                        1, // Personal
                        3};
}

void tst_MenuManager::populateSendsTheRequest()
{
    QFETCH(bool, everything);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QVariantList, values);

    if (everything) {
        m_manager->setAction(QStringLiteral("qz.action.SHARE"));
        m_manager->setTargetKey(QStringLiteral("demo.mail"));
        m_manager->setMimeType(QStringLiteral("image/png"));
        m_manager->setUri(QUrl(QStringLiteral("file:///a b.png")));
        m_manager->setData(QByteArray("\x00\x01", 2));
        m_manager->setMetadata({{QStringLiteral("k"), QStringLiteral("v")}});
        m_manager->setTargetTypes(InvokeTarget::Application | InvokeTarget::Card);
        m_manager->setPerimeter(SecurityPerimeter::Personal);
        m_manager->setFileTransferMode(FileTransferMode::CopyReadWrite);
    }
    QVERIFY(m_manager->populateMenu());
    QCOMPARE(m_backend->callNames(), names);

    const QList<RecordingBackend::Call> calls = m_backend->calls();
    const QVariant handle = calls.at(1).args.value(0);
    QVariantList seen;
    for (const RecordingBackend::Call &call : calls.mid(1, values.size())) {
        QCOMPARE(call.args.value(0), handle); // every setter fills the one request
        seen << call.args.value(1);
    }
    QCOMPARE(seen, values);
    const QVariantList send = m_backend->argumentsOf("menu_request_send").value(0);
    QCOMPARE(send.value(2).toString(), idOf(m_manager.get()));
    QCOMPARE(send.value(1).toMap().size(), values.size()); // what the service is handed
}

void tst_MenuManager::failedCallAbortsAndDestroys_data()
{
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<bool>("destroyed");

    QTest::newRow("create") << QByteArray("menu_request_create") << false;
    QTest::newRow("a text setter") << QByteArray("menu_request_set_mime_type") << true;
    QTest::newRow("data") << QByteArray("menu_request_set_data") << true;
    QTest::newRow("a number setter") << QByteArray("menu_request_set_perimeter") << true;
    QTest::newRow("send") << QByteArray("menu_request_send") << true;
}

void tst_MenuManager::failedCallAbortsAndDestroys()
{
    QFETCH(QByteArray, failing);
    QFETCH(bool, destroyed);

    m_manager->setMimeType(QStringLiteral("text/plain"));
    m_manager->setData("x");
    m_backend->failCall(failing);
    QVERIFY(!m_manager->populateMenu());
    const QList<QByteArray> names = m_backend->callNames();
    QCOMPARE(names.count("menu_request_destroy"), destroyed ? 1 : 0);
    if (failing != "menu_request_send")
        QVERIFY(!names.contains("menu_request_send"));
    QCOMPARE(names.indexOf(failing) + (destroyed ? 2 : 1), names.size()); // nothing after it
    QVERIFY(!m_manager->isFinished());
}

void tst_MenuManager::answers_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("id"); // "own" for the manager's own
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("title"); // of the menu afterwards; the earlier one is "before"

    QTest::newRow("own answer") << 1 << "own" << QString() << true << int(MenuManagerError::None)
                                << "after";
    QTest::newRow("service error keeps the menu")
        << 1 << "own"
        << "MENU_FAILED" << true << int(MenuManagerError::System) << "before";
    QTest::newRow("another manager's id")
        << 1 << "abc123" << QString() << false << int(MenuManagerError::None) << "before";
    QTest::newRow("no id") << 1 << QString() << QString() << false << int(MenuManagerError::None)
                           << "before";
    QTest::newRow("another code") << 2 << "own" << QString() << false << int(MenuManagerError::None)
                                  << "before";
}

void tst_MenuManager::answers()
{
    QFETCH(int, code);
    QFETCH(QString, id);
    QFETCH(QString, err);
    QFETCH(bool, taken);
    QFETCH(int, error);
    QFETCH(QString, title);

    const QString own = idOf(m_manager.get());
    const auto menuTitled = [](const QString &text) {
        return QVariantMap{{QStringLiteral("title"), text}};
    };
    QVERIFY(answer({{QStringLiteral("code"), 1},
                    {QStringLiteral("id"), own},
                    {QStringLiteral("item"), menuTitled(QStringLiteral("before"))}}));

    QVariantHash fields{{QStringLiteral("code"), code},
                        {QStringLiteral("item"), menuTitled(QStringLiteral("after"))}};
    if (!id.isEmpty())
        fields.insert(QStringLiteral("id"), id == QLatin1String("own") ? own : id);
    if (!err.isEmpty())
        fields.insert(QStringLiteral("err"), err);
    QVERIFY(answer(fields, taken));
    QCOMPARE(int(m_manager->error()), error);
    QCOMPARE(m_manager->menu().title(), title);
    QVERIFY(m_manager->isFinished());
}

void tst_MenuManager::treeFromAnAnswer()
{
    const QVariantMap invocation{
        {QStringLiteral("target_type"), 2},
        {QStringLiteral("target"), QStringLiteral("demo.mail")},
        {QStringLiteral("action"), QStringLiteral("qz.action.SHARE")},
        {QStringLiteral("mime_type"), QStringLiteral("image/png")},
        {QStringLiteral("uri"), QStringLiteral("file:///a%20b.png")},
        {QStringLiteral("uri_match"), QStringLiteral("file://")},
        {QStringLiteral("file_transfer_mode"), 2},
        {QStringLiteral("data"), QByteArray("\x00\xff", 2)},
        {QStringLiteral("metadata"), QStringLiteral("{\"to\":[\"a\",\"b\"],\"n\":2}")},
        {QStringLiteral("perimeter"), 1}};
    const QVariantMap root{
        {QStringLiteral("title"), QStringLiteral("Share")},
        {QStringLiteral("secondary_title"), QStringLiteral("a b.png")},
        {QStringLiteral("icon"), QStringLiteral("file:///share.png")},
        {QStringLiteral("sub_items"),
         QVariantList{
             submenu(QStringLiteral("Mail"), QStringLiteral("Mail"),
                     {leaf(QStringLiteral("Work"), invocation, 7),
                      leaf(QStringLiteral("Home"), {{QStringLiteral("target_type"), 16}}, 3)}),
             leaf(QStringLiteral("Print"), {{QStringLiteral("target_type"), 64}})}}};
    QVERIFY(answer({{QStringLiteral("code"), 1},
                    {QStringLiteral("id"), idOf(m_manager.get())},
                    {QStringLiteral("item"), root}}));

    const Menu menu = m_manager->menu();
    QVERIFY(menu.isValid());
    QCOMPARE(menu.title(), QStringLiteral("Share"));
    QCOMPARE(menu.subtitle(), QStringLiteral("a b.png"));
    QCOMPARE(menu.titleIcon(), QUrl(QStringLiteral("file:///share.png")));
    QCOMPARE(menu.items().size(), 2);

    const MenuItem mail = menu.items().at(0);
    QVERIFY(!mail.invoke().isValid());
    QVERIFY(mail.subMenu().isValid());
    const MenuItem print = menu.items().at(1);
    QVERIFY(!print.subMenu().isValid());
    QCOMPARE(print.invoke().type(), InvokeTarget::Headless);

    const QList<MenuItem> entries = mail.subMenu().items();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).label(), QStringLiteral("Work"));
    QCOMPARE(entries.at(0).itemType(), MenuItemType::Unspecified); // 7 is no known type
    QCOMPARE(entries.at(0).frecency(), 5);
    QCOMPARE(entries.at(1).itemType(), MenuItemType::AccountShortcut);
    QCOMPARE(entries.at(1).invoke().type(), InvokeTarget::Unspecified); // Self is not reported

    const MenuItemInvokeParams params = entries.at(0).invoke();
    QVERIFY(params.isValid());
    QCOMPARE(params.type(), InvokeTarget::Card);
    QCOMPARE(params.target(), QStringLiteral("demo.mail"));
    QCOMPARE(params.action(), QStringLiteral("qz.action.SHARE"));
    QCOMPARE(params.mimeType(), QStringLiteral("image/png"));
    QCOMPARE(params.uri().path(), QStringLiteral("/a b.png"));
    QCOMPARE(params.uriMatch(), QUrl(QStringLiteral("file://")));
    QCOMPARE(params.fileTransferMode(), FileTransferMode::CopyReadOnly);
    QCOMPARE(params.data(), QByteArray("\x00\xff", 2));
    QCOMPARE(
        params.metadata(),
        (QVariantMap{{QStringLiteral("to"), QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
                     {QStringLiteral("n"), 2}}));
    QCOMPARE(params.perimeter(), SecurityPerimeter::Personal);
}

void tst_MenuManager::undecodableMetadataIsSkipped()
{
    QTest::ignoreMessage(QtWarningMsg,
                         "MenuItemInvokeParamsPrivate::create(): failed to decode metadata: "
                         "{\"open\":");
    QVERIFY(answer({{QStringLiteral("code"), 1},
                    {QStringLiteral("id"), idOf(m_manager.get())},
                    {QStringLiteral("item"),
                     QVariantMap{{QStringLiteral("sub_items"),
                                  QVariantList{leaf(
                                      QStringLiteral("x"),
                                      {{QStringLiteral("metadata"), QStringLiteral("{\"open\":")},
                                       {QStringLiteral("target"), QStringLiteral("t")}})}}}}}));
    const MenuItemInvokeParams params = m_manager->menu().items().value(0).invoke();
    QVERIFY(params.isValid());
    QVERIFY(params.metadata().isEmpty());
    QCOMPARE(params.target(), QStringLiteral("t"));
}

void tst_MenuManager::forgedDeepMenuIsCutOff()
{
    QTest::ignoreMessage(QtWarningMsg,
                         "menu: nested deeper than 16 levels; the rest of the menu was cut off");
    QVERIFY(answer({{QStringLiteral("code"), 1},
                    {QStringLiteral("id"), idOf(m_manager.get())},
                    {QStringLiteral("item"), nested(200)}}));
    QCOMPARE(depthOf(m_manager->menu()), MENU_MAX_DEPTH - 1);
}

void tst_MenuManager::factoriesReplaceEveryPlatformRead()
{
    CountingFactory<MenuPrivateFactory, MenuPrivate, FakeMenu> menus;
    CountingFactory<MenuItemPrivateFactory, MenuItemPrivate, FakeMenuItem> items;
    CountingFactory<MenuItemInvokeParamsPrivateFactory, MenuItemInvokeParamsPrivate,
                    FakeInvokeParams>
        params;
    MenuPrivate::setFactory(&menus);
    MenuItemPrivate::setFactory(&items);
    MenuItemInvokeParamsPrivate::setFactory(&params);
    const auto restore = qScopeGuard([] {
        MenuPrivate::setFactory(nullptr);
        MenuItemPrivate::setFactory(nullptr);
        MenuItemInvokeParamsPrivate::setFactory(nullptr);
    });

    // No event at all: only the fakes can make a menu of it. Their menu is its own submenu, so
    // reading it ends at the depth bound.
    QTest::ignoreMessage(QtWarningMsg, "Menu: a menu nested deeper than 32 levels was cut off");
    const Menu menu = MenuPrivate::fromEvent(nullptr);
    QVERIFY(menu.isValid());
    QCOMPARE(menu.title(), QStringLiteral("fake"));
    QCOMPARE(menu.titleIcon(), QUrl(QStringLiteral("file:///fake.png")));
    QCOMPARE(depthOf(menu), MenuReadBudget::MaxDepth - 1);
    const MenuItem first = menu.items().value(0);
    QCOMPARE(first.label(), QStringLiteral("again"));
    QCOMPARE(first.itemType(), MenuItemType::AccountShortcut);
    QCOMPARE(first.frecency(), 9);

    const int menusCopied = menus.copied;
    const int itemsCopied = items.copied;
    Menu copy = menu;
    QCOMPARE(menus.copied, menusCopied + 1);
    MenuItem itemCopy = first;
    QCOMPARE(items.copied, itemsCopied + 1);
    QCOMPARE(copy.title(), QStringLiteral("fake"));
    QCOMPARE(itemCopy.label(), QStringLiteral("again"));
    QVERIFY(menus.created > 0 && items.created > 0 && params.created > 0);
    QVERIFY(m_backend->calls().isEmpty());
}

QTEST_GUILESS_MAIN(tst_MenuManager)
#include "tst_menumanager.moc"
