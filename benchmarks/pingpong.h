// The baseline of the cross-process benchmarks: a plain Unix-socket ping-pong between this process
// and a forked peer, carrying as many bytes each way as the round trip it is compared with.
#ifndef QZ_BENCHMARKS_PINGPONG_H
#define QZ_BENCHMARKS_PINGPONG_H

#include <QByteArray>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

class PingPong
{
public:
    /*! Forks the peer; call it before this process starts Qt or any thread. */
    PingPong(qsizetype requestSize, qsizetype answerSize)
        : m_request(requestSize, 'q')
        , m_answer(answerSize, '\0')
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
            return;
        m_peer = fork();
        if (m_peer == 0) {
            ::close(pair[0]);
            const QByteArray answer(answerSize, 'a');
            QByteArray request(requestSize, '\0');
            while (readAll(pair[1], request.data(), size_t(request.size())) &&
                   writeAll(pair[1], answer.constData(), size_t(answer.size()))) {
            }
            _exit(0);
        }
        ::close(pair[1]);
        m_fd = pair[0];
    }
    ~PingPong()
    {
        ::close(m_fd); // the peer reads end-of-file and leaves
        if (m_peer > 0)
            waitpid(m_peer, nullptr, 0);
    }

    /*! One request out, one answer back; false when the peer is gone. */
    bool roundTrip()
    {
        return writeAll(m_fd, m_request.constData(), size_t(m_request.size())) &&
               readAll(m_fd, m_answer.data(), size_t(m_answer.size()));
    }
    qsizetype bytesPerRoundTrip() const { return m_request.size() + m_answer.size(); }

private:
    static bool writeAll(int fd, const char *data, size_t size)
    {
        while (size) {
            const ssize_t n = ::write(fd, data, size);
            if (n <= 0)
                return false;
            data += n;
            size -= size_t(n);
        }
        return true;
    }
    static bool readAll(int fd, char *data, size_t size)
    {
        while (size) {
            const ssize_t n = ::read(fd, data, size);
            if (n <= 0)
                return false;
            data += n;
            size -= size_t(n);
        }
        return true;
    }

    QByteArray m_request;
    QByteArray m_answer;
    int m_fd = -1;
    pid_t m_peer = -1;
};

#endif
