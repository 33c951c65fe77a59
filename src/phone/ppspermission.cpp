#include "ppspermission_p.h"

#include "phonelogging_p.h"

#include <QPointer>

namespace qz::system::phone {

namespace {

void warnCannotOpen(const qz::PpsObject &object)
{
    qCWarning(lcPhone).noquote()
        << QStringLiteral("PpsPermission unable to open path: \"%1\"\n").arg(object.path());
}

} // namespace

PpsPermission::PpsPermission(const QString &privatePath, const QString &protectedPath,
                             const QString &publicPath, const QString &enterprisePath,
                             const QString &personalPath, qz::PpsOpenMode::Types mode,
                             QObject *parent)
    : QObject(parent)
    , m_mode(mode)
    , m_private(privatePath)
    , m_protected(protectedPath)
    , m_public(publicPath)
    , m_enterprise(enterprisePath)
    , m_personal(personalPath)
{
    startListening();
}

PpsPermission::~PpsPermission() = default;

// Makes \a object the main one in use when it opens; on failure it is let go again.
bool PpsPermission::tryLevel(qz::PpsObject *object, const char *level)
{
    m_main = object;
    if (!connect(object, &qz::PpsObject::readyRead, this, &PpsPermission::readyRead)) {
        qCWarning(lcPhone, "PpsPermission unable to connect %s readyRead signal to readyRead slot",
                  level);
        return false;
    }
    if (object->open(m_mode))
        return true;
    warnCannotOpen(*object);
    disconnect(object, &qz::PpsObject::readyRead, this, &PpsPermission::readyRead);
    m_main = nullptr;
    return false;
}

bool PpsPermission::tryPerimeter(qz::PpsObject *object, const char *level)
{
    m_perimeter = object;
    if (!connect(object, &qz::PpsObject::readyRead, this, &PpsPermission::readyReadPerimeter)) {
        qCWarning(lcPhone, "PpsPermission unable to connect %s readyRead signal to readyRead slot",
                  level);
        return false;
    }
    if (object->open(m_mode))
        return true;
    warnCannotOpen(*object);
    disconnect(object, &qz::PpsObject::readyRead, this, &PpsPermission::readyReadPerimeter);
    m_perimeter = nullptr;
    return false;
}

bool PpsPermission::startListening()
{
    if (!tryLevel(&m_private, "private") && !tryLevel(&m_protected, "protected") &&
        !tryLevel(&m_public, "public"))
        return false;
    if (m_enterprise.path().isEmpty() || m_personal.path().isEmpty())
        return true;
    return tryPerimeter(&m_enterprise, "enterprise") || tryPerimeter(&m_personal, "personal");
}

bool PpsPermission::write(const QString &text)
{
    if (!m_main || !(m_mode & qz::PpsOpenMode::Publish))
        return false;
    return m_main->write(text.toUtf8());
}

bool PpsPermission::deliver(qz::PpsObject *object)
{
    if (!object)
        return false;
    bool ok = false;
    const QByteArray data = object->read(&ok);
    if (!ok)
        return false;
    const PpsAttributeMap objects = qz::PpsObject::decodeWithFlags(data, &ok);
    if (!ok)
        return false;
    QPointer<PpsPermission> guard(this);
    for (auto it = objects.cbegin(); it != objects.cend() && guard; ++it) {
        PpsAttributeMap::const_iterator entry = it;
        Q_EMIT dataReady(entry);
    }
    return true;
}

bool PpsPermission::readyRead()
{
    return deliver(m_main);
}

bool PpsPermission::readyReadPerimeter()
{
    return deliver(m_perimeter);
}

const QString PpsCallInfo::PRIVATE_CALLS_PATH =
    QStringLiteral("/pps/services/phone/private/calls/.all?delta");
const QString PpsCallInfo::PROTECTED_CALLS_PATH =
    QStringLiteral("/pps/services/phone/protected/calls/.all?delta");
const QString PpsCallInfo::PUBLIC_CALLS_PATH =
    QStringLiteral("/pps/services/phone/public/calls/.all?delta");
const QString PpsCallInfo::ENTERPRISE_CALL_DATA_PATH =
    QStringLiteral("/pps/services/phone/protected/enterprise_call_data/.all?delta");
const QString PpsCallInfo::PERSONAL_CALL_DATA_PATH =
    QStringLiteral("/pps/services/phone/protected/personal_call_data/.all?delta");

PpsCallInfo::PpsCallInfo(QObject *parent)
    : QObject(parent)
    , m_permission(PRIVATE_CALLS_PATH, PROTECTED_CALLS_PATH, PUBLIC_CALLS_PATH,
                   ENTERPRISE_CALL_DATA_PATH, PERSONAL_CALL_DATA_PATH, qz::PpsOpenMode::Subscribe)
{
    if (!connect(&m_permission, &PpsPermission::dataReady, this, &PpsCallInfo::processPpsLine))
        qCWarning(lcPhone, "PpsCallInfo unable to connect dataReady signal to processPpsLine slot");
}

void PpsCallInfo::processPpsLine(PpsAttributeMap::const_iterator &entry)
{
    Q_EMIT callUpdated(PpsAttributePair(ppsObjectId(entry.key()), entry.value()));
}

} // namespace qz::system::phone
