#ifndef QZ_SYSTEM_CONTEXTCOLLECTOR_H
#define QZ_SYSTEM_CONTEXTCOLLECTOR_H

#include <qz/system/contextactivitystate.h>
#include <qz/system/contextevent.h>

#include <QObject>

#include <memory>

namespace qz::system {

class ContextCollectorPrivate;

/*!
    \class qz::system::ContextCollector
    \brief Reports application usage events to the device's context collector.

    A collector is valid while both the application name and version are set and the collector
    accepted them; every change of either starts reporting again. Events sent by an invalid
    collector are dropped silently. Each send takes the attributes of the given event (none when
    it is null) in their order; sending leaves the event as it was.
*/
class QZSYSTEM_EXPORT ContextCollector : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString applicationName READ applicationName WRITE setApplicationName RESET
                   resetApplicationName NOTIFY applicationNameChanged FINAL)
    Q_PROPERTY(QString applicationVersion READ applicationVersion WRITE setApplicationVersion RESET
                   resetApplicationVersion NOTIFY applicationVersionChanged FINAL)
public:
    explicit ContextCollector(QObject *parent = nullptr);
    ContextCollector(const QString &applicationName, const QString &applicationVersion,
                     QObject *parent = nullptr);
    ~ContextCollector() override;

    QString applicationName() const;
    QString applicationVersion() const;

    Q_INVOKABLE void sendCustomEvent(const QString &eventName,
                                     qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendApplicationError(const QString &errorMessage,
                                          qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendSearchEvent(const QString &searchString,
                                     qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendActivity(const QString &activityName,
                                  qz::system::ContextActivityState::Type state,
                                  qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendButtonClick(qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendContentView(qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendAdClick(const QString &adName, qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendConversionEvent(const QString &conversionName,
                                         qz::system::ContextEvent *event = nullptr);
    Q_INVOKABLE void sendCorporateLiableEvent(const QString &eventName,
                                              qz::system::ContextEvent *event = nullptr);

public Q_SLOTS:
    void setApplicationName(const QString &applicationName);
    void setApplicationVersion(const QString &applicationVersion);
    void resetApplicationName();
    void resetApplicationVersion();
    /*! Whether the collector accepted the name and version. */
    bool isValid() const;
    /*! Whether the device collects events at all. */
    bool isEnabled() const;

Q_SIGNALS:
    void applicationNameChanged(const QString &applicationName);
    void applicationVersionChanged(const QString &applicationVersion);

protected:
    /*! For script callers: a state outside 0 to 2 is refused with a warning. */
    Q_INVOKABLE void sendActivity(const QString &activityName, int state,
                                  qz::system::ContextEvent *event = nullptr);

private:
    std::unique_ptr<ContextCollectorPrivate> const d;
    Q_DISABLE_COPY(ContextCollector)
};

} // namespace qz::system

#endif
