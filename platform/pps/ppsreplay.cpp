#include "ppsreplay.h"

#include "ppsprotocol.h"

#include <qz/ppsobject.h>

#include <QHash>
#include <QMap>
#include <QUuid>

#include <functional>
#include <map>
#include <vector>

namespace qz::pps {

namespace {

struct Exchange
{
    QVariantMap request;
    QList<QVariantMap> answers;
    bool answered = false; // by this replay
};

struct ServedObject
{
    std::vector<Exchange> exchanges;
    std::optional<QVariantMap> errorAnswer;
};

// A block of text, decoded; nothing when it is not PPS text.
std::optional<QVariantMap> decodeBlock(const QByteArray &text)
{
    bool ok = false;
    const QVariantMap map = PpsObject::decode(text, &ok);
    return ok ? std::optional<QVariantMap>(map) : std::nullopt;
}

// What the service read of a client's write: every line but headers and notices, as one block.
std::optional<QVariantMap> requestOf(const QByteArray &bytes)
{
    QByteArray block;
    for (const QByteArray &line : bytes.split('\n')) {
        if (!recording::isBlockLine(line))
            block.append(line).append('\n');
    }
    return decodeBlock(block);
}

// Calls f(client, block) for each block of a server's write, as the server routes them: a block
// headed "@<name>.<client>" goes to that client, one headed "@<name>" or none to all (client 0),
// one headed otherwise nowhere.
void forEachAnswer(const QByteArray &bytes, const QByteArray &name,
                   const std::function<void(int, const QByteArray &)> &f)
{
    QByteArray block;
    int target = 0;
    const QByteArray prefix = name + '.';
    auto deliver = [&] {
        if (!block.isEmpty() && target >= 0)
            f(target, block);
        block.clear();
    };
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.isEmpty() || (recording::isBlockLine(line) && !line.startsWith('@')))
            continue;
        if (!line.startsWith('@')) {
            block.append(line).append('\n');
            continue;
        }
        deliver();
        const QByteArrayView header = QByteArrayView(line).sliced(1);
        bool ok = false;
        const int client = header.startsWith(prefix) ? header.sliced(prefix.size()).toInt(&ok) : 0;
        target = header == name ? 0 : ok && client > 0 ? client : -1;
    }
    deliver();
}

bool isVolatile(const QString &key, const QVariant &value)
{
    return key == QLatin1String("id") ||
           (value.typeId() == QMetaType::QString && !QUuid::fromString(value.toString()).isNull());
}

enum class Kind { Map, List, Text, Number, Truth, Null, Other };

Kind kindOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return Kind::Map;
    case QMetaType::QVariantList:
        return Kind::List;
    case QMetaType::QString:
        return Kind::Text;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return Kind::Number;
    case QMetaType::Bool:
        return Kind::Truth;
    case QMetaType::UnknownType:
        return Kind::Null;
    default:
        return Kind::Other;
    }
}

struct Comparison
{
    bool sameShape = true;
    bool sameValues = true;
    QHash<QString, QString> substitutions; // recorded volatile text -> live text
};

void compare(const QVariant &recorded, const QVariant &live, const QString &key, Comparison &c)
{
    const Kind kind = kindOf(recorded);
    if (kind != kindOf(live)) {
        c.sameShape = false;
        return;
    }
    if (kind == Kind::Map) {
        const QVariantMap r = recorded.toMap();
        const QVariantMap l = live.toMap();
        if (r.keys() != l.keys()) {
            c.sameShape = false;
            return;
        }
        for (auto it = r.cbegin(); it != r.cend() && c.sameShape; ++it)
            compare(it.value(), l.value(it.key()), it.key(), c);
        return;
    }
    if (kind == Kind::List) {
        const QVariantList r = recorded.toList();
        const QVariantList l = live.toList();
        if (r.size() != l.size()) {
            c.sameShape = false;
            return;
        }
        for (qsizetype i = 0; i < r.size() && c.sameShape; ++i)
            compare(r.at(i), l.at(i), key, c);
        return;
    }
    if (recorded == live)
        return;
    if (!isVolatile(key, recorded) && !isVolatile(key, live))
        c.sameValues = false;
    else if (kind == Kind::Text)
        c.substitutions.insert(recorded.toString(), live.toString());
}

