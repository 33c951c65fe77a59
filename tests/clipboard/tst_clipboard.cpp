#include "clipboard_p.h"

#include <qz/system/Clipboard>

#include <clipboard/clipboard.h>

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

using qz::system::Clipboard;
using qz::system::ClipboardPrivate;

namespace {

// Records every platform call as one line and answers as the test says.
struct Script
{
    QStringList calls;
    int getPathResult = 4; // "prev"
    int setPathResult = 0;
    int operationResult = 0;
    int error = 0;
    QByteArray data; // what getClipboardData hands out
    void *handedOut = nullptr;
};

class FakeClipboard : public ClipboardPrivate
{
public:
    FakeClipboard(const QString &path, Script *script)
        : ClipboardPrivate(path)
        , s(script)
    {}
    int getClipboardPath(char *buffer, unsigned int size) override
    {
        s->calls << QStringLiteral("getPath %1").arg(size);
        std::memcpy(buffer, "prev", 5);
        return s->getPathResult;
    }
    int setClipboardPath(const char *path, unsigned int length) override
    {
        s->calls << QStringLiteral("setPath %1 %2")
                        .arg(path ? QString::fromUtf8(path, length) : QStringLiteral("null"))
                        .arg(length);
        return s->setPathResult;
    }
    int setClipboardData(const char *type, unsigned int size, const char *) override
    {
        s->calls << QStringLiteral("setData %1 %2").arg(QString::fromUtf8(type)).arg(size);
        return s->operationResult;
    }
    int getClipboardData(const char *type, char **data) override
    {
        s->calls << QStringLiteral("getData %1").arg(QString::fromUtf8(type));
        if (s->operationResult > 0 && !s->data.isNull()) {
            *data = static_cast<char *>(std::malloc(size_t(s->data.size())));
            std::memcpy(*data, s->data.constData(), size_t(s->data.size()));
            s->handedOut = *data;
        }
        return s->operationResult;
    }
    int emptyClipboard() override { return record(QStringLiteral("empty")); }
    int emptyClipboardBy(const char *type) override
    {
        return record(QStringLiteral("emptyBy ") + QString::fromUtf8(type));
    }
    int isClipboardFormatPresent(const char *type) override
    {
        return record(QStringLiteral("present ") + QString::fromUtf8(type));
    }
    void free(void *data) override
    {
        s->calls << (data == s->handedOut ? QStringLiteral("free") : QStringLiteral("free?"));
        std::free(data);
    }
    int error() override { return s->error; }

private:
    int record(const QString &call)
    {
        s->calls << call;
        return s->operationResult;
    }
    Script *s;
};

class Factory : public qz::system::ClipboardPrivateFactory
{
public:
    ClipboardPrivate *create(const QString &path) override
    {
        return new FakeClipboard(path, &script);
    }
    Script script;
};

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList strs(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << str(text);
    return list;
}

// What one public operation does; its result as text so the table can name it.
QString run(Clipboard &clipboard, const QString &operation, bool *flag)
{
    const QString type = QStringLiteral("text/plain");
    if (operation == QLatin1String("contains"))
        return clipboard.contains(type, flag) ? QStringLiteral("true") : QStringLiteral("false");
    if (operation == QLatin1String("value"))
        return QString::fromUtf8(clipboard.value(type, flag));
    if (operation == QLatin1String("insert"))
        return clipboard.insert(type, "abc") ? QStringLiteral("true") : QStringLiteral("false");
    if (operation == QLatin1String("remove"))
        return clipboard.remove(type) ? QStringLiteral("true") : QStringLiteral("false");
    return clipboard.clear() ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

class TestClipboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void callSequence_data();
    void callSequence();
    void enteringFails();
    void accessDeniedFlag_data();
    void accessDeniedFlag();

    void storeRoundTrip();
    void hostileNames_data();
    void hostileNames();
    void storeNotOurs_data();
    void storeNotOurs();
    void processesShareData();

private:
    QTemporaryDir m_runtime;
    Factory m_factory;
};

void TestClipboard::init()
{
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    QDir(m_runtime.path() + QStringLiteral("/qz")).removeRecursively();
    m_factory.script = Script();
    set_clipboard_path(nullptr, 0);
}

void TestClipboard::cleanup()
{
    ClipboardPrivate::setFactory(nullptr);
}

void TestClipboard::callSequence_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("default contains") << QByteArray("") << QByteArray("contains") << 0
                                      << QByteArray("present text/plain") << QByteArray("true");
    QTest::newRow("default absent") << QByteArray("") << QByteArray("contains") << -1
                                    << QByteArray("present text/plain") << QByteArray("false");
    QTest::newRow("path value") << QByteArray("work") << QByteArray("value") << 3
                                << QByteArray("getData text/plain") << QByteArray("xyz");
    QTest::newRow("value without bytes") << QByteArray("work") << QByteArray("value") << 3
                                         << QByteArray("getData text/plain") << QByteArray("");
    QTest::newRow("value empty") << QByteArray("work") << QByteArray("value") << 0
                                 << QByteArray("getData text/plain") << QByteArray("");
    QTest::newRow("insert all") << QByteArray("work") << QByteArray("insert") << 3
                                << QByteArray("setData text/plain 3") << QByteArray("true");
    QTest::newRow("insert short") << QByteArray("work") << QByteArray("insert") << 2
                                  << QByteArray("setData text/plain 3") << QByteArray("false");
    QTest::newRow("remove") << QByteArray("") << QByteArray("remove") << 0
                            << QByteArray("emptyBy text/plain") << QByteArray("true");
    QTest::newRow("remove fails") << QByteArray("") << QByteArray("remove") << -1
                                  << QByteArray("emptyBy text/plain") << QByteArray("false");
    QTest::newRow("clear") << QByteArray("work") << QByteArray("clear") << 0 << QByteArray("empty")
                           << QByteArray("true");
    QTest::newRow("clear fails") << QByteArray("work") << QByteArray("clear") << -1
                                 << QByteArray("empty") << QByteArray("false");
}

