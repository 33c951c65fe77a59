#include "ppscodec_p.h"

#include "ppsjson_p.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace qz::pps {

namespace {

bool isValidAttributeName(const QString &name)
{
    if (name.isEmpty())
        return false;
    switch (name.front().unicode()) {
    case '@':
    case '-':
    case '+':
    case '#':
    case '*':
        return false;
    default:
        break;
    }
    for (const QChar c : name) {
        if (c == u':' || c.unicode() < 0x20)
            return false;
    }
    return true;
}

void appendEscaped(QByteArray &out, const QByteArray &utf8)
{
    for (const char c : utf8) {
        switch (c) {
        case '\n':
            out.append("\\n", 2);
            break;
        case '\r':
            out.append("\\r", 2);
            break;
        case '\t':
            out.append("\\t", 2);
            break;
        case '\\':
            out.append("\\\\", 2);
            break;
        default:
            out.append(c);
        }
    }
}

void appendString(QByteArray &out, const QByteArray &utf8)
{
    if (utf8.contains('\n') || utf8.contains('\r')) {
        out.append(":c:", 3);
        appendEscaped(out, utf8);
    } else {
        out.append("::", 2);
        out.append(utf8);
    }
}

template<typename Number> void appendNumber(QByteArray &out, Number value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(":n:", 3);
    out.append(buffer, result.ptr - buffer);
}

bool unescape(const char *p, const char *e, QString *value)
{
    QByteArray bytes;
    bytes.reserve(e - p);
    for (; p < e; ++p) {
        if (*p != '\\') {
            bytes.append(*p);
            continue;
        }
        if (++p == e)
            return false;
        switch (*p) {
        case 'n':
            bytes.append('\n');
            break;
        case 'r':
            bytes.append('\r');
            break;
        case 't':
            bytes.append('\t');
            break;
        case '\\':
            bytes.append('\\');
            break;
        default:
            return false;
        }
    }
    *value = QString::fromUtf8(bytes);
    return true;
}

bool decodeNumber(const char *p, const char *e, QVariant *value)
{
    if (p == e)
        return false;
    const char *start = (*p == '+') ? p + 1 : p; // from_chars takes no '+'
    qlonglong n = 0;
    auto result = std::from_chars(start, e, n);
    if (result.ec == std::errc() && result.ptr == e) {
        if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            *value = int(n);
        else
            *value = n;
        return true;
    }
    double d = 0;
    const auto dr = std::from_chars(start, e, d);
    if (dr.ec != std::errc() || dr.ptr != e || !std::isfinite(d))
        return false;
    *value = d;
    return true;
}

bool equals(const char *begin, const char *end, const char *word)
{
    const size_t length = std::strlen(word);
    return size_t(end - begin) == length && std::memcmp(begin, word, length) == 0;
}

// One pass over the text; the sink decides what a decoded line becomes.
// Whether [begin, end) can be a name: no colon, and no control character, which encode() could
// not write back.
bool isNameText(const char *begin, const char *end)
{
    if (begin == end)
        return false;
    for (const char *c = begin; c < end; ++c) {
        if (*c == ':' || static_cast<unsigned char>(*c) < 0x20)
            return false;
    }
    return true;
}

template<typename Sink> bool parse(const QByteArray &text, Sink &sink)
{
    const char *p = text.constData();
    const char *const end = p + text.size();
    while (p < end) {
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', end - p));
        if (!eol)
            eol = end;
        const char *line = p;
        p = eol + 1;
        if (line == eol)
            continue;

        PpsAttributeFlag::Types flags;
        const char *name = line;
        switch (*line) {
        case '+':
            flags = PpsAttributeFlag::Created;
            ++name;
            break;
        case '-':
            flags = PpsAttributeFlag::Deleted;
            ++name;
            break;
        case '*':
            flags = PpsAttributeFlag::Purged;
            ++name;
            break;
        case '#':
            flags = PpsAttributeFlag::Truncated;
            ++name;
            break;
        default:
            break;
        }
        if (name < eol && *name == '@') {
            ++name;
            if (!isNameText(name, eol))
                return false;
            sink.object(QString::fromUtf8(name, eol - name), flags);
            continue;
        }
        if (flags == PpsAttributeFlag::Deleted) {
            if (!isNameText(name, eol))
                return false;
            sink.deleted(QString::fromUtf8(name, eol - name));
            continue;
        }
        if (flags)
            return false; // +, * and # only mark objects
        const char *colon1 = static_cast<const char *>(std::memchr(line, ':', eol - line));
        if (!colon1 || !isNameText(line, colon1))
            return false;
        const char *colon2 =
            static_cast<const char *>(std::memchr(colon1 + 1, ':', eol - colon1 - 1));
        if (!colon2)
            return false;
        QVariant value;
        if (!decodeValue(colon1 + 1, colon2, colon2 + 1, eol, &value))
            return false;
        sink.attribute(QString::fromUtf8(line, colon1 - line), std::move(value));
    }
    return true;
}

struct VariantSink
{
    QVariantMap result;
    QString current; // key of the open object block, empty at top level
    QVariantMap block;

