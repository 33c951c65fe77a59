#include "dialogclient.h"

DialogClient::DialogClient(const QString &path)
    : m_object(path)
    , m_block(u'@' + path.mid(path.lastIndexOf(u'/') + 1))
{
    connect(&m_object, &qz::PpsObject::readyRead, this, [this] {
        bool ok = false;
        const QByteArray text = m_object.read(&ok);
        if (ok)
            m_answers.append(qz::PpsObject::decode(text).value(m_block).toMap());
    });
}

bool DialogClient::show(const QString &id, const QString &className, const QVariantMap &description)
{
    return m_object.writeMessage(QStringLiteral("show"), id,
                                 {{QStringLiteral("className"), className},
                                  {QStringLiteral("desc_obj"), description}}) == 0;
}

bool DialogClient::update(const QString &id, const QVariantMap &description)
{
    return send({{QStringLiteral("msg"), QStringLiteral("update")},
                 {QStringLiteral("dat"), QVariantMap{{QStringLiteral("id"), id},
                                                     {QStringLiteral("desc_obj"), description}}}});
}

bool DialogClient::cancel(const QString &id)
{
    return m_object.writeMessage(QStringLiteral("cancel"), id, {}) == 0;
}

QVariantMap DialogClient::response(int i) const
{
    return m_answers.value(i)
        .value(QStringLiteral("dat"))
        .toMap()
        .value(QStringLiteral("resp_obj"))
        .toMap();
}

QVariantMap describeDialog(const QStringList &labels, int defaultIndex, const QVariantMap &extra)
{
    QVariantList buttons;
    for (const QString &label : labels) {
        buttons.append(
            QVariantMap{{QStringLiteral("label"), label},
                        {QStringLiteral("enabled"), true},
                        {QStringLiteral("context"), QString(QStringLiteral("ctx-") + label)}});
    }
    QVariantMap description{
        {QStringLiteral("titleText"), QString()},
        {QStringLiteral("messageText"), QString()},
        {QStringLiteral("busy"), false},
        {QStringLiteral("buttons"), buttons},
        {QStringLiteral("cancelRequired"), false},
        {QStringLiteral("returnKeyType"), 0},
        {QStringLiteral("messageHasEmoticons"), false},
        {QStringLiteral("defaultButtonIndex"), defaultIndex},
        {QStringLiteral("icon"), QString()},
    };
    description.insert(extra);
    return description;
}
