#include "phonepublisher.h"

#include "devicelogging.h"

#include <qz/PpsObject>

#include <QDateTime>

const QString PhonePublisher::s_root = QStringLiteral("/pps/services/phone/");
const QStringList PhonePublisher::s_levels{QStringLiteral("private"), QStringLiteral("protected"),
                                           QStringLiteral("public")};

namespace {

const QString s_callState = QStringLiteral("callstate");
const QString s_callActions = QStringLiteral("call_actions");
const QStringList s_perimeterDirs{QStringLiteral("protected/personal_call_data"),
                                  QStringLiteral("protected/enterprise_call_data")};
constexpr mode_t PerimeterMode = 0640;
constexpr mode_t LineMode = 0644;
constexpr mode_t DialpadMode = 0600;

QString perimeterDir(int perimeter)
{
    return s_perimeterDirs.at(perimeter == PhoneCall::Enterprise ? 1 : 0);
}

QString defaultFriendlyName(const QString &line)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("cellular"), QStringLiteral("Mobile")},
        {QStringLiteral("vchat"), QStringLiteral("Video Chat")}};
    return names.value(line, line);
}

QVariantMap attributesOf(const PhoneCall &call)
{
    QVariantMap attributes{{s_callState, call.state},
                           {QStringLiteral("calltype"), call.type},
                           {QStringLiteral("line_id"), call.line},
                           {QStringLiteral("callernumber"), call.number},
                           {s_callActions, PhoneExchange::actionsOf(call)}};
    if (!call.tones.isEmpty())
        attributes.insert(QStringLiteral("tones"), call.tones);
    if (call.video)
        attributes.insert(QStringLiteral("video_call"), true);
    return attributes;
}

} // namespace

struct PhonePublisher::CallObjects
{
    std::unique_ptr<qz::PpsObject> levels[3];
    std::unique_ptr<qz::PpsObject> perimeter;
    QVariantMap published;
};

mode_t PhonePublisher::levelMode(int level)
{
    static const mode_t modes[] = {0600, 0640, 0644};
    return modes[qBound(0, level, 2)];
}

PhonePublisher::PhonePublisher(const PhoneExchange *exchange)
    : m_exchange(exchange)
{}

PhonePublisher::~PhonePublisher() = default;

std::unique_ptr<qz::PpsObject> PhonePublisher::open(const QString &path, mode_t mode,
                                                    QString *error) const
{
    auto object = std::make_unique<qz::PpsObject>(path);
    object->setCreationMode(mode);
    if (object->open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create))
        return object;
    const QString why = QStringLiteral("cannot publish %1: %2").arg(path, object->errorString());
    if (error)
        *error = why;
    else
        qCWarning(lcDevicePhone).noquote() << why;
    return nullptr;
}

bool PhonePublisher::write(qz::PpsObject *object, const QVariantMap &attributes) const
{
    if (!object)
        return false;
    bool ok = false;
    const QByteArray text = qz::PpsObject::encode(attributes, &ok);
    if (ok && object->write(text))
        return true;
    qCWarning(lcDevicePhone).noquote() << "cannot write" << object->path() << object->errorString();
    return false;
}

int PhonePublisher::clearDirectory(const QString &directory, mode_t mode,
                                   const QVariantMap &farewell, const QStringList &keep)
{
    // Making the directory gives it the mode of its objects: the server then lists it only to
    // those who may read them, so a process without access falls back to a level it may read.
    qz::PpsObject listing(s_root + directory + QStringLiteral("/.all"));
    listing.setCreationMode(mode);
    if (!listing.open(qz::PpsOpenMode::Subscribe | qz::PpsOpenMode::Create)) {
        qCWarning(lcDevicePhone).noquote()
            << "cannot make" << listing.path() << listing.errorString();
        return 0;
    }
    listing.setBlocking(false);
    bool ok = false;
    const QVariantMap objects = qz::PpsObject::decode(listing.read(&ok));
    int highest = 0;
    for (auto it = objects.cbegin(); ok && it != objects.cend(); ++it) {
        const QString name = it.key().mid(1);
        if (keep.contains(name))
            continue;
        highest = qMax(highest, name.toInt());
        qz::PpsObject stale(s_root + directory + u'/' + name);
        if (!stale.open(qz::PpsOpenMode::Publish))
            continue;
        if (!farewell.isEmpty())
            write(&stale, farewell);
        if (!stale.remove())
            qCWarning(lcDevicePhone).noquote()
                << "cannot remove" << stale.path() << stale.errorString();
    }
    return highest;
}

