#include "ppsrecording.h"

#include "ppspath.h"
#include "ppsprotocol.h"

#include "../qz/ppscodec_p.h"

#include <qz/ppsobject.h>

#include <QFile>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qz::pps {

bool Record::operator==(const Record &other) const
{
    return time == other.time && from == other.from && connection == other.connection &&
           path == other.path && bytes == other.bytes && masked == other.masked;
}

namespace recording {

const char s_header[] = "qzpps-recording 1";
const char s_maskMarker[] = "<masked>";

namespace {

const char s_maskedField[] = "\\*";
const char s_headerPrefix[] = "qzpps-recording ";

struct FromName
{
    Record::From from;
    const char *name;
};
constexpr FromName s_fromNames[] = {
    {Record::From::Client, "client"},
    {Record::From::Server, "server"},
    {Record::From::Object, "object"},
};

// The length of the well-formed UTF-8 sequence at p (RFC 3629), 0 when there is none.
qsizetype utf8Length(const uchar *p, qsizetype left)
{
    struct Lead
    {
        uchar first, last; // lead bytes
        int length;
        uchar low, high; // the second byte's range
    };
    static constexpr Lead leads[] = {
        {0xc2, 0xdf, 2, 0x80, 0xbf}, {0xe0, 0xe0, 3, 0xa0, 0xbf}, {0xe1, 0xec, 3, 0x80, 0xbf},
        {0xed, 0xed, 3, 0x80, 0x9f}, {0xee, 0xef, 3, 0x80, 0xbf}, {0xf0, 0xf0, 4, 0x90, 0xbf},
        {0xf1, 0xf3, 4, 0x80, 0xbf}, {0xf4, 0xf4, 4, 0x80, 0x8f},
    };
    for (const Lead &lead : leads) {
        if (p[0] < lead.first || p[0] > lead.last)
            continue;
        if (left < lead.length || p[1] < lead.low || p[1] > lead.high)
            return 0;
        for (int i = 2; i < lead.length; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return 0;
        }
        return lead.length;
    }
    return 0;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads up to and including the next line end, at most limit bytes. QIODevice::readLine() with
// a limit reserves the whole limit first, megabytes for every line.
QByteArray readLine(QIODevice &device, qsizetype limit)
{
    QByteArray line;
    while (!line.endsWith('\n') && line.size() < limit && !device.atEnd()) {
        // readLine() keeps a byte of its limit for a terminating NUL.
        line += device.readLine(qMin<qsizetype>(limit - line.size(), 4096) + 1);
    }
    return line;
}

QString quoted(QByteArrayView text)
{
    return u'"' + QString::fromUtf8(text.first(qMin<qsizetype>(text.size(), 40))) + u'"';
}

} // namespace

qsizetype maxLineSize()
{
    const qsizetype time = 24; // 2026-12-06T21:44:17.123Z
    return time + 1 + 6 + 1 + 10 + 1 + 4 * PpsObject::MaxPathSize + 1 +
           4 * PpsObject::MaxMessageSize;
}

QByteArray escape(const QByteArray &bytes, bool escapeSpaces)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8);
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const uchar c = p[i];
        if (c >= 0x80) {
            if (const qsizetype n = utf8Length(p + i, size - i)) {
                out.append(bytes.constData() + i, n);
                i += n;
                continue;
            }
        }
        ++i;
        switch (c) {
        case '\\':
            out.append("\\\\");
            continue;
        case '\n':
            out.append("\\n");
            continue;
        case '\r':
            out.append("\\r");
            continue;
        case '\t':
            out.append("\\t");
            continue;
        default:
            break;
        }
        if (c < 0x20 || c >= 0x7f || (escapeSpaces && c == ' '))
            out.append("\\x").append(hex[c >> 4]).append(hex[c & 15]);
        else
            out.append(char(c));
    }
    return out;
}