void TestClipboard::callSequence()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, operation);
    QFETCH(int, result);
    QFETCH(QByteArray, call);
    QFETCH(QByteArray, expected);

    ClipboardPrivate::setFactory(&m_factory);
    m_factory.script.operationResult = result;
    if (QByteArray(QTest::currentDataTag()) != "value without bytes")
        m_factory.script.data = "xyz";
    Clipboard clipboard(QString::fromUtf8(path));
    QCOMPARE(run(clipboard, QString::fromUtf8(operation), nullptr), QString::fromUtf8(expected));

    QStringList calls{
        QStringLiteral("getPath 1025"),
        path.isEmpty()
            ? QStringLiteral("setPath null 0")
            : QStringLiteral("setPath %1 %2").arg(QString::fromUtf8(path)).arg(path.size()),
        QString::fromUtf8(call)};
    if (operation == "value" && !expected.isEmpty())
        calls << QStringLiteral("free");
    calls << QStringLiteral("setPath prev 4");
    QCOMPARE(m_factory.script.calls, calls);
}

void TestClipboard::enteringFails()
{
    ClipboardPrivate::setFactory(&m_factory);
    for (const QString &operation : strs({"contains", "value", "insert", "remove", "clear"})) {
        for (bool getFails : {true, false}) {
            m_factory.script = Script();
            (getFails ? m_factory.script.getPathResult : m_factory.script.setPathResult) = -1;
            Clipboard clipboard(QStringLiteral("p"));
            bool flag = true;
            const QString result = run(clipboard, operation, &flag);
            QVERIFY2(result.isEmpty() || result == QLatin1String("false"), qPrintable(operation));
            QVERIFY2(flag, "the flag is left alone when the platform was not reached");
            // Nothing ran, so nothing is restored.
            QCOMPARE(m_factory.script.calls.size(), getFails ? 1 : 2);
        }
    }
}

