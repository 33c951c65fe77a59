#ifndef QZ_SYSTEM_PHONE_CALL_H
#define QZ_SYSTEM_PHONE_CALL_H

#include <qz/system/phone/phoneenums.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>

namespace qz::system::phone {

class CallPrivate;
class PhonePrivate;

/*!
    \class qz::system::phone::Call
    \brief A snapshot of one call of the phone service.

    Handed out by Phone::callUpdated(); later updates of the same call do not change a value
    already handed out. A default call is invalid: its id, type and line are -1, its state is
    Unknown and it allows no action. Copies share their data until one changes.
*/
class QZSYSTEM_EXPORT Call
{
    Q_GADGET
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
    Q_PROPERTY(int callId READ callId CONSTANT FINAL)
    Q_PROPERTY(qz::system::phone::CallType::Type callType READ callType CONSTANT FINAL)
    Q_PROPERTY(qz::system::phone::CallState::Type callState READ callState CONSTANT FINAL)
    Q_PROPERTY(qz::system::phone::LineType::Type callLine READ callLine CONSTANT FINAL)
    Q_PROPERTY(QString phoneNumber READ phoneNumber CONSTANT FINAL)
public:
    Call();
    Call(const Call &other);
    Call &operator=(const Call &other);
    ~Call();

    /*! Whether the call has an id. */
    bool isValid() const;
    int callId() const;
    CallType::Type callType() const;
    /*! Unknown, not Invalid, for an invalid call. */
    CallState::Type callState() const;
    LineType::Type callLine() const;
    /*! The caller's number, for calls that have one. */
    QString phoneNumber() const;
    /*! Whether the phone service lets this call be held, resumed or split. */
    Q_INVOKABLE bool canPerformAction(qz::system::phone::CallAction::Type action) const;

    /*! Both valid and with the same id. */
    bool operator==(const Call &other) const;
    bool operator!=(const Call &other) const { return !(*this == other); }

private:
    friend class PhonePrivate;
    explicit Call(const QSharedDataPointer<CallPrivate> &data);
    QSharedDataPointer<CallPrivate> d;
};

} // namespace qz::system::phone

Q_DECLARE_METATYPE(qz::system::phone::Call)

#endif
