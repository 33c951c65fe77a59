// What the navigator verbs of qzctl share: --socket and --timeout, waiting for a reply to finish,
// and printing a reply's outcome the same way for every verb.
#ifndef QZCTL_NAVIGATORCOMMAND_H
#define QZCTL_NAVIGATORCOMMAND_H

#include <qz/system/InvokeReply>
#include <qz/system/InvokeTarget>
#include <qz/system/SecurityPerimeter>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QMetaEnum>
#include <QStringList>
#include <QTimer>

#include <optional>

class NavigatorCommand
{
public:
    /*! Exit codes shared by the navigator verbs. */
    enum Exit { Ok = 0, ReplyError = 1, Usage = 2, NotSent = 3, TimedOut = 124 };

    NavigatorCommand(const QString &verb, const QString &description);

    QCommandLineParser &parser() { return m_parser; }
    /*! Parses; on a usage error prints it and returns false. Applies --socket. */
    bool parse(const QStringList &arguments);
    static int usageError(const QString &text);

    /*! Adds --target-type, --perimeter and (\a withMetadata) --metadata, which the verbs naming
        content share. */
    void addContentOptions(bool withMetadata);
    /*! The values of those options (none set: no types, Default, an empty map); nothing, after
        a usage error is printed, when one is malformed. */
    std::optional<qz::system::InvokeTarget::Types> targetTypes() const;
    std::optional<qz::system::SecurityPerimeter::Type> perimeter() const;
    std::optional<QVariantMap> metadata() const;

    bool isSet(const char *name) const { return m_parser.isSet(QLatin1String(name)); }
    QString value(const char *name) const { return m_parser.value(QLatin1String(name)); }
    QStringList values(const char *name) const { return m_parser.values(QLatin1String(name)); }
    QStringList positional() const { return m_parser.positionalArguments(); }
    int timeoutMs() const { return m_timeoutMs; }

    /*!
        Waits until \a reply finishes or --timeout passes. A null reply means the platform refused
        the request: says so. Prints "error: <name> (code <n>)" for a failed reply. Returns the
        exit code; \a reply stays owned by its manager.
    */
    int waitAndReport(qz::system::InvokeReply *reply, const char *what) const;

    static void print(const QString &line);

    /*!
        Sends the navigator service a request of its own (outside the navigator C API: what only
        tools ask, such as moving the clock) and waits for the answer named \a msg or an error.
        Returns the whole answer; nothing, with \a problem set, when there was none.
    */
    std::optional<QVariantMap> askNavigator(const QString &msg, const QVariantMap &dat,
                                            QString *problem) const;

    /*! Waits until \a reply (any reply class with isFinished() and finished()) finishes or
        --timeout passes; whether it finished. */
    template<typename R> bool waitForFinished(R *reply) const
    {
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply, &R::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return reply->isFinished();
    }

    /*! The value of enumeration \a E whose key is \a text, compared without regard to case. */
    template<typename E> static std::optional<E> enumValue(const QString &text)
    {
        const QMetaEnum meta = QMetaEnum::fromType<E>();
        for (int i = 0; i < meta.keyCount(); ++i) {
            if (text.compare(QLatin1String(meta.key(i)), Qt::CaseInsensitive) == 0)
                return E(meta.value(i));
        }
        return std::nullopt;
    }
    template<typename E> static QString enumName(E value)
    {
        return QLatin1String(QMetaEnum::fromType<E>().valueToKey(value));
    }

private:
    QCommandLineParser m_parser;
    int m_timeoutMs = 10000;
};

#endif
