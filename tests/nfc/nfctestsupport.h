// What the NFC tests share: the log lines of the NFC subsystem, captured; targets made from
// posted events, as the platform hands them out; the bytes of a built NDEF message.
#ifndef QZ_TESTS_NFCTESTSUPPORT_H
#define QZ_TESTS_NFCTESTSUPPORT_H

#include "recordingbackend.h"

#include <qz/abstractxrveventhandler.h>

#include <nfc/nfc.h>

#include <QStringList>
#include <QTest>

#include <functional>

/*! Captures the debug and warning lines of the category "qz.system.nfc" while it lives; other
    categories go on to the handler that was installed before. */
class NfcLogCapture
{
public:
    NfcLogCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&NfcLogCapture::handle);
    }
    ~NfcLogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    QStringList warnings;
    QStringList debugs;

    /*! True when the warnings are, in order, lines beginning with \a prefixes. */
    bool warningsStartWith(const QStringList &prefixes) const
    {
        if (warnings.size() != prefixes.size())
            return false;
        for (qsizetype i = 0; i < prefixes.size(); ++i) {
            if (!warnings.at(i).startsWith(prefixes.at(i)))
                return false;
        }
        return true;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        NfcLogCapture *self = s_current;
        if (self && context.category && qstrcmp(context.category, "qz.system.nfc") == 0) {
            (type == QtDebugMsg ? self->debugs : self->warnings).append(text);
            return;
        }
        if (self && self->m_previous)
            self->m_previous(type, context, text);
    }

    static inline NfcLogCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

/*! Hands the target of every event of the NFC domain to a function, then destroys it. Subscribes
    after the handlers under test, so it also marks when they have seen an event. */
class NfcTargetProbe : public qz::AbstractXrvEventHandler
{
public:
    NfcTargetProbe() { subscribe(nfc_get_domain()); }

    /*! Posts an event of \a code carrying \a target (no "target" field when empty), and runs
        \a use with the target read from it, if any. False when the event did not arrive. */
    bool deliver(int code, const QVariantMap &target,
                 const std::function<void(nfc_target_t *)> &use = {},
                 const QVariantHash &extraFields = {})
    {
        m_use = use;
        m_seen = false;
        QVariantHash fields = extraFields;
        if (!target.isEmpty())
            fields.insert(QStringLiteral("target"), target);
        RecordingBackend::postEvent(RecordingBackend::Service::Nfc, code, fields);
        const bool arrived = QTest::qWaitFor([this] { return m_seen; });
        m_use = {};
        return arrived;
    }

    void event(xrv_event_t *event) override
    {
        m_seen = true;
        nfc_event_t *nfcEvent = nullptr;
        nfc_target_t *target = nullptr;
        if (!m_use || nfc_get_nfc_event(event, &nfcEvent) != NFC_RESULT_SUCCESS ||
            nfc_get_target(nfcEvent, &target) != NFC_RESULT_SUCCESS)
            return;
        m_use(target);
        nfc_destroy_target(target);
    }

private:
    std::function<void(nfc_target_t *)> m_use;
    bool m_seen = false;
};

/*! The bytes \a message encodes to; empty for no message. */
inline QByteArray messageBytes(nfc_ndef_message_t *message)
{
    if (!message)
        return {};
    size_t length = 0;
    if (nfc_get_ndef_message_byte_length(message, &length) != NFC_RESULT_SUCCESS)
        return {};
    QByteArray bytes(qsizetype(length), '\0');
    if (nfc_get_ndef_message_bytes(message, reinterpret_cast<uint8_t *>(bytes.data()), length,
                                   &length) != NFC_RESULT_SUCCESS)
        return {};
    return bytes;
}

#endif