int PhonePublisher::start(QString *error)
{
    // Calls of an earlier run end for whoever still watches them, so no application keeps a
    // call that nobody will ever end.
    const QVariantMap farewell{{s_callState, QStringLiteral("disconnected")},
                               {s_callActions, QStringList()}};
    int highest = 0;
    for (int level = 0; level < s_levels.size(); ++level)
        highest = qMax(highest, clearDirectory(s_levels.at(level) + QStringLiteral("/calls"),
                                               levelMode(level), farewell, {}));
    for (const QString &directory : s_perimeterDirs)
        highest = qMax(highest, clearDirectory(directory, PerimeterMode, {}, {}));
    QStringList served;
    for (const PhoneLine &line : m_exchange->lines())
        served << line.id;
    clearDirectory(QStringLiteral("public/lines"), LineMode, {}, served);

    for (const PhoneLine &line : m_exchange->lines()) {
        // An object left by an earlier run may hold attributes this run does not write.
        qz::PpsObject object(s_root + QStringLiteral("public/lines/") + line.id);
        object.setCreationMode(LineMode);
        if (!object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create |
                         qz::PpsOpenMode::DeleteContents)) {
            *error =
                QStringLiteral("cannot publish %1: %2").arg(object.path(), object.errorString());
            return -1;
        }
        m_lines.remove(line.id);
        publishLine(line.id);
    }
    return highest;
}

void PhonePublisher::publishLine(const QString &id)
{
    for (const PhoneLine &line : m_exchange->lines()) {
        if (line.id != id)
            continue;
        const QVariantMap attributes{
            {QStringLiteral("address"), line.address},
            {QStringLiteral("friendly_name"),
             line.friendlyName.isEmpty() ? defaultFriendlyName(line.id) : line.friendlyName},
            {QStringLiteral("voice_usage"), 1},
            {QStringLiteral("state"), m_exchange->lineState(line.id)}};
        if (m_lines.value(id) == attributes)
            return;
        QVariantMap written = attributes;
        written.insert(QStringLiteral("last_updated_time"), QDateTime::currentSecsSinceEpoch());
        const std::unique_ptr<qz::PpsObject> object =
            open(s_root + QStringLiteral("public/lines/") + id, LineMode, nullptr);
        if (write(object.get(), written))
            m_lines.insert(id, attributes);
        return;
    }
}

void PhonePublisher::publishCall(int callId)
{
    const PhoneCall *call = m_exchange->call(callId);
    if (!call)
        return;
    std::unique_ptr<CallObjects> &objects = m_calls[callId];
    if (!objects) {
        objects = std::make_unique<CallObjects>();
        const QString name = QString::number(callId);
        for (int level = 0; level < s_levels.size(); ++level)
            objects->levels[level] =
                open(s_root + s_levels.at(level) + QStringLiteral("/calls/") + name,
                     levelMode(level), nullptr);
        objects->perimeter =
            open(s_root + perimeterDir(call->perimeter) + u'/' + name, PerimeterMode, nullptr);
        write(objects->perimeter.get(),
              {{QStringLiteral("perimeter"), call->perimeter == PhoneCall::Enterprise
                                                 ? QStringLiteral("enterprise")
                                                 : QStringLiteral("personal")},
               {QStringLiteral("start_time"), QDateTime::currentMSecsSinceEpoch()}});
    }
    const QVariantMap attributes = attributesOf(*call);
    QVariantMap changes;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
        if (objects->published.value(it.key()) != it.value())
            changes.insert(it.key(), it.value());
    }
    if (changes.isEmpty())
        return;
    changes.insert(s_callActions, attributes.value(s_callActions));
    objects->published = attributes;
    for (const auto &object : objects->levels)
        write(object.get(), changes);
}

void PhonePublisher::removeCall(const PhoneCall &call)
{
    const auto it = m_calls.find(call.id);
    if (it == m_calls.end())
        return;
    const std::unique_ptr<CallObjects> objects = std::move(it->second);
    m_calls.erase(it);
    for (const auto &object : objects->levels) {
        if (object && !object->remove())
            qCWarning(lcDevicePhone).noquote()
                << "cannot remove" << object->path() << object->errorString();
    }
    if (objects->perimeter)
        objects->perimeter->remove();
}

void PhonePublisher::showDialpad(const QString &number, const QString &line)
{
    const std::unique_ptr<qz::PpsObject> object =
        open(s_root + QStringLiteral("private/dialpad"), DialpadMode, nullptr);
    write(object.get(), {{QStringLiteral("number"), number},
                         {QStringLiteral("line_id"), line},
                         {QStringLiteral("shown_time"), QDateTime::currentMSecsSinceEpoch()}});
}
