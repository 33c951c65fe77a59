// The QML module in a real QML engine, against qzppsd and qzdevice started for the run: the
// dialog service answers by the script below, the navigator starts the declared target.
#include "../device/deviceprocesses.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <memory>

namespace {

// The dialog titles and button labels match those of tst_dialogs.qml; the target takes the two
// invocations of tst_invoke.qml that reach it.
const char dialogScript[] = R"({"dialogs": [
    {"className": "AlertDialog", "title": "Press Later", "button": "Later", "delay": 0},
    {"className": "AlertDialog", "title": "Press Cancel", "button": "Cancel", "delay": 0},
    {"className": "AlertDialog", "title": "Press Keep", "button": "Keep", "delay": 0},
    {"className": "ToastBase", "timeout": true, "delay": 0}]})";

const QString receiverKey = QStringLiteral("qml.receiver");

// The setup runs outside any test function, where QVERIFY has nothing to fail.
void require(bool condition, const char *what)
{
    if (!condition)
        qFatal("QML test setup failed: %s", what);
}

} // namespace

/*!
    What the QML tests reach as "device": qzctl, and what the started target received.
*/
class Device : public QObject
{
    Q_OBJECT
public:
    explicit Device(DeviceProcesses *processes, const QString &receivedPath)
        : m_processes(processes)
        , m_receivedPath(receivedPath)
    {}

    /*! Runs qzctl to its end; its exit code. */
    Q_INVOKABLE int ctl(const QStringList &arguments) { return m_processes->ctl(arguments).second; }
    /*! What the invoked target printed so far. */
    Q_INVOKABLE QString received() const
    {
        QFile file(m_receivedPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    DeviceProcesses *m_processes;
    QString m_receivedPath;
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
        const QString received = m_files.filePath(QStringLiteral("received.out"));
        QFile target(targets + QStringLiteral("/receiver.target"));
        require(target.open(QIODevice::WriteOnly), "target declaration");
        target.write(QStringLiteral("key %1\ntype application\nlabel Receiver\n"
                                    "action qz.action.SHOW Show\n"
                                    "filter actions=qz.action.SHOW;types=text/plain;\n"
                                    "start /bin/sh -c \"exec '%2' listen --count 2 >> '%3'\"\n")
                         .arg(receiverKey, QStringLiteral(QZCTL_PATH), received)
                         .toUtf8());
        target.close();

        m_processes = std::make_unique<DeviceProcesses>(
            QStringList{QStringLiteral("--policy"), QStringLiteral("script"),
                        QStringLiteral("--script"), script, QStringLiteral("--targets"), targets});
        require(m_processes->isReady(), "qzppsd and qzdevice");
        // The library in this process reaches the same PPS server.
        qputenv("QZ_PPS_SOCKET", m_processes->filePath(QStringLiteral("pps.sock")).toUtf8());
        m_device = std::make_unique<Device>(m_processes.get(), received);
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
