#include "serviceask.h"

#include <qz/PpsObject>

#include <QEventLoop>
#include <QTimer>

std::optional<QVariantMap> askService(const QString &controlPath, const QString &msg,
                                      const QVariantMap &dat, int timeoutMs, QString *problem)
{
    qz::PpsObject control{controlPath};
    if (!control.open(qz::PpsOpenMode::PublishSubscribe)) {
        *problem = QStringLiteral("cannot reach %1: %2").arg(controlPath, control.errorString());
        return std::nullopt;
    }
    const QString id = QStringLiteral("qzctl");
    std::optional<QVariantMap> answer;
    QEventLoop loop;
    QObject::connect(&control, &qz::PpsObject::readyRead, &loop, [&] {
        bool ok = false;
        const QByteArray text = control.read(&ok);
        if (!ok) {
            loop.quit();
            return;
        }
        QVariantMap message = qz::PpsObject::decode(text, &ok);
        if (message.size() == 1 && message.firstKey().startsWith(u'@'))
            message = message.first().toMap();
        if (ok && message.value(QStringLiteral("res")).toString() == msg) {
            answer = message;
            loop.quit();
        }
    });
    if (control.writeMessage(msg, id, dat) != 0) {
        *problem = QStringLiteral("cannot write to %1: %2").arg(controlPath, control.errorString());
        return std::nullopt;
    }
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (!answer)
        *problem = QStringLiteral("no answer from %1").arg(controlPath);
    return answer;
}
