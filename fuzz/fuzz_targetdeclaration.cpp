// The navigator's target declarations, as qzdevice reads them from files it did not write:
// whatever the bytes, parsing never crashes nor reads past them; a refusal names the file and a
// line the text has; an accepted declaration has a valid key, a known type and perimeter, and
// filters whose text form reads back to itself and that take their own first action and type.
#include "fuzzcheck.h"

#include "targetdeclaration.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool silenced = (qzfuzz::silenceQtMessages(), true);
    Q_UNUSED(silenced);

    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<TargetDeclaration> declaration =
        TargetDeclaration::parse(text, QStringLiteral("f"), &error);
    if (!declaration) {
        static const QRegularExpression located(QStringLiteral("^f(:(\\d+))?: \\S"));
        const QRegularExpressionMatch match = located.match(error);
        QZ_FUZZ_CHECK(match.hasMatch(), "refusal \"%s\" names no place", qPrintable(error));
        if (match.hasCaptured(2)) {
            const qsizetype line = match.captured(2).toLongLong();
            QZ_FUZZ_CHECK(line >= 1 && line <= text.count('\n') + 1, "line %lld of %lld",
                          static_cast<long long>(line),
                          static_cast<long long>(text.count('\n') + 1));
        }
        return 0;
    }
    QZ_FUZZ_CHECK(error.isEmpty(), "accepted with an error \"%s\"", qPrintable(error));
    QZ_FUZZ_CHECK(TargetDeclaration::isValidKey(declaration->key), "key \"%s\"",
                  qPrintable(declaration->key));
    static const QList<int> types{TargetDeclaration::Application, TargetDeclaration::Card,
                                  TargetDeclaration::Viewer, TargetDeclaration::Service,
                                  TargetDeclaration::Headless};
    QZ_FUZZ_CHECK(types.contains(declaration->type), "type %d", declaration->type);
    QZ_FUZZ_CHECK(declaration->perimeter >= 0 && declaration->perimeter <= 2, "perimeter %d",
                  declaration->perimeter);
    for (const TargetFilter &filter : declaration->filters) {
        const QString written = filter.toText();
        QString why;
        const std::optional<TargetFilter> again = TargetFilter::parse(written, &why);
        QZ_FUZZ_CHECK(again, "\"%s\" does not read back: %s", qPrintable(written), qPrintable(why));
        QZ_FUZZ_CHECK(again->toText() == written, "\"%s\" reads back as \"%s\"",
                      qPrintable(written), qPrintable(again->toText()));
        const QString type =
            written.section(QStringLiteral("types="), 1).section(u';', 0, 0).section(u',', 0, 0);
        QZ_FUZZ_CHECK(filter.fit(filter.actions().first(), type, QString()) >= 0,
                      "\"%s\" does not take its own action and type", qPrintable(written));
    }
    return 0;
}
