#include <pps/pps.h>

#include <qz/ppsobject.h>

#include "../qz/ppscodec_p.h"
#include "../qz/ppsjson_p.h"

#include <deque>
#include <limits>
#include <vector>

namespace {

struct Encoder
{
    enum Kind { Object, Array };
    struct Level
    {
        Kind kind;
        bool empty;
    };

    bool json = false;
    bool failed = false;
    QByteArray text;
    QByteArray finished; // text with the closing brace of JSON mode
    std::vector<Level> levels;

    bool topLevel() const { return levels.empty(); }

    // Writes the member prefix of a nested value: a comma and, inside an object, the name.
    pps_encoder_error_t member(const char *name)
    {
        Level &level = levels.back();
        if (!level.empty)
            text.append(',');
        level.empty = false;
        if (level.kind == Object) {
            if (!name)
                return PPS_ENCODER_INVALID_VALUE;
            qz::pps::writeJsonString(text, QByteArray(name));
            text.append(':');
        }
        return PPS_ENCODER_OK;
    }

    pps_encoder_error_t scalar(const char *name, const QVariant &value)
    {
        if (failed)
            return PPS_ENCODER_INVALID_VALUE;
        if (topLevel()) {
            if (!name || !qz::pps::encodeAttribute(text, QString::fromUtf8(name), value))
                return fail(PPS_ENCODER_INVALID_VALUE);
            return PPS_ENCODER_OK;
        }
        if (const auto e = member(name))
            return fail(e);
        qz::pps::writeJson(text, value);
        return PPS_ENCODER_OK;
    }

    pps_encoder_error_t start(const char *name, Kind kind)
    {
        if (failed)
            return PPS_ENCODER_INVALID_VALUE;
        if (topLevel()) {
            if (!name || !*name)
                return fail(PPS_ENCODER_INVALID_VALUE);
            text.append(name).append(":json:");
        } else if (const auto e = member(name)) {
            return fail(e);
        }
        text.append(kind == Object ? '{' : '[');
        levels.push_back({kind, true});
        return PPS_ENCODER_OK;
    }

    pps_encoder_error_t end(Kind kind)
    {
        if (failed)
            return PPS_ENCODER_INVALID_VALUE;
        // In JSON mode the outermost level is the document itself and stays open until the end.
        if (levels.size() <= (json ? 1u : 0u) || levels.back().kind != kind)
            return fail(PPS_ENCODER_BAD_NESTING);
        levels.pop_back();
        text.append(kind == Object ? '}' : ']');
        if (topLevel())
            text.append('\n');
        return PPS_ENCODER_OK;
    }

    pps_encoder_error_t fail(pps_encoder_error_t e)
    {
        failed = true;
        return e;
    }

    void reset()
    {
        failed = false;
        text.clear();
        levels.clear();
        if (json) {
            text.append('{');
            levels.push_back({Object, true});
        }
    }

    const char *buffer()
    {
        if (failed || levels.size() != (json ? 1u : 0u))
            return nullptr;
        finished = json ? text + '}' : text;
        return finished.constData();
    }
};

struct Decoder
{
    struct Level
    {
        qz::PpsAttribute container;
        qsizetype cursor = 0; // next element of an array
    };

    std::vector<Level> levels;
    std::deque<QByteArray> strings;

    const qz::PpsAttribute *lookup(const char *name, qz::PpsAttribute *scratch)
    {
        if (levels.empty())
            return nullptr;
        Level &level = levels.back();
        if (level.container.isList()) {
            const qz::PpsAttributeList list = level.container.toList();
            if (name || level.cursor >= list.size())
                return nullptr;
            *scratch = list.at(level.cursor++);
            return scratch;
        }
        if (!name)
            return nullptr;
        const qz::PpsAttributeMap map = level.container.toMap();
        auto it = map.constFind(QString::fromUtf8(name));
        if (it == map.cend())
            return nullptr;
        *scratch = it.value();
        return scratch;
    }
};

Encoder *encoderOf(pps_encoder_t *encoder)
{
    return encoder ? static_cast<Encoder *>(encoder->impl) : nullptr;
}

Decoder *decoderOf(pps_decoder_t *decoder)
{
    return decoder ? static_cast<Decoder *>(decoder->impl) : nullptr;
}

} // namespace

extern "C" {

void pps_encoder_initialize(pps_encoder_t *encoder, bool is_json)
{
    if (!encoder)
        return;
    auto *e = new Encoder;
    e->json = is_json;
    e->reset();
    encoder->impl = e;
}

void pps_encoder_reset(pps_encoder_t *encoder)
{
    if (Encoder *e = encoderOf(encoder))
        e->reset();
}

void pps_encoder_cleanup(pps_encoder_t *encoder)
{
    if (!encoder)
        return;
    delete encoderOf(encoder);
    encoder->impl = nullptr;
}

pps_encoder_error_t pps_encoder_start_object(pps_encoder_t *encoder, const char *name)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->start(name, Encoder::Object) : PPS_ENCODER_NOT_INITIALIZED;
}

pps_encoder_error_t pps_encoder_end_object(pps_encoder_t *encoder)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->end(Encoder::Object) : PPS_ENCODER_NOT_INITIALIZED;
}

pps_encoder_error_t pps_encoder_start_array(pps_encoder_t *encoder, const char *name)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->start(name, Encoder::Array) : PPS_ENCODER_NOT_INITIALIZED;
}

pps_encoder_error_t pps_encoder_end_array(pps_encoder_t *encoder)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->end(Encoder::Array) : PPS_ENCODER_NOT_INITIALIZED;
}

