#include "ppsjson_p.h"

#include <QStringList>
#include <QUrl>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace qz::pps {

namespace {

// Containers nested deeper than this are refused on both ways; a depth counts the containers
// around a value, so 256 nested arrays pass and 257 do not.
constexpr int MaxDepth = 256;

bool isContainer(int typeId)
{
    return typeId == QMetaType::QVariantMap || typeId == QMetaType::QVariantHash ||
           typeId == QMetaType::QVariantList || typeId == QMetaType::QStringList;
}

void appendNumber(QByteArray &out, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
    // Keep a double a double across a round trip: "1" would come back as an integer.
    if (!std::memchr(buffer, '.', result.ptr - buffer) &&
        !std::memchr(buffer, 'e', result.ptr - buffer))
        out.append(".0", 2);
}

template<typename Int> void appendInteger(QByteArray &out, Int value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

bool writeValue(QByteArray &out, const QVariant &value, int depth);

bool writeMap(QByteArray &out, const QVariantMap &map, int depth)
{
    out.append('{');
    bool first = true;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!first)
            out.append(',');
        first = false;
        writeJsonString(out, it.key().toUtf8());
        out.append(':');
        if (!writeValue(out, it.value(), depth + 1))
            return false;
    }
    out.append('}');
    return true;
}

bool writeHash(QByteArray &out, const QVariantHash &hash, int depth)
{
    // A hash has no order of its own; sort its keys so equal hashes give equal text.
    QVariantMap map;
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        map.insert(it.key(), it.value());
    return writeMap(out, map, depth);
}

bool writeList(QByteArray &out, const QVariantList &list, int depth)
{
    out.append('[');
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i)
            out.append(',');
        if (!writeValue(out, list.at(i), depth + 1))
            return false;
    }
    out.append(']');
    return true;
}

bool writeValue(QByteArray &out, const QVariant &value, int depth)
{
    if (depth >= MaxDepth && isContainer(value.typeId()))
        return false;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        out.append("null", 4);
        return true;
    case QMetaType::QString:
        writeJsonString(out, value.toString().toUtf8());
        return true;
    case QMetaType::QByteArray:
        writeJsonString(out, value.toByteArray());
        return true;
    case QMetaType::Bool:
        value.toBool() ? out.append("true", 4) : out.append("false", 5);
        return true;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
        appendInteger(out, value.toLongLong());
        return true;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        appendInteger(out, value.toULongLong());
        return true;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false;
        appendNumber(out, d);
        return true;
    }
    case QMetaType::QVariantMap:
        return writeMap(out, value.toMap(), depth);
    case QMetaType::QVariantHash:
        return writeHash(out, value.toHash(), depth);
    case QMetaType::QVariantList:
        return writeList(out, value.toList(), depth);
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        out.append('[');
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i)
                out.append(',');
            writeJsonString(out, list.at(i).toUtf8());
        }
        out.append(']');
        return true;
    }
    default:
        break;
    }
    if (value.canConvert<QString>()) {
        writeJsonString(out, value.toString().toUtf8());
        return true;
    }
    return false;
}

class Reader
{
public:
    Reader(const char *begin, const char *end)
        : p(begin)
        , e(end)
    {}

    bool parseDocument(QVariant *value)
    {
        skipSpace();
        if (!parseValue(value, 0))
            return false;
        skipSpace();
        return p == e;
    }

private:
    const char *p;
    const char *const e;
    QByteArray scratch;

    void skipSpace()
    {
        while (p < e && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
    }

    bool literal(const char *word, qsizetype length)
    {
        if (e - p < length || std::memcmp(p, word, length) != 0)
            return false;
        p += length;
        return true;
    }

    bool parseValue(QVariant *value, int depth)
    {
        if (p == e || (depth >= MaxDepth && (*p == '{' || *p == '[')))
            return false;
        switch (*p) {
        case '{':
            return parseObject(value, depth);
        case '[':
            return parseArray(value, depth);
        case '"': {
            QString s;
            if (!parseString(&s))
                return false;
            *value = std::move(s);
            return true;
        }
        case 't':
            *value = true;
            return literal("true", 4);
        case 'f':
            *value = false;
            return literal("false", 5);
        case 'n':
            *value = QVariant();
            return literal("null", 4);
        default:
            return parseNumber(value);
        }
    }

    bool parseObject(QVariant *value, int depth)
    {
        ++p; // '{'
        QVariantMap map;
        skipSpace();
        if (p < e && *p == '}') {
            ++p;
            *value = std::move(map);
            return true;
        }
        for (;;) {
            skipSpace();
            QString key;
            if (p == e || *p != '"' || !parseString(&key))
                return false;
            skipSpace();
            if (p == e || *p != ':')
                return false;
            ++p;
            skipSpace();
            QVariant member;
            if (!parseValue(&member, depth + 1))
                return false;
            map.insert(key, std::move(member));
            skipSpace();
            if (p == e)
                return false;
            if (*p == ',') {
                ++p;
                continue;
            }
            if (*p != '}')
                return false;
            ++p;
            *value = std::move(map);
            return true;
        }
    }

    bool parseArray(QVariant *value, int depth)
    {
        ++p; // '['
        QVariantList list;
        skipSpace();
        if (p < e && *p == ']') {
            ++p;
            *value = std::move(list);
            return true;
        }
        for (;;) {
            skipSpace();
            QVariant item;
            if (!parseValue(&item, depth + 1))
                return false;
            list.append(std::move(item));
            skipSpace();
            if (p == e)
                return false;
            if (*p == ',') {
                ++p;
                continue;
            }
            if (*p != ']')
                return false;
            ++p;
            *value = std::move(list);
            return true;
        }
    }

    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool parseHex4(char32_t *unit)
    {
        if (e - p < 4)
            return false;
        char32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = hexValue(p[i]);
            if (h < 0)
                return false;
            v = (v << 4) | char32_t(h);
        }
        p += 4;
        *unit = v;
        return true;
    }

