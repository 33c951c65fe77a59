// Replays fuzz inputs without libFuzzer: every file in the directories (or the files) named on
// the command line goes through LLVMFuzzerTestOneInput once, so the seed corpus and the
// regression inputs run in the normal test build. Hidden files (.gitkeep) are skipped.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool replayFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray data = file.readAll();
    std::fprintf(stderr, "replaying %s (%lld bytes)\n", qPrintable(path),
                 static_cast<long long>(data.size()));
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(data.constData()),
                           size_t(data.size()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        const QFileInfo info(argument);
        if (!info.isDir()) {
            if (!info.exists() || !replayFile(argument))
                return 1;
            ++replayed;
            continue;
        }
        const QFileInfoList entries =
            QDir(argument).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (!replayFile(entry.filePath()))
                return 1;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    // An empty corpus would pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
