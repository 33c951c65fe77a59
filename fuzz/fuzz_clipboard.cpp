// The clipboard store against hostile names: whatever paths, types and data a caller passes, every
// file stays inside the store, one folder per path and one file per type, names with control
// characters are refused, and what reads back is what a plain in-memory model of the operations
// says.
#include "fuzzcheck.h"

#include <clipboard/clipboard.h>

#include <QDir>
#include <QDirIterator>
#include <QHash>

#include <cerrno>
#include <cstdlib>

namespace {

QString g_runtime;

bool hasControl(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// The length of a name once escaped: safe bytes stay, every other byte takes three.
qsizetype escapedSize(const QByteArray &bytes)
{
    qsizetype size = 0;
    for (const char c : bytes) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '+';
        size += safe ? 1 : 3;
    }
    return size;
}

bool validType(const QByteArray &type)
{
    return !type.isEmpty() && !hasControl(type) && escapedSize(type) + 2 <= 250;
}

bool validPath(const QByteArray &path)
{
    return path.size() <= CLIPBOARD_MAX_PATH && !hasControl(path) && escapedSize(path) + 2 <= 250;
}

void checkStore()
{
    const QString store = g_runtime + QStringLiteral("/qz/clipboard/");
    QDirIterator it(g_runtime,
                    QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        if (it.fileInfo().isDir() && !it.fileInfo().isSymLink())
            continue;
        QZ_FUZZ_CHECK(entry.startsWith(store), "a file outside the store: %s", qPrintable(entry));
        const QString inside = entry.mid(store.size());
        QZ_FUZZ_CHECK(inside.count(u'/') == 1 && inside.section(u'/', 1).startsWith(u"t-"),
                      "not one file per type in one folder per path: %s", qPrintable(inside));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (g_runtime.isEmpty()) {
        char folder[] = "/tmp/qz-fuzz-clipboard-XXXXXX";
        QZ_FUZZ_CHECK(::mkdtemp(folder), "no temporary folder");
        g_runtime = QString::fromLocal8Bit(folder);
        qputenv("XDG_RUNTIME_DIR", folder);
        std::atexit([] { QDir(g_runtime).removeRecursively(); });
    }
    QDir(g_runtime + QStringLiteral("/qz")).removeRecursively();
    set_clipboard_path(nullptr, 0);

    qzfuzz::Input input(data, size);
    QHash<QByteArray, QHash<QByteArray, QByteArray>> model; // path -> type -> data
    QByteArray path;
    for (int step = 0; step < 16 && !input.atEnd(); ++step) {
        const uint8_t op = input.byte() % 5;
        if (op == 0) {
            const QByteArray next = input.shortBytes();
            const int result = set_clipboard_path(next.constData(), unsigned(next.size()));
            QZ_FUZZ_CHECK((result == 0) == validPath(next), "path of %lld bytes: result %d",
                          static_cast<long long>(next.size()), result);
            if (result == 0)
                path = next;
            continue;
        }
        // A C string ends at its first NUL; the model sees the same type.
        QByteArray type = input.shortBytes();
        type.truncate(qstrnlen(type.constData(), size_t(type.size())));
        const bool valid = validType(type);
        QHash<QByteArray, QByteArray> &clipboard = model[path];
        if (op == 1) {
            const QByteArray bytes = input.shortBytes();
            const int stored =
                set_clipboard_data(type.constData(), unsigned(bytes.size()), bytes.constData());
            QZ_FUZZ_CHECK(stored == (valid ? bytes.size() : -1), "stored %d of %lld bytes", stored,
                          static_cast<long long>(bytes.size()));
            if (valid)
                clipboard.insert(type, bytes);
        } else if (op == 2) {
            char *got = nullptr;
            const int length = get_clipboard_data(type.constData(), &got);
            const QByteArray read = length > 0 ? QByteArray(got, length) : QByteArray();
            std::free(got);
            QZ_FUZZ_CHECK(clipboard.contains(type) ? read == clipboard.value(type) : length == -1,
                          "read %d bytes, the model has %lld", length,
                          static_cast<long long>(clipboard.value(type).size()));
        } else if (op == 3) {
            const int result = empty_clipboard_by(type.constData());
            QZ_FUZZ_CHECK((result == 0) == clipboard.contains(type), "removed: %d", result);
            clipboard.remove(type);
        } else {
            QZ_FUZZ_CHECK(is_clipboard_format_present(type.constData()) ==
                              (clipboard.contains(type) ? 0 : -1),
                          "presence differs from the model");
            if (input.byte() & 1) {
                QZ_FUZZ_CHECK(empty_clipboard() == 0, "emptying failed: errno %d", errno);
                clipboard.clear();
            }
        }
    }
    checkStore();
    return 0;
}
