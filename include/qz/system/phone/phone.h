#ifndef QZ_SYSTEM_PHONE_PHONE_H
#define QZ_SYSTEM_PHONE_PHONE_H

#include <qz/system/phone/call.h>
#include <qz/system/phone/callcommandresponse.h>
#include <qz/system/phone/line.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QVariant>

namespace qz::system::phone {

class PhonePrivate;

/*!
    \class qz::system::phone::Phone
    \brief Places calls, watches the device's calls and lines, and commands calls in progress.

    The lines known when the phone is created are read before the constructor returns; later
    changes of lines and calls arrive as signals on this object's thread. Calls are placed and the
    dial pad opened through an invocation of the phone application. Commands return false, and
    send nothing, for a call this object does not know or that does not allow them; true means
    the command was written to the phone service, whose answer arrives in
    callCommandResponseReceived().

    Each signal is emitted twice, with the value and then with it wrapped in a QVariant.
*/
class QZSYSTEM_EXPORT Phone : public QObject
{
    Q_OBJECT
public:
    explicit Phone(QObject *parent = nullptr);
    ~Phone() override;

    /*! Every known line, by id. */
    QMap<QString, qz::system::phone::Line> lines() const;
    /*! The lines that can reach \a address, one per suitable line type: cellular types (cellular,
        Kestrane, Murmex) for phone numbers, the video chat line for PINs and e-mail addresses,
        both for eight decimal digits. Empty for an empty address. */
    Q_INVOKABLE QList<qz::system::phone::Line> availableLines(const QString &address) const;
    /*! The first active line by id; invalid when none is. */
    Q_INVOKABLE qz::system::phone::Line activeLine() const;
    /*! Whether the first line of \a type (by id) is idle or active. */
    Q_INVOKABLE bool isLineAvailable(qz::system::phone::LineType::Type type) const;

public Q_SLOTS:
    void requestDialpad(const QString &address,
                        qz::system::phone::LineType::Type type = LineType::Cellular);
    /*! Does nothing; speed dial is not offered. */
    void requestKeypressSpeedDial(int keycap);
    void initiateCellularCall(const QString &phoneNumber, bool applySmartDialing = false);
    void initiateCall(const QString &address,
                      qz::system::phone::LineType::Type lineType = LineType::Cellular);
    void initiateVideoCall(const QString &address,
                           qz::system::phone::LineType::Type lineType = LineType::Cellular);
    /*! Sends \a tones up to their first zero byte on the call of \a lineType. */
    bool sendDTMFTones(const QByteArray &tones,
                       qz::system::phone::LineType::Type lineType = LineType::Cellular);
    /*! Rejects an incoming call, ends any other. */
    bool endCall(int callId);
    bool holdCall(int callId);
    bool resumeCall(int callId);
    bool splitCall(int callId);
    /*! Joins two different known calls. */
    bool mergeCall(int callId1, int callId2);

Q_SIGNALS:
    void callUpdated(const qz::system::phone::Call &call);
    void callUpdated(const QVariant &call);
    void callCommandResponseReceived(const qz::system::phone::CallCommandResponse &response);
    void callCommandResponseReceived(const QVariant &response);
    void lineUpdated(const qz::system::phone::Line &line);
    void lineUpdated(const QVariant &line);
    void lineRemoved(const qz::system::phone::Line &line);
    void lineRemoved(const QVariant &line);

private:
    friend class PhonePrivate;
    PhonePrivate *const d;
};

} // namespace qz::system::phone

#endif
