// Spies on every signal an object's class declares, so a test can assert that an event produced
// exactly the signals it expects and nothing else.
#ifndef QZ_TESTS_SIGNALRECORDER_H
#define QZ_TESTS_SIGNALRECORDER_H

#include <QMap>
#include <QMetaMethod>
#include <QSignalSpy>

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

#endif
