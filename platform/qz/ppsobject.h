#ifndef QZ_PPSOBJECT_H
#define QZ_PPSOBJECT_H

#include <qz/ppsattribute.h>
#include <qz/ppsopenmode.h>
#include <qz/qzplatform_export.h>

#include <QObject>
#include <QVariantMap>
#include <memory>
#include <sys/types.h>

namespace qz {

class PpsObjectPrivate;

/*!
    \class qz::PpsObject
    \brief A client handle on one PPS object (or directory) of the PPS server.

    The path is absolute under "/pps/", optionally followed by suffixes: a final ".all" component
    opens a directory, "?delta" makes every read return only what changed since the previous read,
    "?wait" makes reads block, "?server" opens a control object in server mode. Suffixes combine
    ("/pps/dir/.all?delta"). Paths with empty, "." or ".." components, NUL or control characters are
    refused.

    The server is reached through the Unix socket named by $QZ_PPS_SOCKET, else
    $XDG_RUNTIME_DIR/qz/pps.sock, else /tmp/qz-<uid>/pps.sock. No server reachable means open()
    fails with ECONNREFUSED or ENOENT.

    readyRead() is emitted on the event loop of the thread that opened the object, once for each
    change that arrives and has not been read yet, and once more when the handle is lost; a
    thread without an event dispatcher gets no signal but can read, blocking. A handle never
    receives the changes it wrote itself.

    All handles of one thread share one connection to the server, made by the first open() and
    kept for the thread's lifetime (a lost one is replaced by the next open()), so an open costs
    a request and its answer, not a connect. A handle is used on the thread that opened it. The
    handles stay independent: closing one, or one that fails, leaves the others open; a handle
    that leaves more than MaxUnreadSize bytes unread behind its oldest change is closed with
    ENOBUFS, as the server closes a connection whose thread stops reading altogether.

    open() connects only to a server running as this user or as root, so a socket planted by
    someone else is not trusted with what this process writes.

    Limits, enforced by both ends: a message of MaxMessageSize bytes, a path (suffixes included)
    of MaxPathSize bytes, a path component or attribute name of MaxNameSize bytes, an object's
    content of MaxObjectSize bytes. A write past one fails; the server disconnects a client that
    sends one anyway.

    All failures are reported through the return value, error() (an errno number) and
    errorString(); nothing throws.
*/
class QZPLATFORM_EXPORT PpsObject : public QObject
{
    Q_OBJECT
public:
    /*! The largest message a handle may write or receive. */
    static constexpr qsizetype MaxMessageSize = 1024 * 1024;
    /*! The longest path, suffixes included. */
    static constexpr qsizetype MaxPathSize = 1024;
    /*! The longest path component or attribute name. */
    static constexpr qsizetype MaxNameSize = 255;
    /*! The most an object's attributes may hold, as text. */
    static constexpr qsizetype MaxObjectSize = 16 * 1024 * 1024;
    /*! The most a handle may leave unread behind its oldest unread change. */
    static constexpr qsizetype MaxUnreadSize = 8 * 1024 * 1024;

    explicit PpsObject(const QString &path, QObject *parent = nullptr);
    ~PpsObject() override;

    QString path() const;

    bool open(PpsOpenMode::Types mode = PpsOpenMode::PublishSubscribe);
    /*! The mode bits (0777 at most) that an object created by the next open() gets; by default
        0666. Lets a service keep its objects to itself or its group. */
    void setCreationMode(mode_t mode);
    mode_t creationMode() const;
    bool isOpen() const;
    void close();

    /*! Returns the next pending change; with \a ok false (and an empty result) when none could be
        read. Blocks for the next change when the object is blocking. */
    QByteArray read(bool *ok = nullptr);
    bool write(const QByteArray &data);
    /*! Writes "msg", "id" and "dat" as one message. Returns 0 on success, else an errno number. */
    int writeMessage(const QString &msg, const QString &id, const QVariantMap &dat);
    /*! Writes the map as one message; see encode(). Returns 0 on success, else an errno number. */
    int writeMessage(const QVariantMap &message);

    /*! Removes the object from the server (a stand-in extension: subscribers of its directory see
        "-@name"). */
    bool remove();

    bool isBlocking() const;
    void setBlocking(bool blocking);
    bool isReadyReadEnabled() const;
    void setReadyReadEnabled(bool enabled);

    int error() const;
    QString errorString() const;

    static QByteArray encode(const QVariantMap &map, bool *ok = nullptr);
    static QVariantMap decode(const QByteArray &text, bool *ok = nullptr);
    static PpsAttributeMap decodeWithFlags(const QByteArray &text, bool *ok = nullptr);

Q_SIGNALS:
    void readyRead();

private:
    std::unique_ptr<PpsObjectPrivate> const d;
};

} // namespace qz

#endif
