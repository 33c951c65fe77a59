#include "dialog.h"

#include <QHashFunctions>

namespace {

QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'"', QLatin1String("\\\""))
        .replace(u'\n', QLatin1String("\\n"));
    return u'"' + escaped + u'"';
}

QString percent(int progress)
{
    return progress < 0 ? QStringLiteral("indeterminate") : QString::number(progress) + u'%';
}

} // namespace

QString DialogLimits::exceeded(const QVariantMap &description)
{
    const auto tooMany = [](qsizetype count, const char *what, int limit) {
        return QStringLiteral("%1 %2, more than %3").arg(count).arg(QLatin1String(what)).arg(limit);
    };
    const auto tooLong = [](const QString &where, qsizetype length) {
        return QStringLiteral("%1 of %2 characters, more than %3")
            .arg(where)
            .arg(length)
            .arg(maxTextLength);
    };
    // Strings only: a list or map under an unexpected key is not read, so it costs nothing.
    const auto longString = [&](const QVariantMap &map, const QString &where) {
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it->typeId() == QMetaType::QString && it->toString().size() > maxTextLength)
                return tooLong(where + QStringLiteral(" \"%1\"").arg(it.key()),
                               it->toString().size());
        }
        return QString();
    };

    if (QString reason = longString(description, QStringLiteral("text")); !reason.isEmpty())
        return reason;
    const QVariantList buttons = description.value(QStringLiteral("buttons")).toList();
    if (buttons.size() > maxButtons)
        return tooMany(buttons.size(), "buttons", maxButtons);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QString reason =
            longString(buttons.at(i).toMap(), QStringLiteral("button %1").arg(i));
        if (!reason.isEmpty())
            return reason;
    }
    const QVariantList rows = description.value(QStringLiteral("list")).toList();
    if (rows.size() > maxRows)
        return tooMany(rows.size(), "rows", maxRows);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString reason = longString(rows.at(i).toMap(), QStringLiteral("row %1").arg(i));
        if (!reason.isEmpty())
            return reason;
    }
    return {};
}

QString DialogKey::toString() const
{
    return QStringLiteral("%1 client %2 %3").arg(object).arg(client).arg(id);
}

size_t qHash(const DialogKey &key, size_t seed)
{
    return qHashMulti(seed, key.object, key.client, key.id);
}

Dialog::Dialog(const DialogKey &key, const QString &className, const QVariantMap &description)
    : m_key(key)
    , m_className(className)
    , m_kind(kindOf(className, description))
    , m_description(description)
{
    parseDescription();
}

void Dialog::setDescription(const QVariantMap &description)
{
    m_description = description;
    parseDescription();
}

void Dialog::parseDescription()
{
    m_buttons.clear();
    const QVariantList buttons = m_description.value(QStringLiteral("buttons")).toList();
    m_buttons.reserve(buttons.size());
    for (const QVariant &entry : buttons) {
        const QVariantMap map = entry.toMap();
        m_buttons.append({map.value(QStringLiteral("label")).toString(),
                          map.value(QStringLiteral("enabled"), true).toBool(),
                          map.value(QStringLiteral("context")).toString()});
    }

    bool ok = false;
    const int index = m_description.value(QStringLiteral("defaultButtonIndex")).toInt(&ok);
    m_defaultButtonIndex = ok && index >= 0 && index < m_buttons.size() ? index : -1;

    m_rows.clear();
    const QVariantList rows = m_description.value(QStringLiteral("list")).toList();
    m_rows.reserve(rows.size());
    for (const QVariant &entry : rows) {
        const QVariantMap map = entry.toMap();
        DialogRow row;
        row.label = map.value(QStringLiteral("label")).toString();
        if (map.value(QStringLiteral("separator")).toBool())
            row.type = DialogRow::Type::Separator;
        else if (map.value(QStringLiteral("header")).toBool())
            row.type = DialogRow::Type::Header;
        row.enabled = !map.value(QStringLiteral("disabled")).toBool();
        row.selected =
            row.type == DialogRow::Type::Item && map.value(QStringLiteral("selected")).toBool();
        m_rows.append(row);
    }
}

Dialog::Kind Dialog::kindOf(const QString &className, const QVariantMap &description)
{
    static const QHash<QString, Kind> byClass = {
        {QStringLiteral("AlertDialog"), Kind::Alert},
        {QStringLiteral("PromptDialog"), Kind::Prompt},
        {QStringLiteral("PasswordDialog"), Kind::Prompt},
        {QStringLiteral("LoginDialog"), Kind::Login},
        {QStringLiteral("ListDialog"), Kind::List},
        {QStringLiteral("ProgressDialog"), Kind::Progress},
        {QStringLiteral("ToastBase"), Kind::Toast},
        {QStringLiteral("IconToast"), Kind::Toast},
        {QStringLiteral("VolumeToast"), Kind::Toast},
        {QStringLiteral("ProgressToast"), Kind::ProgressToast},
    };
    if (const auto it = byClass.constFind(className); it != byClass.cend())
        return *it;
    const auto has = [&](const char *key) { return description.contains(QLatin1String(key)); };
    if (has("usernamePlaceholder"))
        return Kind::Login;
    if (has("inputKeyboard"))
        return Kind::Prompt;
    if (has("list"))
        return Kind::List;
    if (has("progress"))
        return has("position") ? Kind::ProgressToast : Kind::Progress;
    if (has("position"))
        return Kind::Toast;
    return Kind::Alert;
}

