// A client of the dialog service that writes requests the way the library does and collects the
// answers addressed to it.
#ifndef QZ_TESTS_DIALOGCLIENT_H
#define QZ_TESTS_DIALOGCLIENT_H

#include <qz/PpsObject>

#include <QList>
#include <QVariantMap>

class DialogClient : public QObject
{
    Q_OBJECT
public:
    explicit DialogClient(const QString &path = QStringLiteral("/pps/services/dialog/control"));

    bool open() { return m_object.open(qz::PpsOpenMode::PublishSubscribe); }
    void close() { m_object.close(); }

    bool show(const QString &id, const QString &className, const QVariantMap &description);
    bool update(const QString &id, const QVariantMap &description);
    bool cancel(const QString &id);
    bool send(const QVariantMap &message) { return m_object.writeMessage(message) == 0; }
    bool sendRaw(const QByteArray &text) { return m_object.write(text); }

    /*! The answers so far, each the map under the object's "@name" block. */
    QList<QVariantMap> answers() const { return m_answers; }
    /*! The "resp_obj" of answer \a i. */
    QVariantMap response(int i = 0) const;

private:
    qz::PpsObject m_object;
    QString m_block;
    QList<QVariantMap> m_answers;
};

/*! A description as the library builds it: common keys, the buttons labelled \a labels with
    contexts "ctx-<label>", then \a extra. */
QVariantMap describeDialog(const QStringList &labels, int defaultIndex,
                           const QVariantMap &extra = {});

#endif
