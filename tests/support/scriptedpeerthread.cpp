#include "scriptedpeerthread.h"

ScriptedPeerThread::ScriptedPeerThread(const QString &path, Handler handler)
    : m_path(path)
    , m_handler(std::move(handler))
{}

ScriptedPeerThread::~ScriptedPeerThread()
{
    quit();
    wait();
}

bool ScriptedPeerThread::begin()
{
    start();
    m_ready.acquire();
    return m_opened;
}

QList<QVariantMap> ScriptedPeerThread::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void ScriptedPeerThread::run()
{
    ScriptedPeer peer(m_path);
    QObject::connect(&peer, &ScriptedPeer::requestReceived, &peer,
                     [this, &peer](const ScriptedPeer::Request &request) {
                         {
                             QMutexLocker lock(&m_mutex);
                             m_requests << request.message;
                         }
                         if (!m_handler(peer, request))
                             quit();
                     });
    m_opened = peer.open();
    m_ready.release();
    if (m_opened)
        exec();
}
