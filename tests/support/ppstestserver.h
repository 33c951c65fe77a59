// A PPS server embedded on a thread of the test, on a socket of its own; QZ_PPS_SOCKET points at
// it for as long as the fixture lives.
#ifndef QZ_TESTS_PPSTESTSERVER_H
#define QZ_TESTS_PPSTESTSERVER_H

#include <pps/ppsserver.h>

#include <QTemporaryDir>

class PpsTestServer
{
public:
    PpsTestServer();
    ~PpsTestServer();

    bool isRunning() const { return m_running; }
    QString socketPath() const;
    qz::pps::Server &server() { return m_server; }

private:
    QTemporaryDir m_dir;
    qz::pps::Server m_server;
    QByteArray m_previousSocket;
    bool m_running = false;
};

#endif
