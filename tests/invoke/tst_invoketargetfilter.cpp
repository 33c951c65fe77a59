// Target filters as values: which actions and MIME types they take, duplicates and removal, custom
// attributes, copies; and the update request's validity.
#include <qz/system/InvokeTargetFilter>
#include <qz/system/InvokeUpdateTargetFiltersRequest>

#include <QTest>

using namespace qz::system;

class tst_InvokeTargetFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkedEntries_data();
    void checkedEntries();
    void uncheckedEntriesRefuseOnlyDuplicates();
    void removalTakesTheFirstEqualEntry();
    void customAttributes();
    void validity();
    void copiesDoNotSeeEachOthersChanges();
    void updateRequestStoresInvalidFiltersToo();
};

void tst_InvokeTargetFilter::checkedEntries_data()
{
    QTest::addColumn<bool>("isAction");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    const auto action = [](const char *name, const QString &text, bool accepted) {
        QTest::addRow("action %s", name) << true << text << accepted;
    };
    action("a.b_c", QStringLiteral("a.b_c"), true);
    action("single letter", QStringLiteral("a"), true);
    action("dotted", QStringLiteral("qz.action.OPEN"), true);
    action("50 characters", QString(50, QLatin1Char('a')), true);
    action("51 characters", QString(51, QLatin1Char('a')), false);
    action("a..b", QStringLiteral("a..b"), false);
    action("1abc", QStringLiteral("1abc"), false);
    action("a.", QStringLiteral("a."), false);
    action(".a", QStringLiteral(".a"), false);
    action("empty", QString(), false);
    action("space", QStringLiteral("a b"), false);
    action("dash", QStringLiteral("a-b"), false);
    action("non-ASCII letter", QStringLiteral("caf\u00e9"), false);

    const auto mime = [](const char *name, const QString &text, bool accepted) {
        QTest::addRow("MIME %s", name) << false << text << accepted;
    };
    mime("text", QStringLiteral("text"), true);
    mime("text/*", QStringLiteral("text/*"), true);
    mime("*", QStringLiteral("*"), true);
    mime("application/vnd.x+y", QStringLiteral("application/vnd.x+y"), true);
    mime("image/svg-xml", QStringLiteral("image/svg-xml"), true);
    mime("text/", QStringLiteral("text/"), false);
    mime("*/*", QStringLiteral("*/*"), false);
    mime("empty", QString(), false);
    mime("two slashes", QStringLiteral("a/b/c"), false);
    mime("parameter", QStringLiteral("text/plain;charset=utf-8"), false);
    mime("**", QStringLiteral("**"), false);
}

void tst_InvokeTargetFilter::checkedEntries()
{
    QFETCH(bool, isAction);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    InvokeTargetFilter filter;
    const auto add = [&] { return isAction ? filter.addAction(text) : filter.addMimeType(text); };
    const auto list = [&] { return isAction ? filter.actionList() : filter.mimeTypeList(); };

    QCOMPARE(add(), accepted);
    QCOMPARE(list(), accepted ? QStringList{text} : QStringList());
    // A second time it is a duplicate, or still refused.
    QVERIFY(!add());
    QCOMPARE(list().size(), accepted ? 1 : 0);
}

void tst_InvokeTargetFilter::uncheckedEntriesRefuseOnlyDuplicates()
{
    InvokeTargetFilter filter;
    QVERIFY(filter.addUri(QStringLiteral("file:///x")));
    QVERIFY(!filter.addUri(QStringLiteral("file:///x")));
    QVERIFY(filter.addUri(QStringLiteral("FILE:///x")));
    QVERIFY(filter.addUri(QString()));
    QCOMPARE(filter.uriList(),
             (QStringList{QStringLiteral("file:///x"), QStringLiteral("FILE:///x"), QString()}));

    QVERIFY(filter.addFileExtension(QStringLiteral("not an extension!")));
    QVERIFY(!filter.addFileExtension(QStringLiteral("not an extension!")));
    QCOMPARE(filter.fileExtensionList(), QStringList{QStringLiteral("not an extension!")});
}

