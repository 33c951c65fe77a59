// The device's calls and lines as the phone service keeps them, without PPS: PhoneService feeds
// it the applications' commands and the network's side (qzctl phone), and PhonePublisher writes
// what it holds to the PPS objects applications read.
//
// A call's life. Dialled: "connecting", "remote_ringing" after ringAfterMs, "connected" when the
// remote answers (after answerAfterMs, or when told). Incoming: "incoming" until the user
// answers ("connected") or rejects it; a remote that gives up before it is answered leaves a
// "missed" call. Ended, rejected or hung up: "disconnected", after which the call is gone. One
// call (or one conference) is active at a time: dialling, answering or resuming holds the active
// one. Merging puts calls into one conference ("multiparty"); splitting takes one out, which
// becomes the active call while the rest of the conference waits "held".
//
// Every operation answers an error text, empty when it was done.
#ifndef QZDEVICE_PHONEEXCHANGE_H
#define QZDEVICE_PHONEEXCHANGE_H

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

struct PhoneLine
{
    QString id; // "cellular", "vchat", "Kestrane" or "Murmex"
    QString address;
    QString friendlyName;
    /*! What the network says of the line: "idle", "unavailable" or "unregistered"; it reads
        "active" while it carries a call. */
    QString networkState = QStringLiteral("idle");
};

struct PhoneCall
{
    enum Perimeter { Personal = 1, Enterprise = 2 };

    int id = 0;
    QString type;  // "incoming", "outgoing", "missed"
    QString state; // "incoming", "connecting", "remote_ringing", "connected", "held", ...
    QString line;
    QString number;
    int perimeter = Personal;
    bool video = false;
    QString tones;      // every DTMF tone sent during the call, in order
    int conference = 0; // the conference it belongs to, 0 for none
};

class PhoneExchange : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        int ringAfterMs = 200;
        /*! -1: the remote answers only when told. */
        int answerAfterMs = 1500;
    };

    // Error texts of refused operations, as command answers carry them.
    static const QString s_invalidCallId;
    static const QString s_notAllowed;
    static const QString s_lineUnavailable;
    static const QString s_invalidNumber;
    static const QString s_invalidTones;
    static const QString s_noActiveCall;
    static const QString s_tooManyCalls;
    static const QString s_invalidState;

    static constexpr int MaxCalls = 16;
    static constexpr int MaxNumberSize = 64;
    static constexpr int MaxTonesSize = 64;
    static constexpr int MaxRecordedTones = 1024;

    /*! The wire name of each line type, by its number (0 cellular, 1 Kestrane, 2 vchat,
        3 Murmex). */
    static const QStringList s_lineTypes;

    PhoneExchange(const QList<PhoneLine> &lines, const Options &options, QObject *parent = nullptr);

    /*! Call ids start after \a id (calls of an earlier run may still be remembered). */
    void setLastCallId(int id) { m_lastId = qMax(m_lastId, id); }

    QString dial(const QString &number, const QString &line, int perimeter, bool video,
                 int *callId = nullptr);
    QString incoming(const QString &number, const QString &line, int perimeter,
                     int *callId = nullptr);
    /*! The user answers an incoming call, or the remote answers a dialled one. */
    QString answer(int callId);
    QString hold(int callId);
    QString resume(int callId);
    QString merge(int callId1, int callId2);
    QString split(int callId);
    /*! The user ends a call (an incoming one too). */
    QString end(int callId);
    /*! The user turns an incoming call down. */
    QString reject(int callId);
    /*! The remote side hangs up. */
    QString hangUp(int callId);
    /*! Tones for the active call on \a line; \a callId tells which one got them. */
    QString sendTones(const QString &line, const QString &tones, int *callId = nullptr);
    QString setLineState(const QString &line, const QString &networkState);

    QList<PhoneCall> calls() const { return m_calls.values(); }
    const PhoneCall *call(int callId) const;
    QList<PhoneLine> lines() const { return m_lines; }
    /*! The state the line shows: its network state, or "active" while an idle line carries a
        call. Empty for an unknown line. */
    QString lineState(const QString &line) const;
    /*! What a call in its state allows: "hold_call", "resume_call", "split_call". */
    static QStringList actionsOf(const PhoneCall &call);

Q_SIGNALS:
    /*! Something of the call changed (it may be new); a disconnected call is gone after this. */
    void callChanged(int callId);
    void callRemoved(const PhoneCall &call);
    void lineChanged(const QString &line);

private:
    PhoneCall *find(int callId);
    const PhoneLine *findLine(const QString &line) const;
    QString add(PhoneCall call, int *callId);
    void setState(PhoneCall &call, const QString &state);
    /*! Holds the active call or conference, save \a except's conference. */
    void holdActive(const PhoneCall *except);
    QList<PhoneCall *> members(int conference);
    void leaveConference(PhoneCall &call);
    QString disconnect(int callId, const QString &type);
    void changed(const PhoneCall &call);

    QList<PhoneLine> m_lines;
    QMap<int, PhoneCall> m_calls;
    Options m_options;
    int m_lastId = 0;
    int m_lastConference = 0;
};

#endif
