// Serves one PPS control object in server mode: every client's write arrives headed with the
// client's id, and an answer goes to that client alone. Services build on this instead of
// reading the server-mode framing themselves.
#ifndef QZDEVICE_CONTROLOBJECTSERVER_H
#define QZDEVICE_CONTROLOBJECTSERVER_H

#include <QObject>
#include <QVariantMap>

#include <memory>
#include <sys/types.h>

class ControlObjectServerPrivate;

class ControlObjectServer : public QObject
{
    Q_OBJECT
public:
    /*! \a path is the object's path without suffix ("/pps/services/dialog/control"). */
    explicit ControlObjectServer(const QString &path, QObject *parent = nullptr);
    ~ControlObjectServer() override;

    QString path() const;
    /*! The object's name, the last path component ("control"). */
    QString name() const;

    /*! The mode bits the object is served with (default 0666); set before open(). */
    void setCreationMode(mode_t mode);
    /*! Takes the object in server mode, creating it when missing. */
    bool open(QString *error);
    /*! Sends \a message to one client. */
    bool reply(int clientId, const QVariantMap &message);
    /*! Sends \a message to every client. */
    bool broadcast(const QVariantMap &message);

Q_SIGNALS:
    void clientArrived(int clientId);
    void clientLeft(int clientId);
    void requestReceived(int clientId, const QVariantMap &message);
    /*! A write that is not PPS text; \a clientId is 0 when not even its header could be read. */
    void unreadableRequest(int clientId, const QByteArray &text);
    /*! The PPS server went away; nothing more will arrive. */
    void lost(const QString &reason);

private:
    std::unique_ptr<ControlObjectServerPrivate> const d;
};

#endif
