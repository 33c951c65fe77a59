// Probing the invoke manager: a spy on every signal it declares, and delivery of one navigator
// event with a way to know it has been handled, so a test can assert that an event produced
// exactly the signals it expects and nothing else.
#ifndef QZ_TESTS_NAVIGATORPROBE_H
#define QZ_TESTS_NAVIGATORPROBE_H

#include "recordingbackend.h"

#include <QMap>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

class SignalRecorder
{
public:
    explicit SignalRecorder(QObject *object)
    {
        const QMetaObject *meta = object->metaObject();
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal)
                m_spies.push_back(std::make_unique<QSignalSpy>(object, method));
        }
    }

    /*! Signature to number of emissions, for the signals emitted at least once. */
    QMap<QByteArray, int> emitted() const
    {
        QMap<QByteArray, int> result;
        for (const auto &spy : m_spies) {
            if (!spy->isEmpty())
                result.insert(spy->signal(), int(spy->count()));
        }
        return result;
    }

    /*! The arguments of every emission of the signal with this signature. */
    QList<QVariantList> arguments(const QByteArray &signature) const
    {
        for (const auto &spy : m_spies) {
            if (spy->signal() == signature)
                return *spy;
        }
        return {};
    }

    void clear()
    {
        for (const auto &spy : m_spies)
            spy->clear();
    }

private:
    std::vector<std::unique_ptr<QSignalSpy>> m_spies;
};

using Emitted = QMap<QByteArray, int>;

/*!
    Posts a navigator event, then one of code 40 as a marker: once the marker's cardReadyCheck()
    arrives, the first event has been handled. \a emitted receives what the first event emitted;
    \a recorder keeps the arguments.
*/
inline bool deliverNavigatorEvent(SignalRecorder &recorder, int code, const QVariantHash &fields,
                                  Emitted *emitted)
{
    static const QByteArray marker = "cardReadyCheck()";
    recorder.clear();
    RecordingBackend::postEvent(RecordingBackend::Service::Navigator, code, fields);
    RecordingBackend::postEvent(RecordingBackend::Service::Navigator, 40);
    if (!QTest::qWaitFor([&recorder] { return recorder.emitted().contains(marker); }))
        return false;
    *emitted = recorder.emitted();
    if (--(*emitted)[marker] == 0)
        emitted->remove(marker);
    return true;
}

#endif