void TestClipboard::accessDeniedFlag_data()
{
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("denied");

    for (const char *operation : {"contains", "value"}) {
        QTest::addRow("%s denied", operation) << QByteArray(operation) << -1 << 13 << true;
        QTest::addRow("%s absent", operation) << QByteArray(operation) << -1 << 2 << false;
        // errno is only read for a failure: a stale 13 means nothing after success.
        QTest::addRow("%s fine", operation) << QByteArray(operation) << 0 << 13 << false;
    }
}

void TestClipboard::accessDeniedFlag()
{
    QFETCH(QByteArray, operation);
    QFETCH(int, result);
    QFETCH(int, error);
    QFETCH(bool, denied);

    ClipboardPrivate::setFactory(&m_factory);
    m_factory.script.operationResult = result;
    m_factory.script.error = error;
    Clipboard clipboard;
    bool flag = !denied;
    run(clipboard, QString::fromUtf8(operation), &flag);
    QCOMPARE(flag, denied);
}

void TestClipboard::storeRoundTrip()
{
    Clipboard plain;
    Clipboard work(QStringLiteral("work"));
    QVERIFY(plain.insert(QStringLiteral("text/plain"), "hello"));
    QVERIFY(work.insert(QStringLiteral("text/plain"), "other"));
    QVERIFY(plain.insert(QStringLiteral("text/plain"), "hello again")); // replaces
    QVERIFY(plain.insert(QStringLiteral("application/empty"), QByteArray()));

    bool denied = true;
    QCOMPARE(plain.value(QStringLiteral("text/plain"), &denied), QByteArray("hello again"));
    QVERIFY(!denied);
    QCOMPARE(work.value(QStringLiteral("text/plain")), QByteArray("other"));
    QVERIFY(plain.contains(QStringLiteral("application/empty")));
    QVERIFY(plain.value(QStringLiteral("application/empty")).isEmpty());
    denied = true;
    QVERIFY(plain.value(QStringLiteral("image/png"), &denied).isEmpty());
    QVERIFY(!denied);

    // Each operation leaves the process on the path it found.
    set_clipboard_path("elsewhere", 9);
    QVERIFY(work.remove(QStringLiteral("text/plain")));
    char buffer[32];
    QCOMPARE(get_clipboard_path(buffer, sizeof buffer), 9);
    QCOMPARE(QByteArray(buffer), QByteArray("elsewhere"));
    QVERIFY(!work.contains(QStringLiteral("text/plain")));
    QVERIFY(!work.remove(QStringLiteral("text/plain")));

    QVERIFY(plain.clear());
    QVERIFY(!plain.contains(QStringLiteral("text/plain")));
    QVERIFY(!plain.contains(QStringLiteral("application/empty")));
    // No temporaries are left behind by the writes.
    QDirIterator it(m_runtime.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QVERIFY2(!it.hasNext(), qPrintable(it.hasNext() ? it.next() : QString()));
}

void TestClipboard::hostileNames_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("rawType");
    QTest::addColumn<bool>("stored");

    QTest::newRow("type dot-dot") << QByteArray("") << QByteArray("../../escaped") << true;
    QTest::newRow("type absolute") << QByteArray("") << QByteArray("/tmp/escaped") << true;
    QTest::newRow("type dot") << QByteArray("") << QByteArray(".") << true;
    QTest::newRow("type slash") << QByteArray("") << QByteArray("text/../../../escaped") << true;
    QTest::newRow("path dot-dot") << QByteArray("../../..") << QByteArray("escaped") << true;
    QTest::newRow("path absolute") << QByteArray("/tmp") << QByteArray("escaped") << true;
    QTest::newRow("type newline") << QByteArray("") << QByteArray("text/plain\nx") << false;
    QTest::newRow("type escape") << QByteArray("") << QByteArray("text/\x1b[2J") << false;
    QTest::newRow("path control") << QByteArray("a\tb") << QByteArray("text/plain") << false;
    QTest::newRow("type empty") << QByteArray("") << QByteArray("") << false;
    QTest::newRow("type too long") << QByteArray("") << QByteArray(300, 'x') << false;
    QTest::newRow("path too long") << QByteArray(1100, 'p') << QByteArray("text/plain") << false;
}

