/*
 * Not API. The data of a Line, and the line type names of the phone service.
 */
#ifndef QZ_SYSTEM_PHONE_LINE_P_H
#define QZ_SYSTEM_PHONE_LINE_P_H

#include <qz/system/phone/line.h>

#include <QSharedData>

namespace qz::system::phone {

class LinePrivate : public QSharedData
{
public:
    static inline const QString CELLULAR_LINE_TYPE = QStringLiteral("cellular");
    static inline const QString KESTRANE_LINE_TYPE = QStringLiteral("Kestrane");
    static inline const QString MURMEX_LINE_TYPE = QStringLiteral("Murmex");
    static inline const QString VCHAT_LINE_TYPE = QStringLiteral("vchat");

    /*! The line state numbers that the "state" texts stand for. */
    enum State { StateUnknown = 0, Unavailable = 1, Idle = 2, Active = 3, Unregistered = 4 };

    LinePrivate() = default;
    LinePrivate(const LinePrivate &other) = default;
    virtual ~LinePrivate() = default;

    /*! The wire name of \a type; every type without a name of its own is "cellular". */
    static QString lineTypeName(LineType::Type type)
    {
        switch (type) {
        case LineType::Kestrane:
            return KESTRANE_LINE_TYPE;
        case LineType::VideoChat:
            return VCHAT_LINE_TYPE;
        case LineType::Murmex:
            return MURMEX_LINE_TYPE;
        default:
            return CELLULAR_LINE_TYPE;
        }
    }

    /*! The type a wire name stands for (exact case); Invalid for any other text. */
    static LineType::Type lineTypeFromName(const QString &name)
    {
        if (name == CELLULAR_LINE_TYPE)
            return LineType::Cellular;
        if (name == KESTRANE_LINE_TYPE)
            return LineType::Kestrane;
        if (name == VCHAT_LINE_TYPE)
            return LineType::VideoChat;
        if (name == MURMEX_LINE_TYPE)
            return LineType::Murmex;
        return LineType::Invalid;
    }

    static int stateFromText(const QString &text)
    {
        if (text == QLatin1String("unavailable"))
            return Unavailable;
        if (text == QLatin1String("idle"))
            return Idle;
        if (text == QLatin1String("active"))
            return Active;
        if (text == QLatin1String("unregistered"))
            return Unregistered;
        return StateUnknown;
    }

    bool isAvailable() const { return state == Idle || state == Active; }
    bool isActive() const { return state == Active; }

    QString id;
    QString address;
    QString friendlyName;
    int voiceUsage = 0;
    qint64 resetTime = 0;
    int state = StateUnknown;
};

} // namespace qz::system::phone

#endif