    static void appendUtf8(QByteArray &out, char32_t cp)
    {
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        }
    }

    bool parseString(QString *out)
    {
        ++p; // opening quote
        const char *start = p;
        while (p < e && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20)
            ++p;
        if (p == e)
            return false;
        if (*p == '"') {
            *out = QString::fromUtf8(start, p - start);
            ++p;
            return true;
        }
        if (*p != '\\')
            return false; // raw control character
        scratch.clear();
        scratch.append(start, p - start);
        while (p < e) {
            const char c = *p;
            if (c == '"') {
                ++p;
                *out = QString::fromUtf8(scratch);
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                scratch.append(c);
                ++p;
                continue;
            }
            if (++p == e)
                return false;
            switch (*p++) {
            case '"':
                scratch.append('"');
                break;
            case '\\':
                scratch.append('\\');
                break;
            case '/':
                scratch.append('/');
                break;
            case 'b':
                scratch.append('\b');
                break;
            case 'f':
                scratch.append('\f');
                break;
            case 'n':
                scratch.append('\n');
                break;
            case 'r':
                scratch.append('\r');
                break;
            case 't':
                scratch.append('\t');
                break;
            case 'u': {
                char32_t unit;
                if (!parseHex4(&unit))
                    return false;
                if (unit >= 0xD800 && unit < 0xDC00 && e - p >= 6 && p[0] == '\\' && p[1] == 'u') {
                    const char *save = p;
                    p += 2;
                    char32_t low;
                    if (parseHex4(&low) && low >= 0xDC00 && low < 0xE000)
                        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    else
                        p = save;
                }
                if (unit >= 0xD800 && unit < 0xE000)
                    unit = 0xFFFD; // a lone surrogate cannot be carried in UTF-8
                appendUtf8(scratch, unit);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool parseNumber(QVariant *value)
    {
        const char *start = p;
        if (p < e && *p == '-')
            ++p;
        if (p == e || !(*p >= '0' && *p <= '9'))
            return false;
        if (*p == '0' && p + 1 < e && p[1] >= '0' && p[1] <= '9')
            return false; // leading zeros are not JSON
        while (p < e && *p >= '0' && *p <= '9')
            ++p;
        bool integral = true;
        if (p < e && *p == '.') {
            integral = false;
            ++p;
            if (p == e || !(*p >= '0' && *p <= '9'))
                return false;
            while (p < e && *p >= '0' && *p <= '9')
                ++p;
        }
        if (p < e && (*p == 'e' || *p == 'E')) {
            integral = false;
            ++p;
            if (p < e && (*p == '+' || *p == '-'))
                ++p;
            if (p == e || !(*p >= '0' && *p <= '9'))
                return false;
            while (p < e && *p >= '0' && *p <= '9')
                ++p;
        }
        if (integral) {
            qlonglong n = 0;
            const auto result = std::from_chars(start, p, n);
            if (result.ec == std::errc() && result.ptr == p) {
                if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
                    *value = int(n);
                else
                    *value = n;
                return true;
            }
        }
        double d = 0;
        const auto result = std::from_chars(start, p, d);
        if (result.ptr != p ||
            (result.ec != std::errc() && result.ec != std::errc::result_out_of_range))
            return false;
        if (!std::isfinite(d))
            return false;
        *value = d;
        return true;
    }
};

} // namespace

void writeJsonString(QByteArray &out, const QByteArray &utf8)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    const char *p = utf8.constData();
    const char *const e = p + utf8.size();
    const char *run = p;
    for (; p < e; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"':
            out.append("\\\"", 2);
            break;
        case '\\':
            out.append("\\\\", 2);
            break;
        case '\n':
            out.append("\\n", 2);
            break;
        case '\r':
            out.append("\\r", 2);
            break;
        case '\t':
            out.append("\\t", 2);
            break;
        case '\b':
            out.append("\\b", 2);
            break;
        case '\f':
            out.append("\\f", 2);
            break;
        default: {
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(escaped, 6);
        }
        }
    }
    out.append(run, e - run);
    out.append('"');
}

bool writeJson(QByteArray &out, const QVariant &value)
{
    return writeValue(out, value, 0);
}

bool readJson(const char *begin, const char *end, QVariant *value)
{
    Reader reader(begin, end);
    return reader.parseDocument(value);
}

} // namespace qz::pps
