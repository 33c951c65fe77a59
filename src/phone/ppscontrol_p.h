/*
 * Not API. The control object of the phone service: call commands out, the answers meant for
 * this process in.
 */
#ifndef QZ_SYSTEM_PHONE_PPSCONTROL_P_H
#define QZ_SYSTEM_PHONE_PPSCONTROL_P_H

#include <qz/PpsObject>
#include <qz/system/phone/phoneenums.h>

#include <QObject>
#include <QVariantMap>

namespace qz::system::phone {

class PpsControl : public QObject
{
    Q_OBJECT
public:
    static const QString PRIVATE_CONTROL_PATH;
    static const QString PROTECTED_CONTROL_PATH;
    static const QString PUBLIC_CONTROL_PATH;

    explicit PpsControl(QObject *parent = nullptr);
    ~PpsControl() override;

    /*! Opens the private, else the protected, else the public control object; the choice is not
        revisited. */
    bool startListening();
    /*! Writes \a text as UTF-8 to the control object in use. */
    bool write(const QString &text);

    /*! Each returns true when the command was written; ids below 1 are refused unwritten. */
    bool sendDTMFTones(const QByteArray &tones, qz::system::phone::LineType::Type lineType);
    bool mergeCall(int callId1, int callId2);
    bool splitCall(int callId);
    bool resumeCall(int callId);
    bool holdCall(int callId);
    bool rejectCall(int callId);
    bool endCall(int callId);
    bool sendActionMsg(int callId, const char *action);

    /*! The control object in use; null when none could be opened. */
    qz::PpsObject *objectInUse() const { return m_object; }

    /*! The id that commands of this process carry and that its answers must carry. */
    static QString processId();

Q_SIGNALS:
    void callCommandResponseReceived(const QVariantMap &response);

public Q_SLOTS:
    bool readyRead();

private:
    bool tryLevel(qz::PpsObject *object, const char *level);
    bool sendCommand(const char *name, int callId, const char *action);
    bool writeMessage(const QVariantMap &message);

    qz::PpsObject *m_object = nullptr;
    qz::PpsObject m_private;
    qz::PpsObject m_protected;
    qz::PpsObject m_public;
};

} // namespace qz::system::phone

#endif