// The volatile texts of value that the live request replaced.
QVariant substitute(const QVariant &value, const QString &key,
                    const QHash<QString, QString> &substitutions)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = substitute(it.value(), it.key(), substitutions);
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant &element : list)
            element = substitute(element, key, substitutions);
        return list;
    }
    case QMetaType::QString: {
        const auto it = substitutions.constFind(value.toString());
        return it != substitutions.cend() && isVolatile(key, value) ? QVariant(it.value()) : value;
    }
    default:
        return value;
    }
}

bool isErrorAnswer(const QVariantMap &answer)
{
    const QString error = QStringLiteral("error");
    return answer.contains(QStringLiteral("err")) || answer.contains(QStringLiteral("errstr")) ||
           answer.value(QStringLiteral("res")).toString() == error ||
           answer.value(QStringLiteral("msg")).toString() == error;
}

// Puts why into every error text of value.
QVariant withReason(const QVariant &value, const QString &key, const QString &why)
{
    if (key == QLatin1String("errstr") || key == QLatin1String("errorText"))
        return why;
    if (value.typeId() != QMetaType::QVariantMap)
        return value;
    QVariantMap map = value.toMap();
    for (auto it = map.begin(); it != map.end(); ++it)
        it.value() = withReason(it.value(), it.key(), why);
    return map;
}

} // namespace

class ReplayScriptPrivate
{
public:
    QList<QByteArray> order;
    std::map<QByteArray, ServedObject> objects;
    // Ordinary objects: attribute name -> its line, as the server keeps them.
    QList<QByteArray> ordinaryOrder;
    QHash<QByteArray, QMap<QByteArray, QByteArray>> ordinary;

    void write(const Record &record);

    void add(const Record &record, QHash<QByteArray, QHash<int, size_t>> &current);
};

void ReplayScriptPrivate::add(const Record &record, QHash<QByteArray, QHash<int, size_t>> &current)
{
    if (record.masked)
        return;
    if (record.from == Record::From::Object)
        return write(record);
    if (!objects.count(record.path))
        order.append(record.path);
    ServedObject &object = objects[record.path];
    QHash<int, size_t> &exchangeOf = current[record.path];
    if (record.from == Record::From::Client) {
        if (std::optional<QVariantMap> request = requestOf(record.bytes)) {
            exchangeOf.insert(record.connection, object.exchanges.size());
            object.exchanges.push_back({std::move(*request), {}, false});
        } else {
            exchangeOf.remove(record.connection); // what followed answered something unknown
        }
        return;
    }
    const QByteArray name = record.path.mid(record.path.lastIndexOf('/') + 1);
    forEachAnswer(record.bytes, name, [&](int client, const QByteArray &block) {
        const std::optional<QVariantMap> answer = decodeBlock(block);
        if (!answer)
            return;
        if (!object.errorAnswer && isErrorAnswer(*answer))
            object.errorAnswer = *answer;
        const auto exchange = exchangeOf.constFind(client);
        if (client > 0 && exchange != exchangeOf.cend())
            object.exchanges[exchange.value()].answers.append(*answer);
    });
}

void ReplayScriptPrivate::write(const Record &record)
{
    if (!ordinary.contains(record.path))
        ordinaryOrder.append(record.path);
    QMap<QByteArray, QByteArray> &attributes = ordinary[record.path];
    for (const QByteArray &line : record.bytes.split('\n')) {
        if (line.isEmpty() || recording::isBlockLine(line))
            continue;
        if (line.startsWith('-')) {
            attributes.remove(line.mid(1));
            continue;
        }
        // The server drops a line that is not "name:enc:value" and keeps the rest of the write.
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.indexOf(':', colon + 1) > 0)
            attributes.insert(line.left(colon), line);
    }
}

