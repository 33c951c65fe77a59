#include "terminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {
// Spaces may belong to a password; only the line end goes.
QString lineText(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}
} // namespace

class StdioTerminalPrivate
{
public:
    explicit StdioTerminalPrivate(StdioTerminal *owner);
    ~StdioTerminalPrivate();

    void onReadable();

    StdioTerminal *const q;
    QSocketNotifier notifier;
    QByteArray pending;
    bool isTty = false;
    termios saved{};
};

StdioTerminalPrivate::StdioTerminalPrivate(StdioTerminal *owner)
    : q(owner)
    , notifier(STDIN_FILENO, QSocketNotifier::Read)
    , isTty(::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0)
{}

StdioTerminalPrivate::~StdioTerminalPrivate()
{
    if (isTty)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

void StdioTerminalPrivate::onReadable()
{
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        notifier.setEnabled(false);
        if (!pending.isEmpty())
            Q_EMIT q->lineEntered(lineText(std::exchange(pending, {})));
        Q_EMIT q->closed();
        return;
    }
    pending.append(buffer, n);
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        const QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        Q_EMIT q->lineEntered(lineText(line));
    }
}

StdioTerminal::StdioTerminal(QObject *parent)
    : Terminal(parent)
    , d(std::make_unique<StdioTerminalPrivate>(this))
{
    connect(&d->notifier, &QSocketNotifier::activated, this, [this] { d->onReadable(); });
}

StdioTerminal::~StdioTerminal() = default;

void StdioTerminal::write(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void StdioTerminal::setEcho(bool on)
{
    if (!d->isTty)
        return;
    termios settings = d->saved;
    if (!on)
        settings.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &settings);
}
