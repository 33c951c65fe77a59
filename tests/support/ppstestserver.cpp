#include "ppstestserver.h"

#include <QtGlobal>

PpsTestServer::PpsTestServer()
    : m_previousSocket(qgetenv("QZ_PPS_SOCKET"))
{
    QString error;
    m_running = m_dir.isValid() && m_server.listen(socketPath(), &error) && m_server.start();
    if (!m_running)
        qWarning("PpsTestServer: %s", qPrintable(error));
    qputenv("QZ_PPS_SOCKET", socketPath().toLocal8Bit());
}

PpsTestServer::~PpsTestServer()
{
    m_server.stop();
    if (m_previousSocket.isEmpty())
        qunsetenv("QZ_PPS_SOCKET");
    else
        qputenv("QZ_PPS_SOCKET", m_previousSocket);
}

QString PpsTestServer::socketPath() const
{
    return m_dir.filePath(QStringLiteral("pps.sock"));
}