ReplayScript::ReplayScript(const QList<Record> &records)
    : d(std::make_unique<ReplayScriptPrivate>())
{
    QHash<QByteArray, QHash<int, size_t>> current; // path -> client -> its last exchange
    for (const Record &record : records)
        d->add(record, current);
    // Objects only ever answered (a broadcast, say) hold nothing to replay.
    d->order.removeIf(
        [this](const QByteArray &path) { return d->objects.at(path).exchanges.empty(); });
}

ReplayScript::~ReplayScript() = default;

QList<QByteArray> ReplayScript::servedObjects() const
{
    return d->order;
}

QList<std::pair<QByteArray, QByteArray>> ReplayScript::objectContents() const
{
    QList<std::pair<QByteArray, QByteArray>> contents;
    for (const QByteArray &path : std::as_const(d->ordinaryOrder)) {
        QByteArray text;
        for (const QByteArray &line : d->ordinary.value(path))
            text.append(line).append('\n');
        contents.append({path, text});
    }
    return contents;
}

std::optional<QList<QVariantMap>> ReplayScript::answer(const QByteArray &path,
                                                       const QVariantMap &request, QString *why)
{
    const QString msg = request.value(QStringLiteral("msg")).toString();
    Exchange *best = nullptr;
    Comparison bestComparison;
    int bestRank = 0;
    qsizetype sameMsg = 0;
    const auto object = d->objects.find(path);
    if (object != d->objects.end()) {
        for (Exchange &exchange : object->second.exchanges) {
            if (exchange.request.value(QStringLiteral("msg")).toString() != msg)
                continue;
            ++sameMsg;
            Comparison c;
            compare(exchange.request, request, QString(), c);
            if (!c.sameShape)
                continue;
            // Not yet answered before answered again; equal values before equal shapes.
            const int rank = (exchange.answered ? 0 : 2) + (c.sameValues ? 1 : 0) + 1;
            if (rank > bestRank) {
                best = &exchange;
                bestComparison = std::move(c);
                bestRank = rank;
            }
        }
    }
    if (!best) {
        const QString reason =
            object == d->objects.end() ? QStringLiteral("the recording holds no requests on %1")
                                             .arg(QString::fromUtf8(path))
            : sameMsg == 0 ? QStringLiteral("no request \"%1\" was recorded on %2")
                                 .arg(msg, QString::fromUtf8(path))
                           : QStringLiteral("none of the %1 requests \"%2\" recorded on %3 has "
                                            "the same keys and kinds of values")
                                 .arg(sameMsg)
                                 .arg(msg, QString::fromUtf8(path));
        qCWarning(lcPps).noquote() << "Replay: no recorded answer:" << reason;
        if (why)
            *why = reason;
        return std::nullopt;
    }
    best->answered = true;
    QList<QVariantMap> answers;
    for (const QVariantMap &answer : std::as_const(best->answers))
        answers.append(substitute(answer, QString(), bestComparison.substitutions).toMap());
    return answers;
}

QVariantMap ReplayScript::errorAnswer(const QByteArray &path, const QVariantMap &request,
                                      const QString &why) const
{
    const auto object = d->objects.find(path);
    if (object == d->objects.end() || !object->second.errorAnswer)
        return {};
    QVariantMap answer = withReason(*object->second.errorAnswer, QString(), why).toMap();
    const QString id = QStringLiteral("id");
    const QVariant liveId = request.contains(id)
                                ? request.value(id)
                                : request.value(QStringLiteral("dat")).toMap().value(id);
    if (answer.contains(id))
        answer.insert(id, liveId);
    const QString res = QStringLiteral("res");
    if (answer.contains(res) && answer.value(res).toString() != QLatin1String("error"))
        answer.insert(res, request.value(QStringLiteral("msg")));
    return answer;
}

} // namespace qz::pps
