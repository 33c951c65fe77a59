#ifndef QZ_SYSTEM_CONTEXTEVENT_H
#define QZ_SYSTEM_CONTEXTEVENT_H

#include <qz/system/contextclassification.h>

#include <QDateTime>
#include <QObject>

#include <memory>

namespace qz::system {

class ContextEventPrivate;

/*!
    \class qz::system::ContextEvent
    \brief The key/value attributes of one usage event sent by a ContextCollector.

    Attributes keep the order in which their keys were first inserted; inserting a key again
    replaces its value in place. Private values are anonymised when they are inserted, so the
    event never holds them in plain text; a value the anonymiser refuses is stored as the empty
    string.
*/
class QZSYSTEM_EXPORT ContextEvent : public QObject
{
    Q_OBJECT
public:
    explicit ContextEvent(QObject *parent = nullptr);
    ~ContextEvent() override;

    Q_INVOKABLE void insert(const QString &key, bool value);
    Q_INVOKABLE void insert(const QString &key, int value);
    /*! Fixed-point text with \a precision decimals. */
    Q_INVOKABLE void insert(const QString &key, double value, int precision);
    Q_INVOKABLE void insert(const QString &key, const QString &value);
    Q_INVOKABLE void insert(const QString &key, const QString &value,
                            qz::system::ContextClassification::Type classification);
    /*! The time in UTC as "yyyy/MM/dd hh:mm:ss". */
    Q_INVOKABLE void insertCorporateLiableTimestamp(const QString &key, const QDateTime &timestamp);
    Q_INVOKABLE void remove(const QString &key);
    Q_INVOKABLE void clear();

    /*! The keys in first-insertion order. */
    Q_INVOKABLE QStringList keys() const;
    /*! The stored value of \a key; empty when absent. */
    Q_INVOKABLE QString value(const QString &key) const;

protected:
    /*! For script callers: a classification outside 0 to 2 is refused with a warning. */
    Q_INVOKABLE void insert(const QString &key, const QString &value, int classification);

private:
    std::unique_ptr<ContextEventPrivate> const d;
    Q_DISABLE_COPY(ContextEvent)
};

} // namespace qz::system

#endif
