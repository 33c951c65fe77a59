#include "ppspath.h"

#include <qz/ppsobject.h>

#include <QList>

namespace qz::pps {

QByteArray Path::name() const
{
    return object.mid(object.lastIndexOf('/') + 1);
}

QByteArray Path::parent() const
{
    return object.left(object.lastIndexOf('/'));
}

bool Path::parse(const QByteArray &text, Path *path, QString *error)
{
    auto fail = [&](const QString &why) {
        *error = why;
        return false;
    };
    if (text.size() > PpsObject::MaxPathSize)
        return fail(
            QStringLiteral("PPS path exceeds the limit of %1 bytes").arg(PpsObject::MaxPathSize));
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return fail(QStringLiteral("PPS path holds a control character"));
    }
    Path result;
    const qsizetype question = text.indexOf('?');
    QByteArray body = question < 0 ? text : text.left(question);
    if (question >= 0) {
        const QByteArray options = text.mid(question + 1);
        for (const QByteArray &option : options.split(',')) {
            for (const QByteArray &word : option.split('?')) {
                if (word == "delta")
                    result.delta = true;
                else if (word == "wait")
                    result.wait = true;
                else if (word == "server")
                    result.server = true;
                else
                    return fail(QStringLiteral("Unknown PPS path option \"%1\"")
                                    .arg(QString::fromUtf8(word)));
            }
        }
    }
    if (!body.startsWith("/pps/") && body != "/pps")
        return fail(
            QStringLiteral("PPS path \"%1\" is not under /pps/").arg(QString::fromUtf8(body)));
    const QList<QByteArray> components = body.split('/');
    for (qsizetype i = 1; i < components.size(); ++i) {
        const QByteArray &c = components.at(i);
        if (c.isEmpty() || c == "." || c == "..")
            return fail(QStringLiteral("PPS path \"%1\" has an empty, \".\" or \"..\" component")
                            .arg(QString::fromUtf8(body)));
        if (c.size() > PpsObject::MaxNameSize)
            return fail(QStringLiteral("A component of PPS path \"%1\" exceeds %2 bytes")
                            .arg(QString::fromUtf8(body))
                            .arg(PpsObject::MaxNameSize));
    }
    if (components.last() == ".all") {
        result.directory = true;
        body.chop(5);
    } else if (components.size() < 3) {
        return fail(QStringLiteral("PPS path \"%1\" names no object").arg(QString::fromUtf8(body)));
    }
    if (result.directory && result.server)
        return fail(QStringLiteral("A directory cannot be opened in server mode"));
    result.object = body;
    *path = result;
    return true;
}

} // namespace qz::pps