pps_encoder_error_t pps_encoder_add_string(pps_encoder_t *encoder, const char *name,
                                           const char *value)
{
    Encoder *e = encoderOf(encoder);
    if (!e)
        return PPS_ENCODER_NOT_INITIALIZED;
    if (!value)
        return e->fail(PPS_ENCODER_INVALID_VALUE);
    return e->scalar(name, QString::fromUtf8(value));
}

pps_encoder_error_t pps_encoder_add_int(pps_encoder_t *encoder, const char *name, int value)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->scalar(name, value) : PPS_ENCODER_NOT_INITIALIZED;
}

pps_encoder_error_t pps_encoder_add_bool(pps_encoder_t *encoder, const char *name, bool value)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->scalar(name, value) : PPS_ENCODER_NOT_INITIALIZED;
}

const char *pps_encoder_buffer(pps_encoder_t *encoder)
{
    Encoder *e = encoderOf(encoder);
    return e ? e->buffer() : nullptr;
}

int pps_encoder_length(pps_encoder_t *encoder)
{
    Encoder *e = encoderOf(encoder);
    return e && e->buffer() ? int(e->finished.size()) : 0;
}

pps_decoder_error_t pps_decoder_initialize(pps_decoder_t *decoder, const char *str)
{
    if (!decoder)
        return PPS_DECODER_NOT_INITIALIZED;
    decoder->impl = new Decoder;
    return str ? pps_decoder_parse_pps_str(decoder, str) : PPS_DECODER_OK;
}

pps_decoder_error_t pps_decoder_parse_pps_str(pps_decoder_t *decoder, const char *str)
{
    Decoder *d = decoderOf(decoder);
    if (!d)
        return PPS_DECODER_NOT_INITIALIZED;
    d->levels.clear();
    if (!str)
        return PPS_DECODER_PARSE_ERROR;
    bool ok = false;
    const qz::PpsAttributeMap root = qz::PpsObject::decodeWithFlags(QByteArray(str), &ok);
    if (!ok)
        return PPS_DECODER_PARSE_ERROR;
    d->levels.push_back({qz::PpsAttribute::fromMap(root), 0});
    return PPS_DECODER_OK;
}

pps_decoder_error_t pps_decoder_push(pps_decoder_t *decoder, const char *name)
{
    Decoder *d = decoderOf(decoder);
    if (!d || d->levels.empty())
        return PPS_DECODER_NOT_INITIALIZED;
    qz::PpsAttribute found;
    const qz::PpsAttribute *target = nullptr;
    if (d->levels.size() == 1) {
        // At the top the object blocks are keyed "@name"; NULL takes the first of them.
        const qz::PpsAttributeMap root = d->levels.front().container.toMap();
        for (auto it = root.cbegin(); it != root.cend() && !target; ++it) {
            const bool block = it.key().startsWith(u'@');
            if ((!name && block) || (name && block && it.key().mid(1) == QString::fromUtf8(name))) {
                found = it.value();
                target = &found;
            }
        }
    }
    if (!target)
        target = d->lookup(name, &found);
    if (!target)
        return PPS_DECODER_NO_ELEM;
    if (!target->isMap() && !target->isList())
        return PPS_DECODER_BAD_TYPE;
    d->levels.push_back({*target, 0});
    return PPS_DECODER_OK;
}

pps_decoder_error_t pps_decoder_pop(pps_decoder_t *decoder)
{
    Decoder *d = decoderOf(decoder);
    if (!d)
        return PPS_DECODER_NOT_INITIALIZED;
    if (d->levels.size() < 2)
        return PPS_DECODER_BAD_NESTING;
    d->levels.pop_back();
    return PPS_DECODER_OK;
}

pps_decoder_error_t pps_decoder_get_string(pps_decoder_t *decoder, const char *name,
                                           const char **value)
{
    Decoder *d = decoderOf(decoder);
    if (!d)
        return PPS_DECODER_NOT_INITIALIZED;
    qz::PpsAttribute found;
    const qz::PpsAttribute *attribute = d->lookup(name, &found);
    if (!attribute || (attribute->flags() & qz::PpsAttributeFlag::Deleted))
        return PPS_DECODER_NO_ELEM;
    const QVariant v = attribute->toVariant();
    if (v.typeId() != QMetaType::QString)
        return PPS_DECODER_BAD_TYPE;
    d->strings.push_back(v.toString().toUtf8());
    if (value)
        *value = d->strings.back().constData();
    return PPS_DECODER_OK;
}

pps_decoder_error_t pps_decoder_get_int(pps_decoder_t *decoder, const char *name, int *value)
{
    Decoder *d = decoderOf(decoder);
    if (!d)
        return PPS_DECODER_NOT_INITIALIZED;
    qz::PpsAttribute found;
    const qz::PpsAttribute *attribute = d->lookup(name, &found);
    if (!attribute || (attribute->flags() & qz::PpsAttributeFlag::Deleted))
        return PPS_DECODER_NO_ELEM;
    const QVariant v = attribute->toVariant();
    if (v.typeId() != QMetaType::Int && v.typeId() != QMetaType::LongLong)
        return PPS_DECODER_BAD_TYPE;
    const qlonglong n = v.toLongLong();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return PPS_DECODER_BAD_TYPE;
    if (value)
        *value = int(n);
    return PPS_DECODER_OK;
}

void pps_decoder_cleanup(pps_decoder_t *decoder)
{
    if (!decoder)
        return;
    delete decoderOf(decoder);
    decoder->impl = nullptr;
}

} // extern "C"