void tst_InvokeTargetFilter::removalTakesTheFirstEqualEntry()
{
    InvokeTargetFilter filter;
    for (const char *action : {"a", "b", "c"})
        QVERIFY(filter.addAction(QLatin1String(action)));
    QVERIFY(filter.addMimeType(QStringLiteral("text/plain")));
    QVERIFY(filter.addUri(QStringLiteral("u")));
    QVERIFY(filter.addFileExtension(QStringLiteral("e")));

    QVERIFY(!filter.removeAction(QStringLiteral("B")));
    QVERIFY(filter.removeAction(QStringLiteral("b")));
    QVERIFY(!filter.removeAction(QStringLiteral("b")));
    QCOMPARE(filter.actionList(), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    QVERIFY(filter.removeMimeType(QStringLiteral("text/plain")));
    QVERIFY(filter.removeUri(QStringLiteral("u")));
    QVERIFY(filter.removeFileExtension(QStringLiteral("e")));
    QVERIFY(!filter.removeFileExtension(QStringLiteral("e")));
    QVERIFY(filter.mimeTypeList().isEmpty() && filter.uriList().isEmpty() &&
            filter.fileExtensionList().isEmpty());
}

void tst_InvokeTargetFilter::customAttributes()
{
    InvokeTargetFilter filter;
    QVERIFY(filter.addCustomAttributeValue(QStringLiteral("size"), QStringLiteral("big")));
    QVERIFY(filter.addCustomAttributeValue(QStringLiteral("color"), QStringLiteral("red")));
    // A value already there: still true, but kept once.
    QVERIFY(filter.addCustomAttributeValue(QStringLiteral("color"), QStringLiteral("red")));
    QVERIFY(filter.addCustomAttributeValue(QStringLiteral("color"), QStringLiteral("blue")));
    QCOMPARE(filter.customAttributeNames(),
             (QStringList{QStringLiteral("color"), QStringLiteral("size")}));
    QCOMPARE(filter.customAttributeList(QStringLiteral("color")),
             (QStringList{QStringLiteral("red"), QStringLiteral("blue")}));
    QVERIFY(filter.customAttributeList(QStringLiteral("none")).isEmpty());

    // Emptied, the attribute stays; an unknown one is not created.
    filter.removeCustomAttributeValue(QStringLiteral("size"), QStringLiteral("big"));
    filter.removeCustomAttributeValue(QStringLiteral("none"), QStringLiteral("x"));
    QCOMPARE(filter.customAttributeNames(),
             (QStringList{QStringLiteral("color"), QStringLiteral("size")}));
    QVERIFY(filter.customAttributeList(QStringLiteral("size")).isEmpty());

    filter.removeCustomAttribute(QStringLiteral("color"));
    QCOMPARE(filter.customAttributeNames(), QStringList{QStringLiteral("size")});
}

void tst_InvokeTargetFilter::validity()
{
    InvokeTargetFilter filter;
    QVERIFY(!filter.isValid());
    QVERIFY(filter.addUri(QStringLiteral("u")));
    QVERIFY(filter.addAction(QStringLiteral("a")));
    QVERIFY(!filter.isValid());
    QVERIFY(filter.addMimeType(QStringLiteral("*")));
    QVERIFY(filter.isValid());
    QVERIFY(filter.removeAction(QStringLiteral("a")));
    QVERIFY(!filter.isValid());
}

void tst_InvokeTargetFilter::copiesDoNotSeeEachOthersChanges()
{
    InvokeTargetFilter original;
    QVERIFY(original.addAction(QStringLiteral("a")));
    original.addCustomAttributeValue(QStringLiteral("k"), QStringLiteral("v"));

    InvokeTargetFilter copy = original;
    QVERIFY(copy.addAction(QStringLiteral("b")));
    copy.removeCustomAttributeValue(QStringLiteral("k"), QStringLiteral("v"));
    QCOMPARE(original.actionList(), QStringList{QStringLiteral("a")});
    QCOMPARE(original.customAttributeList(QStringLiteral("k")), QStringList{QStringLiteral("v")});

    InvokeTargetFilter assigned;
    assigned = original;
    QVERIFY(original.removeAction(QStringLiteral("a")));
    original.removeCustomAttribute(QStringLiteral("k"));
    QCOMPARE(assigned.actionList(), QStringList{QStringLiteral("a")});
    QCOMPARE(assigned.customAttributeNames(), QStringList{QStringLiteral("k")});
    QCOMPARE(copy.actionList(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

void tst_InvokeTargetFilter::updateRequestStoresInvalidFiltersToo()
{
    InvokeTargetFilter valid;
    QVERIFY(valid.addAction(QStringLiteral("a")) && valid.addMimeType(QStringLiteral("t")));
    InvokeTargetFilter invalid;
    QVERIFY(invalid.addAction(QStringLiteral("only.an.action")));

    InvokeUpdateTargetFiltersRequest request;
    QVERIFY(request.setTargetFilters({valid, valid}));
    QVERIFY(!request.setTargetFilters({valid, invalid, valid}));
    QCOMPARE(request.filters().size(), 3);
    QCOMPARE(request.filters().at(1).actionList(), QStringList{QStringLiteral("only.an.action")});
    QVERIFY(request.setTargetFilters({}));
    QVERIFY(request.filters().isEmpty());
}

QTEST_GUILESS_MAIN(tst_InvokeTargetFilter)
#include "tst_invoketargetfilter.moc"