void TestClipboard::hostileNames()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, rawType);
    QFETCH(bool, stored);

    const QString type = QString::fromUtf8(rawType);
    const QString store = m_runtime.path() + QStringLiteral("/qz/clipboard");
    Clipboard clipboard(QString::fromUtf8(path));
    QCOMPARE(clipboard.insert(type, "payload"), stored);
    QCOMPARE(clipboard.value(type), stored ? QByteArray("payload") : QByteArray());
    // Whatever was written lies inside the store, one folder per path, one file per type.
    QDirIterator it(m_runtime.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString file = it.next();
        QVERIFY2(file.startsWith(store + u'/'), qPrintable(file));
        QCOMPARE(QDir(store).relativeFilePath(file).count(u'/'), 1);
        ++files;
    }
    QCOMPARE(files, stored ? 1 : 0);
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/escaped")));
}

void TestClipboard::storeNotOurs_data()
{
    QTest::addColumn<QByteArray>("how");
    QTest::newRow("store is a link") << QByteArray("link");
    QTest::newRow("clipboard folder is a link") << QByteArray("folder link");
    if (::geteuid() == 0)
        QTest::newRow("store of another user") << QByteArray("owner");
}

void TestClipboard::storeNotOurs()
{
    QFETCH(QByteArray, how);

    Clipboard clipboard;
    QVERIFY(clipboard.insert(QStringLiteral("text/plain"), "mine"));
    const QString store = m_runtime.path() + QStringLiteral("/qz/clipboard");
    QTemporaryDir elsewhere;
    if (how == "link") {
        QVERIFY(QDir(store).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), store));
    } else if (how == "folder link") {
        QVERIFY(QDir(store + QStringLiteral("/default")).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), store + QStringLiteral("/default")));
    } else {
        QCOMPARE(::chown(QFile::encodeName(store).constData(), 65534, 65534), 0);
    }

    bool denied = false;
    QVERIFY(!clipboard.contains(QStringLiteral("text/plain"), &denied));
    QVERIFY(denied);
    denied = false;
    QVERIFY(clipboard.value(QStringLiteral("text/plain"), &denied).isEmpty());
    QVERIFY(denied);
    QVERIFY(!clipboard.insert(QStringLiteral("text/plain"), "theirs"));
    QVERIFY(!clipboard.clear());
    QVERIFY(QDir(elsewhere.path()).isEmpty());
}

void TestClipboard::processesShareData()
{
#ifndef QZCTL_PATH
    QSKIP("qzctl is not built");
#else
    const auto ctl = [](const QStringList &arguments, const QByteArray &input = {}) {
        QProcess process;
        process.start(QStringLiteral(QZCTL_PATH),
                      QStringList{QStringLiteral("clipboard")} + arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        return std::make_pair(process.readAllStandardOutput(), process.exitCode());
    };
    Clipboard clipboard(QStringLiteral("shared"));
    QVERIFY(clipboard.insert(QStringLiteral("text/uri-list"), "file:///a\r\n"));
    QCOMPARE(ctl(strs({"get", "text/uri-list", "--path", "shared"})),
             std::make_pair(QByteArray("file:///a\r\n"), 0));
    QCOMPARE(ctl(strs({"get", "text/uri-list"})).second, 1); // the default clipboard has none

    const QByteArray binary("\x00\x01\xff\n", 4);
    QCOMPARE(ctl(strs({"set", "application/octet-stream", "--path", "shared"}), binary).second, 0);
    QCOMPARE(clipboard.value(QStringLiteral("application/octet-stream")), binary);

    QCOMPARE(ctl(strs({"clear", "--path", "shared"})).second, 0);
    QVERIFY(!clipboard.contains(QStringLiteral("text/uri-list")));
    QCOMPARE(ctl(strs({"set", "bad\ntype", "x"})).second, 1);
#endif
}

QTEST_GUILESS_MAIN(TestClipboard)
#include "tst_clipboard.moc"
