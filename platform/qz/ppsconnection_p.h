/*
 * Not API. The connection to the PPS server that every qz::PpsObject of one thread shares: opening
 * a handle costs a frame, not a connect, and the server serves the thread's handles in the order
 * their frames arrive.
 */
#ifndef QZ_PPSCONNECTION_P_H
#define QZ_PPSCONNECTION_P_H

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace qz {

class PpsObject;
class PpsConnection;

/*!
    What the connection delivers to one handle. Its owner reads the queues; the connection fills
    them, whichever handle's wait is reading the socket at the time.
*/
struct PpsHandleState
{
    explicit PpsHandleState(PpsObject *object)
        : q(object)
    {}

    PpsObject *const q;
    std::deque<QByteArray> pending; // changes not read yet
    qsizetype pendingBytes = 0;
    std::deque<QByteArray> answers; // answers to an open or a remove
    bool lost = false;              // the server ended the handle or the connection
    bool readyReadEnabled = true;
    qsizetype unannounced = 0;    // changes that have had no readyRead() yet
    bool lossUnannounced = false; // and the loss, which readers learn of by a readyRead() too
    bool announceQueued = false;
    int error = 0;
    QString errorString;
    // A control object's server: its name, for the notices its links make, and its links.
    bool serving = false;
    QByteArray objectPath;
    QByteArray objectName;
    std::map<int, std::shared_ptr<PpsConnection>> links; // by client id
    int linkFd = -1; // a client's end of its link, as the open's answer brought it

    bool fail(int code, const QString &text)
    {
        error = code;
        errorString = text;
        return false;
    }
    void takeFront(QByteArray *data);
    /*! Emits readyRead() once for each change not read meanwhile, and once for a loss. */
    void announce();
};

class PpsConnection : public std::enable_shared_from_this<PpsConnection>
{
public:
    /*! What a connection is: the thread's link to the PPS server, or one end of a link between
        a control object's client and its server. */
    enum Role { Shared, ClientEnd, ServerEnd };

    /*!
        Takes \a fd, one end of a link, as a connection for one handle (id 1): \a state, the
        client's handle or the server's. The server's end knows the client by \a clientId and
        speaks to it only if \a subscribes.
    */
    static std::shared_ptr<PpsConnection> link(int fd, Role role, PpsHandleState *state,
                                               int clientId = 0, bool subscribes = false);
    /*! This thread's connection; a new one when there is none yet or the last was lost. */
    static std::shared_ptr<PpsConnection> forThisThread(int *error, QString *text);
    ~PpsConnection();

    /*! Gives \a state a handle id of its own on this connection. */
    uint32_t attach(PpsHandleState *state);
    /*! Forgets the handle, telling the server to close it unless it has ended already. */
    void detach(uint32_t handle, bool tellServer);
    bool send(char type, uint32_t handle, const QByteArray &payload, PpsHandleState *state);
    /*!
        Reads what has arrived for any handle of the thread, waiting at most \a timeoutMs for it
        (-1: until something does). Returns false when the wait ran out with nothing read.
    */
    bool pump(int timeoutMs);
    bool isLost() const { return m_lost; }
    int fd() const { return m_fd; }
    /*!
        Sends \a message to the link's other end (the server's end: unless the client does not
        subscribe). Never blocks, since both ends may be on one thread: what the socket cannot
        take waits here and goes as the thread's event loop or next read allows; an end that
        lets MaxUnreadSize bytes wait is dropped. False when the link is lost.
    */
    bool sendOnLink(const QByteArray &message);
    bool hasUnsent() const { return !m_out.isEmpty(); }

    PpsConnection(const PpsConnection &) = delete;
    PpsConnection &operator=(const PpsConnection &) = delete;

private:
    PpsConnection() = default;

    bool isUsable(const QString &socketPath) const;

    void onActivated();
    bool receive(int timeoutMs);
    void dispatch(char type, const QByteArray &payload);
    void deliver(uint32_t handle, QByteArray data);
    void end(uint32_t handle, PpsHandleState *state, int code, const QString &text);
    void loseAll(int code, const QString &text);
    void touch(uint32_t handle);
    void scheduleAnnouncements();
    void linkArrived(uint32_t handle, PpsHandleState *state, const QByteArray &body);
    void unlink();
    void flushOut();

    int m_fd = -1;
    QString m_socketPath;
    bool m_lost = false;
    uint32_t m_lastHandle = 0;
    QByteArray m_in;
    QHash<uint32_t, PpsHandleState *> m_handles;
    std::vector<uint32_t> m_touched; // handles with something to announce, in arrival order
    QSocketNotifier *m_notifier = nullptr;
    std::deque<int> m_fds; // descriptors received, for the 'l' frames they came with
    Role m_role = Shared;
    int m_clientId = 0;
    bool m_subscribes = false;
    PpsHandleState *m_peer = nullptr; // a link's handle
    QByteArray m_out;                 // what a server's end could not send yet
    QSocketNotifier *m_writable = nullptr;
};

} // namespace qz

#endif
