#ifndef QZ_SYSTEM_LOCALEHANDLER_H
#define QZ_SYSTEM_LOCALEHANDLER_H

#include <qz/system/localetype.h>
#include <qz/system/measurementsystem.h>

#include <QLocale>
#include <QObject>

namespace qz::system {

class LocaleHandlerPrivate;

/*!
    \class qz::system::LocaleHandler
    \brief The device's messages language or region locale, and its measurement system, with
    signals when the user changes them.

    All handlers of a process share one subscription to the locale service, made when the first
    handler is created. Until the service has published a value, and for good when it cannot be
    reached at that moment, locale() is the "C" locale and measurementSystem() Metric.
    A Messages handler emits changed() when the messages language changes, a Region handler when
    the region locale does; every handler emits both measurementSystemChanged() signals, the
    enumeration first, on each change of the measurement system.
*/
class QZSYSTEM_EXPORT LocaleHandler : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QLocale locale READ locale NOTIFY changed FINAL)
    Q_PROPERTY(QString forceUpdateOnChange READ forceUpdateOnChange NOTIFY changed FINAL)
    Q_PROPERTY(qz::system::MeasurementSystem::Type measurementSystem READ measurementSystem NOTIFY
                   measurementSystemChanged FINAL)
public:
    explicit LocaleHandler(LocaleType::Type type, QObject *parent = nullptr);
    ~LocaleHandler() override;

    /*! The messages language for Messages, the region locale for Region, else the "C" locale. */
    QLocale locale() const;
    QLocale locale();
    MeasurementSystem::Type measurementSystem() const;
    /*! Always empty: a binding that mentions it is evaluated again on every changed(). */
    QString forceUpdateOnChange() const;

Q_SIGNALS:
    void changed();
    void measurementSystemChanged(qz::system::MeasurementSystem::Type measurementSystem);
    void measurementSystemChanged(int measurementSystem);

private:
    friend class LocaleHandlerPrivate;
    LocaleHandlerPrivate *const d;
    Q_DISABLE_COPY(LocaleHandler)
};

} // namespace qz::system

#endif