    void flush()
    {
        if (current.isEmpty())
            return;
        QVariant &slot = result[current];
        if (slot.typeId() == QMetaType::QVariantMap) {
            QVariantMap merged = slot.toMap();
            for (auto it = block.cbegin(); it != block.cend(); ++it)
                merged.insert(it.key(), it.value());
            slot = std::move(merged);
        } else {
            slot = std::move(block);
        }
        block.clear();
    }
    void object(const QString &name, PpsAttributeFlag::Types)
    {
        flush();
        current = u'@' + name;
        if (!result.contains(current))
            result.insert(current, QVariantMap()); // an empty block still names its object
    }
    void attribute(const QString &name, QVariant &&value)
    {
        (current.isEmpty() ? result : block).insert(name, std::move(value));
    }
    void deleted(const QString &) {}
};

struct AttributeSink
{
    PpsAttributeMap result;
    QString current;
    PpsAttributeFlag::Types currentFlags;
    PpsAttributeMap block;

    void flush()
    {
        if (current.isEmpty())
            return;
        PpsAttributeMap merged = result.value(current).toMap();
        for (auto it = block.cbegin(); it != block.cend(); ++it)
            merged.insert(it.key(), it.value());
        result.insert(current, PpsAttribute::fromMap(merged, currentFlags));
        block.clear();
    }
    void object(const QString &name, PpsAttributeFlag::Types flags)
    {
        flush();
        current = u'@' + name;
        const PpsAttribute earlier = result.value(current);
        currentFlags = flags | earlier.flags();
        // A block named again adds to what the earlier one said.
        result.insert(current, PpsAttribute::fromMap(earlier.toMap(), currentFlags));
    }
    void attribute(const QString &name, QVariant &&value)
    {
        (current.isEmpty() ? result : block).insert(name, PpsAttribute::fromVariant(value));
    }
    void deleted(const QString &name)
    {
        (current.isEmpty() ? result : block)
            .insert(name, PpsAttribute::fromVariant(QVariant(), PpsAttributeFlag::Deleted));
    }
};

} // namespace

bool encodeAttribute(QByteArray &out, const QString &name, const QVariant &value)
{
    if (!isValidAttributeName(name))
        return false;
    out.append(name.toUtf8());
    switch (value.typeId()) {
    case QMetaType::QString:
        appendString(out, value.toString().toUtf8());
        break;
    case QMetaType::QByteArray:
        appendString(out, value.toByteArray());
        break;
    case QMetaType::Bool:
        value.toBool() ? out.append(":b:true", 7) : out.append(":b:false", 8);
        break;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
        appendNumber(out, value.toLongLong());
        break;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        appendNumber(out, value.toULongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false;
        appendNumber(out, d);
        break;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        out.append(":json:", 6);
        if (!writeJson(out, value))
            return false;
        break;
    default:
        if (!value.canConvert<QString>())
            return false;
        appendString(out, value.toString().toUtf8());
    }
    out.append('\n');
    return true;
}

bool encodeMap(QByteArray &out, const QVariantMap &map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap)
            continue;
        if (!encodeAttribute(out, it.key(), it.value()))
            return false;
    }
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!it.key().startsWith(u'@') || it.value().typeId() != QMetaType::QVariantMap)
            continue;
        const QByteArray name = it.key().toUtf8();
        if (name.size() < 2 || name.contains(':') || name.contains('\n'))
            return false;
        out.append(name);
        out.append('\n');
        const QVariantMap attributes = it.value().toMap();
        for (auto a = attributes.cbegin(); a != attributes.cend(); ++a) {
            if (!encodeAttribute(out, a.key(), a.value()))
                return false;
        }
    }
    return true;
}

bool decodeValue(const char *encBegin, const char *encEnd, const char *begin, const char *end,
                 QVariant *value)
{
    if (encBegin == encEnd) {
        *value = QString::fromUtf8(begin, end - begin);
        return true;
    }
    if (equals(encBegin, encEnd, "json"))
        return readJson(begin, end, value);
    if (equals(encBegin, encEnd, "n"))
        return decodeNumber(begin, end, value);
    if (equals(encBegin, encEnd, "b")) {
        if (equals(begin, end, "true"))
            *value = true;
        else if (equals(begin, end, "false"))
            *value = false;
        else
            return false;
        return true;
    }
    if (equals(encBegin, encEnd, "c")) {
        QString s;
        if (!unescape(begin, end, &s))
            return false;
        *value = std::move(s);
        return true;
    }
    return false;
}

namespace {
template<typename Sink> auto decodeWith(const QByteArray &text, bool *ok) -> decltype(Sink::result)
{
    Sink sink;
    const bool parsed = parse(text, sink);
    if (ok)
        *ok = parsed;
    if (!parsed)
        return {};
    sink.flush();
    return std::move(sink.result);
}
} // namespace

QVariantMap decode(const QByteArray &text, bool *ok)
{
    return decodeWith<VariantSink>(text, ok);
}

PpsAttributeMap decodeWithFlags(const QByteArray &text, bool *ok)
{
    return decodeWith<AttributeSink>(text, ok);
}

} // namespace qz::pps
