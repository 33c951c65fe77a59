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
    /*! Starts both; qzdevice keeps its data in this fixture's folder unless \a deviceArguments
        name one. */
    explicit DeviceProcesses(const QStringList &deviceArguments)
        : m_deviceArguments(deviceArguments)
    {
        if (!m_deviceArguments.contains(QStringLiteral("--data")))
            m_deviceArguments << QStringLiteral("--data") << filePath(QStringLiteral("data"));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("QZ_PPS_SOCKET"), filePath(QStringLiteral("pps.sock")));
        m_environment.remove(QStringLiteral("QZ_NAVIGATOR_TARGET"));
        prepare(m_ppsd);
        m_ppsd.start(QStringLiteral(QZPPSD_PATH), {});
        m_ready = waitForLine(m_ppsd, "serving on") && startDevice();
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
    void prepare(QProcess &process)
    {
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setReadChannel(QProcess::StandardError); // both announce readiness there
    }
    bool startDevice()
    {
        prepare(m_device);
        m_device.start(QStringLiteral(QZDEVICE_PATH), m_deviceArguments);
        return waitForLine(m_device, "all services ready");
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
    QStringList m_deviceArguments;
    QProcessEnvironment m_environment;
    QProcess m_ppsd;
    QProcess m_device;
    QByteArray m_log;
    QString m_ctlErrors;
    bool m_ready = false;
};

#endif
