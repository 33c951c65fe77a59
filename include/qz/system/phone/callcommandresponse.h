#ifndef QZ_SYSTEM_PHONE_CALLCOMMANDRESPONSE_H
#define QZ_SYSTEM_PHONE_CALLCOMMANDRESPONSE_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>

namespace qz::system::phone {

class CallCommandResponsePrivate;
class PhonePrivate;

/*!
    \class qz::system::phone::CallCommandResponse
    \brief The phone service's answer to a call command of this process.

    A default response has empty texts and ids of -1. Copies share their data.
*/
class QZSYSTEM_EXPORT CallCommandResponse
{
    Q_GADGET
    Q_PROPERTY(QString callCommand READ callCommand CONSTANT FINAL)
    Q_PROPERTY(int responseId READ responseId CONSTANT FINAL)
    Q_PROPERTY(int callId READ callId CONSTANT FINAL)
    Q_PROPERTY(QString error READ error CONSTANT FINAL)
public:
    CallCommandResponse();
    CallCommandResponse(const CallCommandResponse &other);
    CallCommandResponse &operator=(const CallCommandResponse &other);
    ~CallCommandResponse();

    /*! The command answered, for example "hold_call". */
    QString callCommand() const;
    /*! The id the command was sent with. */
    int responseId() const;
    /*! The call the command was about. */
    int callId() const;
    /*! The service's error text; empty on success. */
    QString error() const;

    /*! Same response id. */
    bool operator==(const CallCommandResponse &other) const;
    bool operator!=(const CallCommandResponse &other) const { return !(*this == other); }

private:
    friend class PhonePrivate;
    explicit CallCommandResponse(const QSharedDataPointer<CallCommandResponsePrivate> &data);
    QSharedDataPointer<CallCommandResponsePrivate> d;
};

} // namespace qz::system::phone

Q_DECLARE_METATYPE(qz::system::phone::CallCommandResponse)

#endif
