#include "scriptedpeer.h"

#include <QTest>

ScriptedPeer::ScriptedPeer(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_name(path.mid(path.lastIndexOf(u'/') + 1))
    , m_object(path + QStringLiteral("?server"))
{
    connect(&m_object, &qz::PpsObject::readyRead, this, &ScriptedPeer::onReadyRead);
}

bool ScriptedPeer::open()
{
    if (!m_object.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create)) {
        qWarning("ScriptedPeer: cannot serve %s: %s", qPrintable(m_path),
                 qPrintable(m_object.errorString()));
        return false;
    }
    return true;
}

void ScriptedPeer::close()
{
    m_object.close();
}

bool ScriptedPeer::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_requests.size() >= count; }, timeoutMs);
}

bool ScriptedPeer::reply(int clientId, const QVariantMap &message)
{
    bool ok = false;
    const QByteArray text = qz::PpsObject::encode(message, &ok);
    return ok && replyRaw(clientId, text);
}

bool ScriptedPeer::replyRaw(int clientId, const QByteArray &text)
{
    QByteArray header = '@' + m_name.toUtf8();
    if (clientId)
        header += '.' + QByteArray::number(clientId);
    return m_object.write(header + '\n' + text);
}

void ScriptedPeer::onReadyRead()
{
    bool ok = false;
    const QByteArray text = m_object.read(&ok);
    if (!ok)
        return;
    const qz::PpsAttributeMap decoded = qz::PpsObject::decodeWithFlags(text, &ok);
    if (!ok) {
        qWarning("ScriptedPeer: undecodable request: %s", text.constData());
        return;
    }
    const QString prefix = u'@' + m_name + u'.';
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        // "+@name.id" and "-@name.id" only say that a client came or went.
        if (!it.key().startsWith(prefix) || it.value().flags())
            continue;
        Request request;
        request.clientId = it.key().mid(prefix.size()).toInt();
        request.message = it.value().toVariant().toMap();
        m_requests.append(request);
        Q_EMIT requestReceived(request);
        if (m_responder) {
            if (const auto answer = m_responder(request))
                reply(request.clientId, *answer);
        }
    }
}
