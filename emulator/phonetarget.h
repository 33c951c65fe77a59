// The phone application's invocation target, served by the phone service itself: the
// navigator knows it as a built-in declaration (declaration()), and PhoneTarget connects to the
// navigator as that target, the way a running application does, so invocations that place a
// call or open the dial pad reach the phone service like any other invocation reaches its target.
//
// An invocation's data is a PPS-encoded map: "number" (text), "line_id" (the line type as a
// number: 0 cellular, 1 Kestrane, 2 vchat, 3 Murmex; cellular when absent), and for a call
// "video_call" (bool) and "apply_smart_dialing" (bool).
#ifndef QZDEVICE_PHONETARGET_H
#define QZDEVICE_PHONETARGET_H

#include "targetdeclaration.h"

#include <QObject>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace qz {
class PpsObject;
}

class PhoneTarget : public QObject
{
    Q_OBJECT
public:
    static const QString s_key;
    static const QString s_dialAction;
    static const QString s_startCallType;
    static const QString s_dialpadType;

    struct Request
    {
        enum class Kind { Call, Dialpad };
        Kind kind = Kind::Call;
        QString number;
        QString line; // the line's wire name
        bool video = false;
        int perimeter = 0; // as the invocation says: 0 any, 1 personal, 2 enterprise
    };

    /*! The navigator's declaration of the phone application. */
    static TargetDeclaration declaration();
    /*! Reads an invocation as the navigator delivers it ("action", "type", "perimeter" and
        base64 "data"); nullopt, with \a why, when it asks for nothing the phone does. */
    static std::optional<Request> readInvocation(const QVariantMap &invocation, QString *why);

    explicit PhoneTarget(QObject *parent = nullptr);
    ~PhoneTarget() override;

    /*! Connects to the navigator as the target; false, with \a error, when there is none. */
    bool start(QString *error);

Q_SIGNALS:
    void requested(const PhoneTarget::Request &request);
    /*! The navigator went away. */
    void lost(const QString &reason);

private:
    void onReadyRead();

    std::unique_ptr<qz::PpsObject> m_navigator;
};

#endif
