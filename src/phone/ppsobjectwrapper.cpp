#include "ppsobjectwrapper_p.h"

#include "phonelogging_p.h"

#include <QPointer>

namespace qz::system::phone {

PpsObjectWrapper::PpsObjectWrapper(const QString &path, qz::PpsOpenMode::Types mode,
                                   QObject *parent)
    : QObject(parent)
    , m_object(path)
    , m_mode(mode)
{}

PpsObjectWrapper::~PpsObjectWrapper()
{
    stopListening();
}

bool PpsObjectWrapper::startListening()
{
    if (!m_object.open(m_mode)) {
        qCDebug(lcPhone, "Cannot open phone pps object");
        return false;
    }
    if (m_mode & qz::PpsOpenMode::Subscribe) {
        const bool blocking = m_object.isBlocking();
        m_object.setBlocking(false);
        QPointer<PpsObjectWrapper> guard(this);
        while (guard && readyRead()) {
        }
        if (!guard)
            return false;
        m_object.setBlocking(blocking);
        connect(&m_object, &qz::PpsObject::readyRead, this, &PpsObjectWrapper::readyRead);
    }
    return true;
}

void PpsObjectWrapper::stopListening()
{
    disconnect(&m_object, &qz::PpsObject::readyRead, this, &PpsObjectWrapper::readyRead);
    m_object.close();
}

bool PpsObjectWrapper::write(const QString &text)
{
    if (!(m_mode & qz::PpsOpenMode::Publish))
        return false;
    return m_object.write(text.toUtf8());
}

bool PpsObjectWrapper::readyRead()
{
    bool ok = false;
    const QByteArray data = m_object.read(&ok);
    if (!ok)
        return false;
    const PpsAttributeMap objects = qz::PpsObject::decodeWithFlags(data, &ok);
    if (!ok)
        return false;
    // A receiver may delete this object from its slot; the rest of the change is then dropped.
    QPointer<PpsObjectWrapper> guard(this);
    for (auto it = objects.cbegin(); it != objects.cend() && guard; ++it)
        processPpsLine(it);
    return true;
}

const QString PpsLineInfo::PPS_LISTEN_PATH =
    QStringLiteral("/pps/services/phone/public/lines/.all?wait");
const QString PpsLineInfo::LINE_ATTR_ADDRESS = QStringLiteral("address");
const QString PpsLineInfo::LINE_ATTR_USAGE = QStringLiteral("voice_usage");
const QString PpsLineInfo::LINE_ATTR_RESET_TIME = QStringLiteral("last_updated_time");
const QString PpsLineInfo::LINE_ATTR_FRIENDLY_NAME = QStringLiteral("friendly_name");
const QString PpsLineInfo::LINE_STATE = QStringLiteral("state");

PpsLineInfo::PpsLineInfo(QObject *parent)
    : PpsObjectWrapper(PPS_LISTEN_PATH, qz::PpsOpenMode::Subscribe, parent)
{}

void PpsLineInfo::processPpsLine(const PpsAttributeMap::const_iterator &entry)
{
    const PpsAttributePair line(ppsObjectId(entry.key()), entry.value());
    if (entry.value().flags() & (qz::PpsAttributeFlag::Deleted | qz::PpsAttributeFlag::Purged))
        Q_EMIT lineRemoved(line);
    else
        Q_EMIT lineUpdated(line);
}

} // namespace qz::system::phone
