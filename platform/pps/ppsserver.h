/*
 * The PPS server core: an in-memory tree of objects served over a Unix domain socket. A plain
 * class so that tests can run it on a thread of their own; qzppsd is a thin main around it.
 */
#ifndef PPS_PPSSERVER_H
#define PPS_PPSSERVER_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QString>

#include <memory>
#include <sys/types.h>

namespace qz::pps {

class ServerPrivate;

/*!
    \brief Serves PPS objects to qz::PpsObject handles.

    Objects carry an owner and mode bits, checked against the peer's credentials (SO_PEERCRED) at
    open, with no exception for root: Subscribe needs the read bit, Publish, Create and
    DeleteContents the write bit. Objects a client creates get the client as owner and mode 0666.

    A control object opened "?server" keeps no state: a client's write reaches only the server,
    headed "@name.<client-id>"; the server sees "+@name.<client-id>" when a client opens it and
    "-@name.<client-id>" when the client goes. A server write headed "@name.<client-id>" reaches
    only that client, headed "@name" (or no header) every client.

    A client whose unsent data passes maxQueuedBytes() is disconnected, so one stalled reader never
    holds the server or the others up.
*/
class QZPLATFORM_EXPORT Server
{
public:
    Server();
    ~Server();

    /*! Binds and listens on \a socketPath, creating its directory (mode 0700) when missing and
        replacing a stale socket. */
    bool listen(const QString &socketPath, QString *error = nullptr);
    QString socketPath() const;

    /*! Serves until stop(). */
    void run();
    /*! Handles whatever is ready, waiting at most \a timeoutMs for it (-1: until something is),
        then returns. run() is this in a loop; tests and fuzzers drive the server with it. */
    void processEvents(int timeoutMs);
    /*! Serves \a fd, a connected stream socket whose other end is a client, as if accepted from a
        peer with credentials \a uid and \a gid; takes ownership of \a fd. Lets tests and fuzzers
        speak as several users from one process. */
    bool adoptConnection(int fd, uid_t uid, gid_t gid);
    /*! Serves on a thread of its own until stop() or destruction. */
    bool start();
    /*! Makes run() return; safe from any thread and from a signal handler. */
    void stop();

    /*! Creates \a path when missing and sets its owner and mode bits. Safe from any thread. */
    bool setAccess(const QByteArray &path, uid_t uid, gid_t gid, mode_t mode);

    qsizetype maxQueuedBytes() const;
    void setMaxQueuedBytes(qsizetype bytes);

    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

private:
    std::unique_ptr<ServerPrivate> d;
};

} // namespace qz::pps

#endif
