// The simulated NFC controller: what each application registered for, the target in the field,
// the tags the simulator keeps, the user's "prompt before sending files" setting and the failure
// switches. It speaks no PPS: NfcService feeds it the applications' calls and the peer side's
// taps, and carries its events and tap outcomes to the right ends.
//
// One target is in the field at a time. A tap tells the applications registered for its kind
// (SNEP clients, tag reader-writers, hand-over listeners), lets them do one exchange (a push, a
// write, a confirmed hand-over) and ends with what came of it. A target that leaves before its
// exchange is done is reported lost to the applications that were told about it.
#ifndef QZDEVICE_NFCCONTROLLER_H
#define QZDEVICE_NFCCONTROLLER_H

#include "nfcndef.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QVariantMap>

#include <optional>

class NfcController : public QObject
{
    Q_OBJECT
public:
    /*! How a SNEP peer answers a push. */
    enum class PeerAnswer { Accept, Reject, TooLarge, IoError };
    using Carrier = NfcNdef::Carrier;
    /*! What comes into the field. */
    struct Tap
    {
        enum class Kind { Peer, Tag, Handover };
        Kind kind = Kind::Peer;
        PeerAnswer answer = PeerAnswer::Accept;  // Peer
        QString tagName = QStringLiteral("tag"); // Tag: the tag, its content kept by name
        bool locked = false;                     // Tag
        bool unsupported = false;                // Tag: a type the controller cannot write
        int capacity = DefaultTagCapacity;       // Tag: bytes of NDEF it holds
        QList<Carrier> carriers;                 // Handover, in the order of its records
    };
    /*! A tag as the simulator keeps it between taps. */
    struct StoredTag
    {
        QByteArray content; // the NDEF message last written, empty when never written
        bool locked = false;
        int capacity = DefaultTagCapacity;
    };
    /*! What a call returns: the library's result code and the out-values. */
    struct Result
    {
        int code = 0;
        QVariantList out;
    };

    static constexpr int DefaultTagCapacity = 8192;
    static constexpr int MaxTags = 64;
    static constexpr int MaxFailures = 64;

    explicit NfcController(QObject *parent = nullptr);
    ~NfcController() override;

    /*! One call of \a client to the NFC library, by its C name and arguments. */
    Result request(int client, const QString &call, const QVariantList &args);
    /*! Forgets what \a client registered; a target told to it alone is lost. */
    void clientLeft(int client);

    /*! Brings \a tap into the field for \a peer; false with \a error when NFC is off or another
        target is there. The outcome comes with tapEnded(). */
    bool tap(int peer, const Tap &tap, QString *error);
    /*! Takes the target out of the field; false with \a error when there is none. */
    bool lose(QString *error);
    /*! The peer side of the tap went away: its target leaves the field. */
    void peerLeft(int peer);

    bool isEnabled() const { return m_enabled; }
    /*! Switches NFC off (the target in the field is lost) or on, telling every application. */
    void setEnabled(bool enabled);
    bool promptBeforeSendingFiles() const { return m_prompt; }
    void setPromptBeforeSendingFiles(bool prompt) { m_prompt = prompt; }

    /*! Makes every later \a call return \a result instead of doing its work; false when
        MaxFailures other calls fail already. */
    bool setFailure(const QString &call, int result);
    void clearFailures() { m_failures.clear(); }
    QHash<QString, int> failures() const { return m_failures; }

    std::optional<StoredTag> tag(const QString &name) const;

Q_SIGNALS:
    /*! An event of the NFC domain for one application. */
    void eventPosted(int client, int code, const QVariantMap &fields);
    /*! The tap of \a peer is over; \a outcome says how (see NfcService). */
    void tapEnded(int peer, const QVariantMap &outcome);

private:
    struct Client
    {
        bool events = false;
        bool snep = false;
        bool tagReader = false;
        QList<int> handover; // registered transports
    };
    struct Field
    {
        int peer = 0;
        Tap tap;
        QSet<int> told;
    };

    Result push(int client, const QVariantList &args);
    Result write(int client, const QVariantList &args);
    Result confirm(int client, const QVariantList &args, bool withTransports);
    Result registration(int client, const QString &call, const QVariantList &args);
    bool inField(Tap::Kind kind, int client, const QVariantList &args) const;
    void tell(const QList<int> &clients, int code, const QVariantMap &fields);
    void end(QVariantMap outcome);
    void leave(const QString &why);

    bool m_enabled = true;
    bool m_prompt = true;
    QHash<int, Client> m_clients;
    std::optional<Field> m_field;
    QHash<QString, StoredTag> m_tags;
    QHash<QString, int> m_failures;
    int m_serial = 0;
};

#endif