std::optional<QByteArray> unescape(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (uchar(c) < 0x20 || uchar(c) == 0x7f)
            return std::nullopt; // the writer escapes these
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            out.append('\\');
            break;
        case 'n':
            out.append('\n');
            break;
        case 'r':
            out.append('\r');
            break;
        case 't':
            out.append('\t');
            break;
        case 'x': {
            if (i + 2 >= field.size())
                return std::nullopt;
            const int high = hexDigit(field[i + 1]);
            const int low = hexDigit(field[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out.append(char(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

QByteArray format(const Record &record)
{
    const char *from = "";
    for (const FromName &name : s_fromNames) {
        if (name.from == record.from)
            from = name.name;
    }
    QByteArray line = record.time.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    line.append(' ').append(from);
    line.append(' ').append(QByteArray::number(record.connection));
    line.append(' ').append(escape(record.path, true));
    line.append(' ').append(record.masked ? QByteArray(s_maskedField) : escape(record.bytes));
    line.append('\n');
    return line;
}

std::optional<Record> parse(QByteArrayView line, QString *why)
{
    auto fail = [why](const QString &text) {
        *why = text;
        return std::nullopt;
    };
    QByteArrayView fields[5];
    qsizetype start = 0;
    for (int i = 0; i < 4; ++i) {
        const qsizetype space = line.indexOf(' ', start);
        if (space < 0)
            return fail(QStringLiteral("%1 fields where a record has 5").arg(i + 1));
        fields[i] = line.sliced(start, space - start);
        start = space + 1;
    }
    fields[4] = line.sliced(start);

    Record record;
    record.time = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
    if (!record.time.isValid())
        return fail(QStringLiteral("the time %1 is not an ISO 8601 time").arg(quoted(fields[0])));
    record.time = record.time.toUTC();

    bool known = false;
    for (const FromName &name : s_fromNames) {
        if (fields[1] == name.name) {
            record.from = name.from;
            known = true;
        }
    }
    if (!known)
        return fail(
            QStringLiteral("%1 is neither client, server nor object").arg(quoted(fields[1])));

    const QByteArrayView connection = fields[2];
    bool digits = !connection.isEmpty() && connection.size() <= 10;
    for (const char c : connection)
        digits = digits && c >= '0' && c <= '9';
    const qlonglong id = digits ? connection.toLongLong() : -1;
    if (id < 0 || id > std::numeric_limits<int>::max())
        return fail(QStringLiteral("the connection %1 is not a client id").arg(quoted(connection)));
    record.connection = int(id);

    const std::optional<QByteArray> path = unescape(fields[3]);
    Path parsed;
    QString pathError;
    if (!path || !Path::parse(*path, &parsed, &pathError) || parsed.object != *path ||
        parsed.directory)
        return fail(QStringLiteral("%1 is not the path of an object").arg(quoted(fields[3])));
    record.path = *path;

    if (fields[4] == s_maskedField) {
        record.masked = true;
        return record;
    }
    std::optional<QByteArray> bytes = unescape(fields[4]);
    if (!bytes)
        return fail(QStringLiteral("the message is not escaped as recordings escape it"));
    if (bytes->size() > PpsObject::MaxMessageSize)
        return fail(QStringLiteral("the message exceeds %1 bytes").arg(PpsObject::MaxMessageSize));
    record.bytes = std::move(*bytes);
    return record;
}

bool isBlockLine(QByteArrayView line)
{
    return line.startsWith('@') ||
           (line.size() > 1 && line[1] == '@' && QByteArrayView("+-*#").contains(line[0]));
}

std::optional<QList<Record>> read(QIODevice &device, QString *error)
{
    const QByteArray first = device.readLine(qsizetype(sizeof s_header) + 16);
    if (first != QByteArray(s_header) + '\n') {
        *error = first.startsWith(s_headerPrefix)
                     ? QStringLiteral("line 1: version %1 of the recording format is not known "
                                      "(this reads version 1)")
                           .arg(quoted(
                               QByteArrayView(first).sliced(sizeof s_headerPrefix - 1).trimmed()))
                     : QStringLiteral("line 1: not a PPS recording (no \"%1\" header)")
                           .arg(QLatin1String(s_header));
        return std::nullopt;
    }
    QList<Record> records;
    for (int number = 2; !device.atEnd(); ++number) {
        const QByteArray line = readLine(device, maxLineSize() + 1);
        QString why;
        if (!line.endsWith('\n'))
            why = line.size() > maxLineSize()
                      ? QStringLiteral("longer than %1 bytes").arg(maxLineSize())
                      : QStringLiteral("cut short: no line end");
        else if (std::optional<Record> record = parse(QByteArrayView(line).chopped(1), &why))
            records.append(std::move(*record));
        if (!why.isEmpty()) {
            *error = QStringLiteral("line %1: %2").arg(number).arg(why);
            return std::nullopt;
        }
    }
    return records;
}

} // namespace recording

// --- Masking ---------------------------------------------------------------------------------

namespace {

const QByteArray s_dialogControl = QByteArrayLiteral("/pps/services/dialog/control");
const QByteArray s_dialogSystemControl = QByteArrayLiteral("/pps/services/dialog/system-control");
const QByteArray s_contextControl = QByteArrayLiteral("/pps/services/context/control");

// How many prompts asking for a password are remembered until their answers come.
constexpr qsizetype MaxSecretPrompts = 256;

QString marker()
{
    return QString::fromLatin1(recording::s_maskMarker);
}

void maskStrings(QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (QVariant &member : map)
            maskStrings(member);
        value = map;
        break;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant &element : list)
            maskStrings(element);
        value = list;
        break;
    }
    case QMetaType::QString:
        value = marker();
        break;
    default:
        break;
    }
}

// Masks the values held under the names in keys, at any depth of value (itself named name):
// whole, or only the strings in them, which keeps the message's shape for replay. Returns
// whether any such name was met, even when its value was the marker already: a duplicate JSON
// member may have hidden another value behind it.
bool maskNamed(QVariant &value, const QString &name, const QSet<QString> &keys, bool whole)
{
    if (keys.contains(name)) {
        if (whole)
            value = marker();
        else
            maskStrings(value);
        return true;
    }
    bool met = false;
    if (value.typeId() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            met = maskNamed(it.value(), it.key(), keys, whole) || met;
        if (met)
            value = map;
    } else if (value.typeId() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (QVariant &element : list)
            met = maskNamed(element, QString(), keys, whole) || met;
        if (met)
            value = list;
    }
    return met;
}

// One line of a message, decoded.
struct Line
{
    QByteArrayView raw;
    bool attribute = false;
    QString name;
    QVariant value;
    int segment = 0;
};

QVariantMap member(const QVariantMap &map, const QString &key)
{
    return map.value(key).toMap();
}

} // namespace

class MaskerPrivate
{
public:
    // Ids of the prompts that asked for a password keyboard, oldest first.
    std::deque<QString> secretPrompts;

    static bool asksForSecret(const QVariantMap &description);
    void remember(const QString &id);
    bool isSecret(const QString &id) const;
    QSet<QString> dialogKeys(const QVariantMap &segment, Record::From from);
};

bool MaskerPrivate::asksForSecret(const QVariantMap &description)
{
    static const QSet<QString> secretKeyboards{QStringLiteral("password"), QStringLiteral("pin"),
                                               QStringLiteral("pin_sim")};
    return description.value(QStringLiteral("displayAsPassword")).toBool() ||
           secretKeyboards.contains(description.value(QStringLiteral("inputKeyboard")).toString());
}

void MaskerPrivate::remember(const QString &id)
{
    if (id.isEmpty() || isSecret(id))
        return;
    if (qsizetype(secretPrompts.size()) == MaxSecretPrompts)
        secretPrompts.pop_front();
    secretPrompts.push_back(id);
}

bool MaskerPrivate::isSecret(const QString &id) const
{
    return !id.isEmpty() &&
           std::find(secretPrompts.cbegin(), secretPrompts.cend(), id) != secretPrompts.cend();
}

// The names whose values are private in one block of a dialog message.
QSet<QString> MaskerPrivate::dialogKeys(const QVariantMap &segment, Record::From from)
{
    QSet<QString> keys{QStringLiteral("password")};
    const QString msg = segment.value(QStringLiteral("msg")).toString();
    const QVariantMap dat = member(segment, QStringLiteral("dat"));
    // A show names its dialog at the top, an update inside "dat"; answers at the top.
    const QString id = msg == QLatin1String("update")
                           ? dat.value(QStringLiteral("id")).toString()
                           : segment.value(QStringLiteral("id")).toString();
    if (from == Record::From::Client && asksForSecret(member(dat, QStringLiteral("desc_obj"))))
        remember(id);
    if (isSecret(id))
        keys.insert(QStringLiteral("inputField"));
    return keys;
}

Masker::Masker()
    : d(std::make_unique<MaskerPrivate>())
{}

Masker::~Masker() = default;

bool Masker::guards(const QByteArray &path)
{
    return path == s_dialogControl || path == s_dialogSystemControl || path == s_contextControl;
}

Record Masker::mask(Record record)
{
    if (record.masked || !guards(record.path))
        return record;
    auto maskWhole = [&record] {
        record.bytes.clear();
        record.masked = true;
        return record;
    };
    bool ok = false;
    PpsObject::decode(record.bytes, &ok);
    if (!ok)
        return maskWhole();

    // A client's write reaches the server as one block whatever headers it holds; a server's
    // or an ordinary write is read block by block.
    std::vector<Line> lines;
    int segment = 0;
    const QByteArray &bytes = record.bytes;
    for (qsizetype start = 0; start <= bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        Line line;
        line.raw = QByteArrayView(bytes).sliced(start, end - start);
        const bool header = recording::isBlockLine(line.raw);
        if (header && record.from != Record::From::Client)
            ++segment;
        line.segment = segment;
        const qsizetype colon1 = line.raw.indexOf(':');
        if (!header && !line.raw.isEmpty() && !line.raw.startsWith('-') && colon1 > 0) {
            const qsizetype colon2 = line.raw.indexOf(':', colon1 + 1);
            const char *p = line.raw.data();
            line.attribute = true;
            line.name = QString::fromUtf8(line.raw.first(colon1));
            if (colon2 < 0 || !decodeValue(p + colon1 + 1, p + colon2, p + colon2 + 1,
                                           p + line.raw.size(), &line.value))
                return maskWhole(); // not once decode() took the message; if ever, nothing leaks
        }
        lines.push_back(line);
        start = end + 1;
    }

    std::vector<QVariantMap> segments(size_t(segment) + 1);
    for (const Line &line : lines) {
        if (line.attribute)
            segments[size_t(line.segment)].insert(line.name, line.value);
    }
    std::vector<QSet<QString>> keys(segments.size());
    std::vector<bool> wholeValues(segments.size(), true);
    for (size_t i = 0; i < segments.size(); ++i) {
        if (record.path == s_contextControl) {
            const QString msg = segments[i].value(QStringLiteral("msg")).toString();
            if (msg == QLatin1String("getCCLAnonymizedString") ||
                msg == QLatin1String("getCCLAnonymizedPIN"))
                keys[i].insert(QStringLiteral("args"));
            wholeValues[i] = false;
        } else {
            keys[i] = d->dialogKeys(segments[i], record.from);
        }
    }

    QByteArray masked;
    masked.reserve(bytes.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        Line &line = lines[i];
        if (i > 0)
            masked.append('\n');
        const size_t s = size_t(line.segment);
        if (!line.attribute || !maskNamed(line.value, line.name, keys[s], wholeValues[s])) {
            masked.append(line.raw);
            continue;
        }
        QByteArray text;
        if (!encodeAttribute(text, line.name, line.value))
            return maskWhole();
        masked.append(text.chopped(1));
    }
    record.bytes = masked;
    return record;
}

// --- Recorder --------------------------------------------------------------------------------

class RecorderPrivate
{
public:
    ~RecorderPrivate();
    bool writeAll(const QByteArray &text);

    int fd = -1;
    QString fileName;
    Masker masker;
};

RecorderPrivate::~RecorderPrivate()
{
    if (fd >= 0)
        ::close(fd);
}

bool RecorderPrivate::writeAll(const QByteArray &text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

Recorder::Recorder()
    : d(std::make_unique<RecorderPrivate>())
{}

Recorder::~Recorder() = default;

bool Recorder::open(const QString &fileName, QString *error)
{
    auto fail = [&](const QString &why) {
        *error = QStringLiteral("Cannot record to %1: %2").arg(fileName, why);
        if (d->fd >= 0)
            ::close(d->fd);
        d->fd = -1;
        return false;
    };
    if (d->fd >= 0)
        return fail(QStringLiteral("already recording to %1").arg(d->fileName));
    const QByteArray native = QFile::encodeName(fileName);
    // O_NONBLOCK: opening a FIFO planted at the path must not hang the server.
    d->fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (d->fd < 0)
        return fail(errno == ELOOP   ? QStringLiteral("it is a symbolic link")
                    : errno == ENXIO ? QStringLiteral("it is not a regular file")
                                     : QString::fromLocal8Bit(strerror(errno)));
    struct stat info;
    if (::fstat(d->fd, &info) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("it is not a regular file"));
    if (info.st_uid != geteuid())
        return fail(QStringLiteral("it belongs to another user (uid %1)").arg(info.st_uid));
    if (info.st_nlink > 1)
        return fail(QStringLiteral("it has other hard links"));
    if (::fchmod(d->fd, 0600) != 0 || ::ftruncate(d->fd, 0) != 0 ||
        ::fcntl(d->fd, F_SETFL, ::fcntl(d->fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (!d->writeAll(QByteArray(recording::s_header) + '\n'))
        return fail(QString::fromLocal8Bit(strerror(errno)));
    d->fileName = fileName;
    return true;
}

bool Recorder::isOpen() const
{
    return d->fd >= 0;
}

void Recorder::record(const QByteArray &path, int connection, Record::From from,
                      const QByteArray &bytes)
{
    if (d->fd < 0)
        return;
    Record record;
    record.time = QDateTime::currentDateTimeUtc();
    record.from = from;
    record.connection = connection;
    record.path = path;
    record.bytes = bytes;
    if (d->writeAll(recording::format(d->masker.mask(std::move(record)))))
        return;
    qCWarning(lcPps).noquote() << "Recording to" << d->fileName
                               << "stopped:" << QString::fromLocal8Bit(strerror(errno));
    ::close(d->fd);
    d->fd = -1;
}

} // namespace qz::pps
