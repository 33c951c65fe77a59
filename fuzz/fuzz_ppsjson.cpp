// The compact JSON of the "json" encoding: reading never crashes or nests deeper than the limit;
// whatever is read can be written, and reading that text back gives the same value and, written
// again, the same text.
#include "fuzzcheck.h"
#include "samevalue.h"

#include <qz/ppsjson_p.h>

#include <QVariantList>
#include <QVariantMap>

#include <algorithm>

namespace {

// Nesting the reader documents as its limit: containers inside containers, the outermost one
// counting as the first.
constexpr int MaxNesting = 256;

int nesting(const QVariant &value)
{
    int deepest = 0;
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (const QVariant &member : map)
            deepest = std::max(deepest, nesting(member));
        return deepest + 1;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        for (const QVariant &item : list)
            deepest = std::max(deepest, nesting(item));
        return deepest + 1;
    }
    default:
        return 0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *begin = reinterpret_cast<const char *>(data);
    QVariant value;
    if (!qz::pps::readJson(begin, begin + size, &value))
        return 0;
    QZ_FUZZ_CHECK(nesting(value) <= MaxNesting, "accepted nesting %d", nesting(value));

    QByteArray written;
    QZ_FUZZ_CHECK(qz::pps::writeJson(written, value), "cannot write back what was read");
    QVariant reread;
    QZ_FUZZ_CHECK(
        qz::pps::readJson(written.constData(), written.constData() + written.size(), &reread),
        "cannot read back its own text: %s", written.constData());
    QZ_FUZZ_CHECK(sameValue(value, reread), "value changed through %s", written.constData());

    QByteArray rewritten;
    QZ_FUZZ_CHECK(qz::pps::writeJson(rewritten, reread), "cannot write back the value read back");
    QZ_FUZZ_CHECK(rewritten == written, "text not stable: %s became %s", written.constData(),
                  rewritten.constData());
    return 0;
}