QString Dialog::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Alert:
        return QStringLiteral("alert dialog");
    case Kind::Prompt:
        return QStringLiteral("prompt");
    case Kind::Login:
        return QStringLiteral("login prompt");
    case Kind::List:
        return QStringLiteral("list dialog");
    case Kind::Progress:
        return QStringLiteral("progress dialog");
    case Kind::Toast:
        return QStringLiteral("toast");
    case Kind::ProgressToast:
        return QStringLiteral("progress toast");
    }
    return {};
}

bool Dialog::isProgressDone() const
{
    return progress() >= 100 || progressState() == QLatin1String("error");
}

QString Dialog::title() const
{
    return text(QStringLiteral("titleText"));
}

QString Dialog::body() const
{
    return text(QStringLiteral("messageText"));
}

QString Dialog::text(const QString &key) const
{
    return m_description.value(key).toString();
}

int Dialog::buttonIndex(const QString &label) const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons.at(i).label == label)
            return i;
    }
    return -1;
}

bool Dialog::staysUpAfterAnswer() const
{
    return m_description.value(QStringLiteral("cancelRequired")).toBool();
}

bool Dialog::hasCheckbox() const
{
    return m_description.contains(QStringLiteral("checkboxChecked"));
}

bool Dialog::isCheckboxChecked() const
{
    return m_description.value(QStringLiteral("checkboxChecked")).toBool();
}

bool Dialog::isMultiSelect() const
{
    return m_description.value(QStringLiteral("multiSelect")).toBool();
}

int Dialog::progress() const
{
    bool ok = false;
    const int value = m_description.value(QStringLiteral("progress")).toInt(&ok);
    return ok ? value : -1;
}

QString Dialog::progressState() const
{
    const QString state = text(QStringLiteral("state"));
    return state.isEmpty() ? QStringLiteral("play") : state;
}

QString Dialog::describe() const
{
    QStringList parts{m_className.isEmpty() ? kindName(m_kind) : m_className};
    const auto add = [&](const QString &name, const QString &value) {
        if (!value.isEmpty())
            parts << name + u' ' + quoted(value);
    };
    add(QStringLiteral("title"), title());
    add(QStringLiteral("message"), body());

    QStringList labels;
    for (int i = 0; i < m_buttons.size(); ++i) {
        labels << quoted(m_buttons.at(i).label) + (i == m_defaultButtonIndex ? u"*" : u"") +
                      (m_buttons.at(i).enabled ? u"" : u" (disabled)");
    }
    if (!m_buttons.isEmpty())
        parts << QStringLiteral("buttons [%1]").arg(labels.join(QLatin1String(", ")));
    if (hasCheckbox()) {
        parts << QStringLiteral("checkbox %1 %2")
                     .arg(quoted(text(QStringLiteral("checkboxLabel"))),
                          isCheckboxChecked() ? QStringLiteral("checked")
                                              : QStringLiteral("unchecked"));
    }
    if (m_description.value(QStringLiteral("busy")).toBool())
        parts << QStringLiteral("busy");

    switch (m_kind) {
    case Kind::Prompt:
        add(QStringLiteral("field"), text(QStringLiteral("inputField")));
        add(QStringLiteral("placeholder"), text(QStringLiteral("inputPlaceholder")));
        add(QStringLiteral("keyboard"), text(QStringLiteral("inputKeyboard")));
        break;
    case Kind::Login:
        add(QStringLiteral("username"), text(QStringLiteral("username")));
        if (!text(QStringLiteral("password")).isEmpty())
            parts << QStringLiteral("password ***"); // never in a log
        break;
    case Kind::List: {
        QStringList rowTexts;
        for (const DialogRow &row : m_rows) {
            switch (row.type) {
            case DialogRow::Type::Separator:
                rowTexts << QStringLiteral("---") +
                                (row.label.isEmpty() ? QString() : u' ' + quoted(row.label));
                break;
            case DialogRow::Type::Header:
                rowTexts << u'#' + quoted(row.label);
                break;
            case DialogRow::Type::Item:
                rowTexts << quoted(row.label) + (row.selected ? u"*" : u"") +
                                (row.enabled ? u"" : u" (disabled)");
                break;
            }
        }
        parts << QStringLiteral("rows [%1]").arg(rowTexts.join(QLatin1String(", ")));
        if (isMultiSelect())
            parts << QStringLiteral("multi");
        break;
    }
    case Kind::Progress:
        parts << QStringLiteral("progress %1 state %2").arg(percent(progress()), progressState());
        add(QStringLiteral("details"), text(QStringLiteral("leftDetailsText")));
        add(QStringLiteral("more"), text(QStringLiteral("rightDetailsText")));
        break;
    case Kind::ProgressToast:
        parts << QStringLiteral("progress %1 state %2").arg(percent(progress()), progressState());
        add(QStringLiteral("details"), text(QStringLiteral("detailsText")));
        break;
    case Kind::Alert:
    case Kind::Toast:
        break;
    }
    if (isToast())
        parts << QStringLiteral("at ") + text(QStringLiteral("position"));
    add(QStringLiteral("icon"), text(QStringLiteral("icon")));
    return parts.join(u' ');
}
