#include "ppsrouting.h"

namespace qz::pps {

QByteArray clientMessage(QByteArrayView name, int clientId, QByteArrayView text)
{
    QByteArray message;
    message.reserve(name.size() + text.size() + 16);
    message.append('@').append(name).append('.').append(QByteArray::number(clientId)).append('\n');
    forEachLine(text, [&](QByteArrayView l) {
        // A client cannot speak for another client or another object.
        const bool notice = l.size() > 1 && l.at(1) == '@' &&
                            (l.at(0) == '+' || l.at(0) == '-' || l.at(0) == '#' || l.at(0) == '*');
        if (!l.startsWith('@') && !notice)
            message.append(l).append('\n');
    });
    return message;
}

void splitServerWrite(QByteArrayView name, QByteArrayView text,
                      const std::function<void(int target, const QByteArray &lines)> &deliver)
{
    QByteArray block;
    bool toAll = true;
    int target = 0; // a client id; -2 for a block headed with another object's name
    auto flush = [&] {
        if (!block.isEmpty() && target != -2)
            deliver(toAll ? EveryClient : target, block);
        block.clear();
    };
    forEachLine(text, [&](QByteArrayView l) {
        if (l.startsWith('+') || l.startsWith('*') || l.startsWith('#') || l.startsWith("-@"))
            return;
        if (!l.startsWith('@')) {
            block.append(l).append('\n');
            return;
        }
        flush();
        const QByteArrayView header = l.sliced(1);
        toAll = header == name;
        bool ok = false;
        const bool addressed = header.size() > name.size() + 1 && header.startsWith(name) &&
                               header.at(name.size()) == '.';
        target = addressed ? header.sliced(name.size() + 1).toByteArray().toInt(&ok) : 0;
        if (!toAll && (!ok || target < 0))
            target = -2;
    });
    flush();
}

} // namespace qz::pps
