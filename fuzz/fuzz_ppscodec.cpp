// The PPS text decoders: qz::PpsObject's (plain and with flags) and the libpps C decoder built on
// it accept the same texts and read the same values out of them; an accepted text encodes, and
// the encoding decodes to what the text did.
#include "fuzzcheck.h"
#include "samevalue.h"

#include <pps/pps.h>
#include <qz/ppsobject.h>

#include <QVariantList>

namespace {

// The plain decoder drops the flags, and with them deletions: where the flagged one says
// "deleted" the plain one keeps whatever value came before, or nothing.
void checkPlainAgainstFlags(const QVariantMap &plain, const qz::PpsAttributeMap &flagged,
                            const QString &where)
{
    for (auto it = flagged.cbegin(); it != flagged.cend(); ++it) {
        const QString key = it.key();
        if (it.value().flags() & qz::PpsAttributeFlag::Deleted && !key.startsWith(u'@'))
            continue;
        QZ_FUZZ_CHECK(plain.contains(key), "%s: \"%s\" only in the flagged decoding",
                      qPrintable(where), qPrintable(key));
        if (key.startsWith(u'@') && it.value().isMap() && where.isEmpty()) {
            checkPlainAgainstFlags(plain.value(key).toMap(), it.value().toMap(), key);
            continue;
        }
        QZ_FUZZ_CHECK(sameValue(plain.value(key), it.value().toVariant()),
                      "%s: \"%s\" differs between the plain and the flagged decoding",
                      qPrintable(where), qPrintable(key));
    }
    for (auto it = plain.cbegin(); it != plain.cend(); ++it)
        QZ_FUZZ_CHECK(flagged.contains(it.key()), "%s: \"%s\" only in the plain decoding",
                      qPrintable(where), qPrintable(it.key()));
}

class CDecoderCheck
{
public:
    explicit CDecoderCheck(pps_decoder_t *decoder)
        : m_decoder(decoder)
    {}

    // Reads every member of the current level through the C API: by name in a map (name is
    // null in a list, which takes the elements in order).
    void member(const QByteArray &name, const qz::PpsAttribute &expected)
    {
        const char *const cname = name.isNull() ? nullptr : name.constData();
        const QVariant value = expected.toVariant();
        const char *text = nullptr;
        int number = 0;
        if (expected.flags() & qz::PpsAttributeFlag::Deleted) {
            QZ_FUZZ_CHECK(pps_decoder_get_string(m_decoder, cname, &text) == PPS_DECODER_NO_ELEM,
                          "C decoder reads deleted \"%s\"", name.constData());
        } else if (expected.isMap() || expected.isList()) {
            QZ_FUZZ_CHECK(pps_decoder_push(m_decoder, cname) == PPS_DECODER_OK,
                          "C decoder cannot enter \"%s\"", name.constData());
            level(expected);
            QZ_FUZZ_CHECK(pps_decoder_pop(m_decoder) == PPS_DECODER_OK,
                          "C decoder cannot leave \"%s\"", name.constData());
        } else if (value.typeId() == QMetaType::QString) {
            const QByteArray utf8 = value.toString().toUtf8();
            QZ_FUZZ_CHECK(pps_decoder_get_string(m_decoder, cname, &text) == PPS_DECODER_OK,
                          "C decoder cannot read string \"%s\"", name.constData());
            QZ_FUZZ_CHECK(std::strncmp(text, utf8.constData(), size_t(utf8.size()) + 1) == 0 ||
                              utf8.contains('\0'),
                          "C decoder reads \"%s\" as \"%s\", not \"%s\"", name.constData(), text,
                          utf8.constData());
        } else if (value.typeId() == QMetaType::Int) {
            QZ_FUZZ_CHECK(pps_decoder_get_int(m_decoder, cname, &number) == PPS_DECODER_OK &&
                              number == value.toInt(),
                          "C decoder reads int \"%s\" wrong", name.constData());
        } else {
            // Wider numbers, doubles, booleans and nulls are no int and no string to it.
            QZ_FUZZ_CHECK(pps_decoder_get_int(m_decoder, cname, &number) == PPS_DECODER_BAD_TYPE,
                          "C decoder reads \"%s\" as an int", name.constData());
        }
    }

    void level(const qz::PpsAttribute &container)
    {
        if (container.isList()) {
            for (const qz::PpsAttribute &item : container.toList())
                member(QByteArray(), item);
            return;
        }
        const qz::PpsAttributeMap map = container.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.key().contains(QChar(0))) // a JSON key the C API cannot name
                continue;
            // An empty key is named "" (null would mean "the next element of a list").
            const QByteArray name = it.key().toUtf8();
            member(name.isNull() ? QByteArray("") : name, it.value());
        }
    }

    // At the top, a block "@name" is entered by its name without the '@'.
    void root(const qz::PpsAttributeMap &map)
    {
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!it.key().startsWith(u'@')) {
                // At the top, pps_decoder_push() takes a name to the block "@name" first.
                const bool shadowed =
                    (it.value().isMap() || it.value().isList()) && map.contains(u'@' + it.key());
                if (!shadowed)
                    member(it.key().toUtf8(), it.value());
                continue;
            }
            const QByteArray name = it.key().mid(1).toUtf8();
            QZ_FUZZ_CHECK(pps_decoder_push(m_decoder, name.constData()) == PPS_DECODER_OK,
                          "C decoder cannot enter block \"%s\"", name.constData());
            level(it.value());
            QZ_FUZZ_CHECK(pps_decoder_pop(m_decoder) == PPS_DECODER_OK,
                          "C decoder cannot leave block \"%s\"", name.constData());
        }
    }

private:
    pps_decoder_t *const m_decoder;
};

// The C decoder sees the text up to its first NUL.
void checkCDecoder(const QByteArray &text)
{
    const QByteArray cText = text.left(text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0'));
    bool ok = false;
    const qz::PpsAttributeMap flagged = qz::PpsObject::decodeWithFlags(cText, &ok);
    pps_decoder_t decoder;
    const pps_decoder_error_t status = pps_decoder_initialize(&decoder, cText.constData());
    QZ_FUZZ_CHECK((status == PPS_DECODER_OK) == ok, "C decoder %s what the C++ one %s",
                  status == PPS_DECODER_OK ? "accepts" : "refuses", ok ? "accepts" : "refuses");
    if (ok)
        CDecoderCheck(&decoder).root(flagged);
    pps_decoder_cleanup(&decoder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    bool plainOk = false;
    bool flaggedOk = false;
    const QVariantMap plain = qz::PpsObject::decode(text, &plainOk);
    const qz::PpsAttributeMap flagged = qz::PpsObject::decodeWithFlags(text, &flaggedOk);
    QZ_FUZZ_CHECK(plainOk == flaggedOk, "the plain decoder %s what the flagged one %s",
                  plainOk ? "accepts" : "refuses", flaggedOk ? "accepts" : "refuses");
    checkCDecoder(text);
    if (!plainOk)
        return 0;
    checkPlainAgainstFlags(plain, flagged, QString());

    bool encoded = false;
    const QByteArray again = qz::PpsObject::encode(plain, &encoded);
    QZ_FUZZ_CHECK(encoded, "what was decoded cannot be encoded");
    bool reread = false;
    const QVariantMap roundTrip = qz::PpsObject::decode(again, &reread);
    QZ_FUZZ_CHECK(reread, "the encoding does not decode:\n%s", again.constData());
    QZ_FUZZ_CHECK(sameValue(roundTrip, plain), "decoding the encoding differs:\n%s",
                  again.constData());
    return 0;
}
