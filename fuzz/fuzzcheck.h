// Shared by the fuzz targets: an invariant check that stops the run with a message (libFuzzer
// then saves the input), and a reader that turns fuzz bytes into small structured choices.
#ifndef QZ_FUZZCHECK_H
#define QZ_FUZZCHECK_H

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define QZ_FUZZ_CHECK(condition, ...)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant violated at %s:%d: %s\n  ", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fputc('\n', stderr);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace qzfuzz {

/*! Drops Qt's log output (warnings about malformed input would drown the fuzzer's); fatal
    messages still abort. */
inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

/*! Hands out the fuzz input piece by piece; past the end every read yields zeros or nothing. */
class Input
{
public:
    Input(const uint8_t *data, size_t size)
        : m_p(data)
        , m_end(data + size)
    {}

    bool atEnd() const { return m_p == m_end; }
    size_t remaining() const { return size_t(m_end - m_p); }

    uint8_t byte() { return atEnd() ? 0 : *m_p++; }
    uint32_t u32()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t(byte()) << (8 * i);
        return value;
    }
    /*! Up to \a size bytes, fewer near the end. */
    QByteArray bytes(size_t size)
    {
        const size_t n = size < remaining() ? size : remaining();
        QByteArray out(reinterpret_cast<const char *>(m_p), qsizetype(n));
        m_p += n;
        return out;
    }
    /*! A run preceded by its one-byte length. */
    QByteArray shortBytes() { return bytes(byte()); }

private:
    const uint8_t *m_p;
    const uint8_t *const m_end;
};

} // namespace qzfuzz

#endif
