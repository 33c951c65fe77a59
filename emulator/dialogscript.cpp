#include "dialogscript.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Reads one entry, key by key, so that a typo or a wrong type is reported where it is.
class EntryReader
{
public:
    EntryReader(const QJsonObject &object, const QString &where)
        : m_object(object)
        , m_where(where)
    {}

    QString error() const { return m_error; }

    std::optional<QString> string(const char *key)
    {
        return read<QString>(key, QStringLiteral("a string"), &QJsonValue::isString,
                             [](const QJsonValue &v) { return v.toString(); });
    }
    std::optional<bool> boolean(const char *key)
    {
        return read<bool>(key, QStringLiteral("true or false"), &QJsonValue::isBool,
                          [](const QJsonValue &v) { return v.toBool(); });
    }
    std::optional<int> milliseconds(const char *key)
    {
        return read<int>(key, QStringLiteral("a number of milliseconds"), isCount,
                         [](const QJsonValue &v) { return v.toInt(); });
    }
    std::optional<QList<int>> rows(const char *key)
    {
        const auto isRowList = [](const QJsonValue &v) {
            if (!v.isArray())
                return false;
            const QJsonArray array = v.toArray();
            return std::all_of(array.begin(), array.end(), isCount);
        };
        return read<QList<int>>(key, QStringLiteral("an array of row numbers"), isRowList,
                                [](const QJsonValue &v) {
                                    QList<int> rows;
                                    for (const QJsonValue &row : v.toArray())
                                        rows.append(row.toInt());
                                    return rows;
                                });
    }

    /*! Reports keys the format does not know, which are most likely typos. */
    void rejectUnknownKeys(const QStringList &known)
    {
        for (const QString &key : m_object.keys()) {
            if (!known.contains(key) && m_error.isEmpty())
                m_error = QStringLiteral("%1: unknown key \"%2\"").arg(m_where, key);
        }
    }

private:
    static bool isCount(const QJsonValue &v)
    {
        return v.isDouble() && v.toDouble() >= 0 && v.toDouble() <= 1e9 &&
               v.toDouble() == double(v.toInt());
    }

    template<typename T, typename Check, typename Convert>
    std::optional<T> read(const char *key, const QString &expected, Check check, Convert convert)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined())
            return std::nullopt;
        if (!std::invoke(check, value)) {
            if (m_error.isEmpty())
                m_error =
                    QStringLiteral("%1.%2: expected %3").arg(m_where, QLatin1String(key), expected);
            return std::nullopt;
        }
        return convert(value);
    }

    const QJsonObject m_object;
    const QString m_where;
    QString m_error;
};

} // namespace

bool DialogScriptEntry::matches(const Dialog &dialog) const
{
    return (!className || *className == dialog.className()) && (!title || *title == dialog.title());
}

std::optional<DialogAnswer> DialogScriptEntry::answer(const Dialog &dialog,
                                                      const DialogDefaults &defaults,
                                                      QString *problem) const
{
    DialogAnswer answer = DialogAnswer::suggested(dialog, defaults);
    if (timeout) {
        answer.buttonIndex = -1;
    } else if (button) {
        answer.buttonIndex = dialog.buttonIndex(*button);
        if (answer.buttonIndex < 0) {
            *problem = QStringLiteral("the script presses \"%1\", which the dialog does not show")
                           .arg(*button);
            return std::nullopt;
        }
        if (!dialog.buttons().at(answer.buttonIndex).enabled) {
            *problem = QStringLiteral("the script presses \"%1\", which is disabled").arg(*button);
            return std::nullopt;
        }
    }
    answer.checkboxChecked = checkbox.value_or(answer.checkboxChecked);
    answer.text = text.value_or(answer.text);
    answer.username = username.value_or(answer.username);
    answer.password = password.value_or(answer.password);
    answer.selectedRows = rows.value_or(answer.selectedRows);
    return answer;
}

std::optional<DialogScript> DialogScript::fromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    std::optional<DialogScript> script = fromJson(file.readAll(), error);
    if (!script)
        *error = path + QLatin1String(": ") + *error;
    return script;
}

std::optional<DialogScript> DialogScript::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON (%1 at offset %2)")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    const QJsonValue dialogs = document.object().value(QLatin1String("dialogs"));
    if (!document.isObject() || !dialogs.isArray()) {
        *error = QStringLiteral("expected an object with a \"dialogs\" array");
        return std::nullopt;
    }
    DialogScript script;
    const QJsonArray entries = dialogs.toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString where = QStringLiteral("dialogs[%1]").arg(i);
        if (!entries.at(i).isObject()) {
            *error = where + QLatin1String(": expected an object");
            return std::nullopt;
        }
        EntryReader reader(entries.at(i).toObject(), where);
        DialogScriptEntry entry;
        entry.className = reader.string("className");
        entry.title = reader.string("title");
        entry.button = reader.string("button");
        entry.timeout = reader.boolean("timeout").value_or(false);
        entry.checkbox = reader.boolean("checkbox");
        entry.text = reader.string("text");
        entry.username = reader.string("username");
        entry.password = reader.string("password");
        entry.rows = reader.rows("rows");
        entry.delayMs = reader.milliseconds("delay");
        entry.once = reader.boolean("once").value_or(false);
        reader.rejectUnknownKeys(
            {QStringLiteral("className"), QStringLiteral("title"), QStringLiteral("button"),
             QStringLiteral("timeout"), QStringLiteral("checkbox"), QStringLiteral("text"),
             QStringLiteral("username"), QStringLiteral("password"), QStringLiteral("rows"),
             QStringLiteral("delay"), QStringLiteral("once")});
        if (reader.error().isEmpty() && entry.timeout && entry.button)
            *error = where + QLatin1String(": \"button\" and \"timeout\" exclude each other");
        else
            *error = reader.error();
        if (!error->isEmpty())
            return std::nullopt;
        script.m_entries.append(entry);
    }
    return script;
}

std::optional<DialogScriptEntry> DialogScript::take(const Dialog &dialog)
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (!m_entries.at(i).matches(dialog))
            continue;
        return m_entries.at(i).once ? m_entries.takeAt(i) : m_entries.at(i);
    }
    return std::nullopt;
}
