#include <qz/system/contextevent.h>

#include "devicelogging_p.h"

#include <context/context.h>

#include <QHash>
#include <QStringList>

namespace qz::system {

class ContextEventPrivate
{
public:
    void store(const QString &key, const QString &value)
    {
        if (!values.contains(key))
            order.append(key);
        values.insert(key, value);
    }

    QHash<QString, QString> values;
    QStringList order;
};

namespace {

// The anonymised form of a private value, or the empty string when the anonymiser refuses: a
// private value is never kept in plain text.
QString anonymised(const QString &value, ContextClassification::Type classification)
{
    char buffer[CCL_ANONYMIZED_SIZE] = {};
    const QByteArray utf8 = value.toUtf8();
    const int result = classification == ContextClassification::Private
                           ? getCCLAnonymizedString(utf8.constData(), buffer, sizeof buffer)
                           : getCCLAnonymizedPIN(utf8.constData(), buffer, sizeof buffer);
    if (result != 0)
        return QString();
    return QString::fromUtf8(buffer, qstrnlen(buffer, sizeof buffer));
}

} // namespace

ContextEvent::ContextEvent(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<ContextEventPrivate>())
{}

ContextEvent::~ContextEvent() = default;

void ContextEvent::insert(const QString &key, bool value)
{
    d->store(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void ContextEvent::insert(const QString &key, int value)
{
    d->store(key, QString::number(value));
}

void ContextEvent::insert(const QString &key, double value, int precision)
{
    d->store(key, QString::number(value, 'f', precision));
}

void ContextEvent::insert(const QString &key, const QString &value)
{
    d->store(key, value);
}

void ContextEvent::insert(const QString &key, const QString &value,
                          ContextClassification::Type classification)
{
    if (classification == ContextClassification::Public)
        d->store(key, value);
    else
        d->store(key, anonymised(value, classification));
}

void ContextEvent::insert(const QString &key, const QString &value, int classification)
{
    if (uint(classification) > uint(ContextClassification::PrivateShort)) {
        qCWarning(lcDevice).nospace().noquote()
            << "ContextEvent::insert() : value for ContextClassification parameter is out of "
               "range: "
            << classification;
        return;
    }
    insert(key, value, ContextClassification::Type(classification));
}

void ContextEvent::insertCorporateLiableTimestamp(const QString &key, const QDateTime &timestamp)
{
    d->store(key, timestamp.toUTC().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
}

void ContextEvent::remove(const QString &key)
{
    d->order.removeAll(key);
    d->values.remove(key);
}

void ContextEvent::clear()
{
    d->order.clear();
    d->values.clear();
}

QStringList ContextEvent::keys() const
{
    return d->order;
}

QString ContextEvent::value(const QString &key) const
{
    return d->values.value(key);
}

} // namespace qz::system
