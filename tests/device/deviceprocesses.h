// qzppsd and qzdevice as real processes on a private PPS server, started for one test and stopped
// with it, and qzctl run against them. Tests that include this define QZPPSD_PATH, QZDEVICE_PATH
// and QZCTL_PATH.
#ifndef QZ_TESTS_DEVICEPROCESSES_H
#define QZ_TESTS_DEVICEPROCESSES_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

class DeviceProcesses
{
public:
    /*! Starts both, qzppsd with \a ppsdArguments; qzdevice keeps its data in this fixture's folder
        unless \a deviceArguments name one. */
    explicit DeviceProcesses(const QStringList &deviceArguments,
                             const QStringList &ppsdArguments = {})
        : m_deviceProgram(QStringLiteral(QZDEVICE_PATH))
        , m_deviceArguments(deviceArguments)
        , m_deviceReadyText("all services ready")
    {
        if (!m_deviceArguments.contains(QStringLiteral("--data")))
            m_deviceArguments << QStringLiteral("--data") << filePath(QStringLiteral("data"));
        start(ppsdArguments);
    }
    /*! Starts qzppsd with \a ppsdArguments and, in qzdevice's place, \a program with \a arguments,
        ready once it says \a readyText on its standard error. */
    DeviceProcesses(const QStringList &ppsdArguments, const QString &program,
                    const QStringList &arguments, const char *readyText)
        : m_deviceProgram(program)
        , m_deviceArguments(arguments)
        , m_deviceReadyText(readyText)
    {
        start(ppsdArguments);
    }
    ~DeviceProcesses()
    {
        for (QProcess *process : {&m_device, &m_ppsd}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    bool isReady() const { return m_ready; }
    /*! Kills qzdevice as a crash would; the PPS server stays. */
    void killDevice()
    {
        m_device.kill();
        m_device.waitForFinished(5000);
    }
    /*! Ends qzdevice and starts it again with the same arguments. */
    bool restartDevice()
    {
        m_device.terminate();
        m_device.waitForFinished(5000);
        m_log.clear();
        return startDevice();
    }
    QString deviceLog() { return QString::fromUtf8(m_log += m_device.readAllStandardError()); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    /*! The device's file tree ("/accounts/1000/..."), this fixture's own. */
    QString deviceRoot() const { return filePath(QStringLiteral("root")); }
    QProcessEnvironment environment() const { return m_environment; }

    /*! Starts qzctl on this device's PPS server, with \a extra environment variables. */
    void startCtl(QProcess &ctl, const QStringList &arguments,
                  const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment environment = m_environment;
        for (const QString &name : extra.keys())
            environment.insert(name, extra.value(name));
        ctl.setProcessEnvironment(environment);
        ctl.start(QStringLiteral(QZCTL_PATH), arguments);
    }
    /*! Runs qzctl to its end; its standard output and exit code. */
    std::pair<QString, int> ctl(const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcess ctl;
        startCtl(ctl, arguments, extra);
        if (!ctl.waitForFinished(30000))
            return {QStringLiteral("qzctl did not finish"), -1};
        m_ctlErrors = QString::fromUtf8(ctl.readAllStandardError());
        return {QString::fromUtf8(ctl.readAllStandardOutput()), ctl.exitCode()};
    }
    /*! What the last ctl() printed on its standard error, for failure messages. */
    QString ctlErrors() const { return m_ctlErrors; }

private:
    void start(const QStringList &ppsdArguments)
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("QZ_PPS_SOCKET"), filePath(QStringLiteral("pps.sock")));
        // qzdevice makes the device's file tree there, and qzctl's applications share from it.
        m_environment.insert(QStringLiteral("QZ_DEVICE_ROOT"), deviceRoot());
        m_environment.remove(QStringLiteral("QZ_NAVIGATOR_TARGET"));
        prepare(m_ppsd);
        m_ppsd.start(QStringLiteral(QZPPSD_PATH), ppsdArguments);
        m_ready = waitForLine(m_ppsd, "serving on") && startDevice();
    }
    void prepare(QProcess &process)
    {
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setReadChannel(QProcess::StandardError); // both announce readiness there
    }
    bool startDevice()
    {
        prepare(m_device);
        m_device.start(m_deviceProgram, m_deviceArguments);
        return waitForLine(m_device, m_deviceReadyText);
    }
    bool waitForLine(QProcess &process, const char *text)
    {
        QByteArray seen;
        while (!seen.contains(text)) {
            if (!process.waitForReadyRead(10000)) {
                qWarning("%s never said \"%s\": %s", qPrintable(process.program()), text,
                         seen.constData());
                return false;
            }
            seen += process.readAllStandardError();
        }
        if (&process == &m_device)
            m_log = seen;
        return true;
    }

    QTemporaryDir m_dir;
    QString m_deviceProgram;
    QStringList m_deviceArguments;
    const char *m_deviceReadyText;
    QProcessEnvironment m_environment;
    QProcess m_ppsd;
    QProcess m_device;
    QByteArray m_log;
    QString m_ctlErrors;
    bool m_ready = false;
};

#endif
