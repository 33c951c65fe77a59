// The QML module in a real QML engine, against qzppsd and qzdevice started for the run: the
// dialog service answers by the script below, the navigator starts the declared targets.
#include "../device/deviceprocesses.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <memory>

namespace {

// The dialog titles and button labels match those of tst_dialogs.qml.
const char dialogScript[] = R"({"dialogs": [
    {"className": "AlertDialog", "title": "Press Later", "button": "Later", "delay": 0},
    {"className": "AlertDialog", "title": "Press Cancel", "button": "Cancel", "delay": 0},
    {"className": "AlertDialog", "title": "Press Keep", "button": "Keep", "delay": 0},
    {"className": "PromptDialog", "title": "Name?", "text": "Alice", "delay": 0},
    {"className": "ListDialog", "title": "Pick", "rows": [1, 2], "delay": 0},
    {"className": "ToastBase", "timeout": true, "delay": 0},
    {"className": "LoginDialog", "title": "Sign in", "username": "alice",
     "password": "p\u00e4ss: w\"rd", "checkbox": true, "delay": 0},
    {"className": "LoginDialog", "title": "Sign in later", "button": "Cancel", "delay": 0},
    {"className": "ProgressDialog", "delay": 0},
    {"className": "ProgressToast", "delay": 0}]})";

// The targets of tst_invoke.qml and tst_menu.qml: two that qzdevice starts, and this process.
const QString receiverKey = QStringLiteral("qml.receiver");
const QString viewerKey = QStringLiteral("qml.viewer");
const QString selfKey = QStringLiteral("qml.self");

// The setup runs outside any test function, where QVERIFY has nothing to fail.
void require(bool condition, const char *what)
{
    if (!condition)
        qFatal("QML test setup failed: %s", what);
}

QString outputPath(const QString &targets, const QString &key)
{
    return targets + QLatin1Char('/') + key + QStringLiteral(".out");
}

// A target declaration (\a extra holds more "keyword value" lines); a target with listen
// arguments is started by qzdevice as qzctl listen, writing to its output file.
void declare(const QString &targets, const QString &key, const QString &type, const QString &extra,
             const QString &listenArguments)
{
    QFile file(targets + QLatin1Char('/') + key + QStringLiteral(".target"));
    require(file.open(QIODevice::WriteOnly), "target declaration");
    QString text = QStringLiteral("key %1\ntype %2\n%3").arg(key, type, extra);
    if (!listenArguments.isEmpty()) {
        text += QStringLiteral("start /bin/sh -c \"exec '%1' listen %2 >> '%3'\"\n")
                    .arg(QStringLiteral(QZCTL_PATH), listenArguments, outputPath(targets, key));
    }
    file.write(text.toUtf8());
}

} // namespace

/*!
    What the QML tests reach as "device": qzctl, and what the started targets received.
*/
class Device : public QObject
{
    Q_OBJECT
public:
    Device(DeviceProcesses *processes, const QString &targets)
        : m_processes(processes)
        , m_targets(targets)
    {}

    /*! Runs qzctl to its end: {code, output}. */
    Q_INVOKABLE QVariantMap ctl(const QStringList &arguments)
    {
        const auto [output, code] = m_processes->ctl(arguments);
        return {{QStringLiteral("code"), code}, {QStringLiteral("output"), output}};
    }
    /*! Starts qzctl and returns at once; the number to ask output() with. */
    Q_INVOKABLE int startCtl(const QStringList &arguments)
    {
        const int number = int(m_outputs.size());
        m_outputs.append(QByteArray());
        auto *ctl = new QProcess(this);
        const auto take = [this, ctl, number] {
            m_outputs[number] += ctl->readAllStandardOutput();
        };
        connect(ctl, &QProcess::readyReadStandardOutput, this, take);
        connect(ctl, &QProcess::finished, this, [take, ctl] {
            take();
            ctl->deleteLater();
        });
        m_processes->startCtl(*ctl, arguments);
        return number;
    }
    /*! What the qzctl process \a number of startCtl() printed so far. */
    Q_INVOKABLE QString output(int number) const
    {
        return QString::fromUtf8(m_outputs.value(number));
    }
    /*! What all the qzctl processes of startCtl() printed so far. */
    Q_INVOKABLE QString startedOutput() const { return QString::fromUtf8(m_outputs.join()); }
    /*! What the started target \a key printed so far. */
    Q_INVOKABLE QString received(const QString &key) const
    {
        QFile file(outputPath(m_targets, key));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    DeviceProcesses *m_processes;
    QString m_targets;
    QList<QByteArray> m_outputs;
};

class Setup : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void applicationAvailable()
    {
        require(m_files.isValid(), "temporary folder");
        const QString script = m_files.filePath(QStringLiteral("dialogs.json"));
        QFile scriptFile(script);
        require(scriptFile.open(QIODevice::WriteOnly), "dialog script");
        scriptFile.write(dialogScript);
        scriptFile.close();

        const QString targets = m_files.filePath(QStringLiteral("targets"));
        require(QDir().mkpath(targets), "targets folder");
        // Takes the two invocations of tst_invoke.qml that reach it.
        declare(targets, receiverKey, QStringLiteral("application"),
                QStringLiteral("label Receiver\naction qz.action.SHOW Show\n"
                               "filter actions=qz.action.SHOW;types=text/plain;\n"),
                QStringLiteral("--count 2"));
        declare(targets, viewerKey, QStringLiteral("viewer"),
                QStringLiteral("filter actions=qz.action.VIEW;types=image/*;\n"),
                QStringLiteral("--echo --timeout 5000"));
        declare(targets, selfKey, QStringLiteral("application"),
                QStringLiteral("filter actions=qz.action.PLAY;types=audio/*;\n"), QString());

        m_processes = std::make_unique<DeviceProcesses>(
            QStringList{QStringLiteral("--policy"), QStringLiteral("script"),
                        QStringLiteral("--script"), script, QStringLiteral("--targets"), targets});
        require(m_processes->isReady(), "qzppsd and qzdevice");
        // The library in this process reaches the same PPS server, as the running target
        // qml.self, which owns its filters and timers.
        qputenv("QZ_PPS_SOCKET", m_processes->filePath(QStringLiteral("pps.sock")).toUtf8());
        qputenv("QZ_NAVIGATOR_TARGET", selfKey.toUtf8());
        // The default clipboard lives in the runtime folder: this run's own.
        qputenv("XDG_RUNTIME_DIR", m_files.path().toUtf8());
        m_device = std::make_unique<Device>(m_processes.get(), targets);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("device"), m_device.get());
    }

    void cleanupTestCase()
    {
        m_device.reset();
        m_processes.reset();
    }

private:
    QTemporaryDir m_files;
    std::unique_ptr<DeviceProcesses> m_processes;
    std::unique_ptr<Device> m_device;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_qml, Setup)

#include "tst_qml.moc"
