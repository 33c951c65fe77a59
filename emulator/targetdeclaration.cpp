#include "targetdeclaration.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

const QMap<QString, int> &types()
{
    static const QMap<QString, int> map{
        {QStringLiteral("application"), TargetDeclaration::Application},
        {QStringLiteral("card"), TargetDeclaration::Card},
        {QStringLiteral("viewer"), TargetDeclaration::Viewer},
        {QStringLiteral("service"), TargetDeclaration::Service},
        {QStringLiteral("headless"), TargetDeclaration::Headless}};
    return map;
}

const QMap<QString, int> &perimeters()
{
    static const QMap<QString, int> map{
        {QStringLiteral("default"), TargetDeclaration::AnyPerimeter},
        {QStringLiteral("personal"), TargetDeclaration::Personal},
        {QStringLiteral("enterprise"), TargetDeclaration::Enterprise}};
    return map;
}

} // namespace

bool TargetDeclaration::isValidKey(const QString &key)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z]([a-zA-Z0-9_]?|[.]([a-zA-Z0-9_])+)*$"));
    return key.size() <= 255 && pattern.match(key).hasMatch();
}

std::optional<TargetDeclaration> TargetDeclaration::parse(const QByteArray &text,
                                                          const QString &fileName, QString *error)
{
    TargetDeclaration declaration;
    bool typeSeen = false;
    int lineNumber = 0;
    const auto fail = [&](const QString &what) {
        *error = QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNumber).arg(what);
        return std::nullopt;
    };
    if (text.size() > MaxSize) {
        *error = QStringLiteral("%1: longer than %2 bytes").arg(fileName).arg(MaxSize);
        return std::nullopt;
    }

    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &bytes : lines) {
        ++lineNumber;
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.contains(QChar::ReplacementCharacter) || bytes.contains('\0'))
            return fail(QStringLiteral("not UTF-8 text"));
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString keyword = space < 0 ? line : line.left(space);
        const QString value = space < 0 ? QString() : line.mid(space + 1).trimmed();
        if (value.isEmpty())
            return fail(QStringLiteral("\"%1\" without a value").arg(keyword));

        if (keyword == QLatin1String("key")) {
            if (!declaration.key.isEmpty())
                return fail(QStringLiteral("a second key"));
            if (!isValidKey(value))
                return fail(QStringLiteral("\"%1\" is not a target key").arg(value));
            declaration.key = value;
        } else if (keyword == QLatin1String("type")) {
            if (typeSeen)
                return fail(QStringLiteral("a second type"));
            if (!types().contains(value))
                return fail(QStringLiteral("unknown type \"%1\"").arg(value));
            declaration.type = types().value(value);
            typeSeen = true;
        } else if (keyword == QLatin1String("perimeter")) {
            if (!perimeters().contains(value))
                return fail(QStringLiteral("unknown perimeter \"%1\"").arg(value));
            declaration.perimeter = perimeters().value(value);
        } else if (keyword == QLatin1String("start")) {
            if (value.count(u'"') % 2 != 0)
                return fail(QStringLiteral("unbalanced quotes"));
            QStringList words = QProcess::splitCommand(value);
            if (words.isEmpty())
                return fail(QStringLiteral("\"start\" without a program"));
            declaration.program = words.takeFirst();
            declaration.arguments = words;
        } else if (keyword == QLatin1String("label")) {
            declaration.label = value;
        } else if (keyword == QLatin1String("icon")) {
            declaration.icon = value;
        } else if (keyword == QLatin1String("splash")) {
            declaration.splash = value;
        } else if (keyword == QLatin1String("action")) {
            const QString name = value.section(u' ', 0, 0);
            if (!TargetDeclaration::isValidKey(name) || name.size() > 50)
                return fail(QStringLiteral("\"%1\" is not an action name").arg(name));
            declaration.actionLabels.insert(name, value.section(u' ', 1).trimmed());
        } else if (keyword == QLatin1String("filter")) {
            QString why;
            const std::optional<TargetFilter> filter = TargetFilter::parse(value, &why);
            if (!filter)
                return fail(QStringLiteral("bad filter: %1").arg(why));
            declaration.filters.append(*filter);
        } else {
            return fail(QStringLiteral("unknown keyword \"%1\"").arg(keyword));
        }
    }
    if (declaration.key.isEmpty())
        return fail(QStringLiteral("no key"));
    if (!typeSeen)
        return fail(QStringLiteral("no type"));
    return declaration;
}
