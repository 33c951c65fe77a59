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
class Recorder;

/*!
    \brief Serves PPS objects to qz::PpsObject handles.

    Objects carry an owner and mode bits, checked against the peer's credentials (SO_PEERCRED) at
    open, with no exception for root: Subscribe needs the read bit, Publish, Create and
    DeleteContents the write bit. An object a client creates gets the client as owner and the mode
    the client asked for (0666 when it asked for none). A subscriber's open is answered only after
    the object's content has been queued for it, so its first read finds that content.

    A control object opened "?server" (with Publish and Create) exists only while its server
    holds it and keeps no state; an existing ordinary object cannot be served, and a served one
    cannot be served twice. A client's write reaches only the server, headed "@name.<client-id>";
    lines of it that would read as a header or a notice are dropped, so the notices
    "+@name.<client-id>" (a client opened it) and "-@name.<client-id>" (it went) come from the
    server alone. A server write headed "@name.<client-id>" reaches only that client, headed
    "@name" (or no header) every client. When the server goes, the object goes with it and its
    clients get an error.

    Directories reserved with reserve() can have objects created or served in them only by their
    owner, so a service's names cannot be taken before the service starts.

    Limits (see qz::PpsObject): a message of MaxMessageSize, a path of MaxPathSize, a path
    component or attribute name of MaxNameSize, an object of MaxObjectSize bytes; a client that
    passes one gets an error and is disconnected. A client is also disconnected once more than
    maxQueuedBytes() wait for it behind the frame it is receiving: one large answer never counts
    against it, a reader that falls a whole queue behind does; it gets an error before the close.

    When the process runs out of file descriptors, new connections wait in the listen queue
    (logged once) until a client leaves or a retry succeeds; the server keeps serving the others.
*/
class QZPLATFORM_EXPORT Server
{
public:
    Server();
    ~Server();

    /*!
        Binds and listens on \a socketPath with socketMode(), creating its directory (mode 0700)
        when missing and replacing a stale socket. Refuses a directory that is not this user's
        or that others may write, since whoever controls it can replace the socket.
    */
    bool listen(const QString &socketPath, QString *error = nullptr);
    /*! The mode bits of the socket listen() makes, whatever the umask (default 0600: only this
        user, and root, can connect). Set before listen(). */
    mode_t socketMode() const;
    void setSocketMode(mode_t mode);
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
    /*! Gives \a directory ("/pps/services/phone/private/calls") an owner and mode bits: listing
        it (".all") then needs the read bit. A client does the same by opening its ".all" with
        Create and a creation mode. Safe from any thread. */
    bool setDirectoryAccess(const QByteArray &directory, uid_t uid, gid_t gid, mode_t mode);
    /*! Lets only clients running as \a uid create or serve objects at or below \a directory
        ("/pps/services"). Safe from any thread. */
    bool reserve(const QByteArray &directory, uid_t uid);

    qsizetype maxQueuedBytes() const;
    void setMaxQueuedBytes(qsizetype bytes);

    /*!
        Lets a client on a shared connection and the server of the control object it opens talk
        over a link of their own (a socket pair, one end passed to each), so that requests and
        answers skip this process; on by default. Opens, access checks and client ids stay here,
        and the ends keep every rule of the routing here (see ppsrouting.h): the server's end
        makes the arrival and departure notices and heads what the client writes. Not while a
        recorder is attached, which must see every message; links made before it stay. Safe from
        any thread.
    */
    void setDirectLinks(bool enabled);

    /*! Hands every write a client makes (to an object it may write) to \a recorder, not owned,
        before the server applies or routes it; null stops. Safe from any thread. */
    void setRecorder(Recorder *recorder);

    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

private:
    std::unique_ptr<ServerPrivate> d;
};

} // namespace qz::pps

#endif
