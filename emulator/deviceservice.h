// The base of every service qzdevice hosts: each serves its own PPS objects and reports when it
// can no longer go on (the PPS server went away), so the process can end with a clear message.
#ifndef QZDEVICE_DEVICESERVICE_H
#define QZDEVICE_DEVICESERVICE_H

#include <QObject>
#include <QString>

class DeviceService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /*! A short name for logs and messages ("dialog"). */
    virtual QString name() const = 0;
    /*! Opens the service's PPS objects. On failure \a error says why and nothing is served. */
    virtual bool start(QString *error) = 0;

Q_SIGNALS:
    void failed(const QString &reason);
};

#endif
