// A scripted service: serves one control object in server mode, records every request it receives
// (decoded) and answers as the test says, either from a responder or by explicit reply().
#ifndef QZ_TESTS_SCRIPTEDPEER_H
#define QZ_TESTS_SCRIPTEDPEER_H

#include <qz/PpsObject>

#include <QList>
#include <QObject>
#include <QVariantMap>

#include <functional>
#include <optional>

class ScriptedPeer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        int clientId = 0;
        QVariantMap message;
    };
    /*! Given a request, the answer to send back to its client, or nothing. */
    using Responder = std::function<std::optional<QVariantMap>(const Request &)>;

    explicit ScriptedPeer(const QString &path, QObject *parent = nullptr);

    bool open();
    void close();
    QString objectName() const { return m_name; }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    QList<Request> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    /*! Spins the event loop until \a count requests have arrived in all. */
    bool waitForRequests(int count, int timeoutMs = 5000);

    /*! Answers one client ("@name.<id>"), or every client when \a clientId is 0. */
    bool reply(int clientId, const QVariantMap &message);
    bool replyRaw(int clientId, const QByteArray &text);

Q_SIGNALS:
    void requestReceived(const ScriptedPeer::Request &request);

private:
    void onReadyRead();

    QString m_path;
    QString m_name;
    qz::PpsObject m_object;
    QList<Request> m_requests;
    Responder m_responder;
};

#endif
