// A client that speaks the PPS socket protocol by hand, to send what qz::PpsObject never would and
// to stop reading when a test says so. It can connect through the socket or be handed to the
// server directly as a peer of any uid/gid.
#ifndef QZ_TESTS_RAWPPSCLIENT_H
#define QZ_TESTS_RAWPPSCLIENT_H

#include <pps/ppsprotocol.h>

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace qz::pps {
class Server;
}

class RawPpsClient
{
public:
    /*! Connects to the server listening on \a socketPath. */
    explicit RawPpsClient(const QString &socketPath);
    /*! Served by \a server as a peer running as \a uid and \a gid. */
    RawPpsClient(qz::pps::Server &server, uid_t uid, gid_t gid);
    ~RawPpsClient();

    bool isConnected() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    /*! Sends one frame; the server may hang up part-way, which some tests provoke. */
    void send(char type, const QByteArray &payload);
    /*! Opens \a path with PpsOpenMode flags \a mode, and mode bits \a createMode for an object
        the open creates (-1: the server's default). */
    void sendOpen(int mode, const QByteArray &path, int createMode = -1);
    /*! The next frame, or one of type 0 at end of stream or after the time-out. */
    qz::pps::Frame next(int timeoutMs = 3000);
    /*! The errno of the next answer, else -1; data frames before it (the content that a
        subscriber's open brings) are dropped. */
    int answerCode(int timeoutMs = 3000);
    /*! Opens, and returns the answer's errno. */
    int open(int mode, const QByteArray &path, int createMode = -1);
    /*! Waits until the server has handled everything this client sent so far: a second open is
        answered in order (EISCONN, or ENOENT when nothing is open). Drops data read meanwhile. */
    bool sync();
    /*! Whether the server closed its end (without reading what it sent). */
    bool isHungUp(int timeoutMs = 0) const;

    RawPpsClient(const RawPpsClient &) = delete;
    RawPpsClient &operator=(const RawPpsClient &) = delete;

private:
    int m_fd = -1;
    QByteArray m_buffer;
};

#endif
