// A scripted service on a thread of its own, for clients whose calls block their own thread
// until the service answers.
#ifndef QZ_TESTS_SCRIPTEDPEERTHREAD_H
#define QZ_TESTS_SCRIPTEDPEERTHREAD_H

#include "scriptedpeer.h"

#include <QMutex>
#include <QSemaphore>
#include <QThread>

#include <functional>

class ScriptedPeerThread : public QThread
{
public:
    /*! Called on the service's thread for each request, once it is recorded; returns false to
        make the service go away after it. */
    using Handler = std::function<bool(ScriptedPeer &peer, const ScriptedPeer::Request &request)>;

    ScriptedPeerThread(const QString &path, Handler handler);
    ~ScriptedPeerThread() override;

    /*! Starts the service; true once it serves \a path. */
    bool begin();
    /*! The requests received so far, decoded. */
    QList<QVariantMap> requests() const;

protected:
    void run() override;

private:
    const QString m_path;
    const Handler m_handler;
    mutable QMutex m_mutex;
    QList<QVariantMap> m_requests;
    QSemaphore m_ready;
    bool m_opened = false;
};

#endif
