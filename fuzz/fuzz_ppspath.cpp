// PPS path parsing: whatever the bytes, parse() never crashes; what it accepts follows the
// documented rules (limits included), and the canonical form of an accepted path parses to the
// same thing.
#include "fuzzcheck.h"

#include <pps/ppspath.h>
#include <qz/ppsobject.h>

#include <QList>

namespace {

bool sameParse(const qz::pps::Path &a, const qz::pps::Path &b)
{
    return a.object == b.object && a.directory == b.directory && a.delta == b.delta &&
           a.wait == b.wait && a.server == b.server;
}

QByteArray canonical(const qz::pps::Path &path)
{
    QByteArray text = path.object;
    if (path.directory)
        text.append("/.all");
    if (path.delta)
        text.append("?delta");
    if (path.wait)
        text.append("?wait");
    if (path.server)
        text.append("?server");
    return text;
}

// The options after the first '?', separated by ',' or '?', are each one of the known three.
bool knownOptions(const QByteArray &text)
{
    const qsizetype question = text.indexOf('?');
    if (question < 0)
        return true;
    QByteArray options = text.mid(question + 1);
    options.replace(',', '?');
    for (const QByteArray &word : options.split('?')) {
        if (word != "delta" && word != "wait" && word != "server")
            return false;
    }
    return true;
}

void checkAccepted(const QByteArray &text, const qz::pps::Path &path)
{
    for (const char c : text) {
        QZ_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f,
                      "accepted a control character in \"%s\"", text.constData());
    }
    QZ_FUZZ_CHECK(knownOptions(text), "accepted an unknown option in \"%s\"", text.constData());
    QZ_FUZZ_CHECK(text.size() <= qz::PpsObject::MaxPathSize, "accepted a path of %lld bytes",
                  static_cast<long long>(text.size()));
    QZ_FUZZ_CHECK(text.startsWith(path.object), "object \"%s\" is not the front of \"%s\"",
                  path.object.constData(), text.constData());
    QZ_FUZZ_CHECK(path.object.startsWith("/pps/") || (path.directory && path.object == "/pps"),
                  "object \"%s\" is not under /pps/", path.object.constData());
    QZ_FUZZ_CHECK(!(path.directory && path.server), "a directory in server mode: \"%s\"",
                  text.constData());
    const QList<QByteArray> components = path.object.split('/');
    for (qsizetype i = 1; i < components.size(); ++i) {
        const QByteArray &c = components.at(i);
        QZ_FUZZ_CHECK(c.size() <= qz::PpsObject::MaxNameSize, "accepted a component of %lld bytes",
                      static_cast<long long>(c.size()));
        QZ_FUZZ_CHECK(!c.isEmpty() && c != "." && c != "..",
                      "object \"%s\" has an empty, \".\" or \"..\" component",
                      path.object.constData());
    }
    QZ_FUZZ_CHECK(path.object == path.parent() + '/' + path.name(),
                  "parent \"%s\" and name \"%s\" do not make up \"%s\"", path.parent().constData(),
                  path.name().constData(), path.object.constData());

    const QByteArray again = canonical(path);
    qz::pps::Path reparsed;
    QString error;
    QZ_FUZZ_CHECK(qz::pps::Path::parse(again, &reparsed, &error),
                  "canonical form \"%s\" of \"%s\" is refused: %s", again.constData(),
                  text.constData(), qPrintable(error));
    QZ_FUZZ_CHECK(sameParse(path, reparsed), "canonical form \"%s\" of \"%s\" parses differently",
                  again.constData(), text.constData());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    qz::pps::Path path;
    QString error;
    if (qz::pps::Path::parse(text, &path, &error))
        checkAccepted(text, path);
    else
        QZ_FUZZ_CHECK(!error.isEmpty(), "\"%s\" refused without a reason", text.constData());
    return 0;
}
