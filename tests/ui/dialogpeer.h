// The far side of a dialog test: an embedded PPS server and a scripted dialog service on both
// control objects, with helpers that read requests and build answers the way the platform does.
#ifndef QZ_TESTS_UI_DIALOGPEER_H
#define QZ_TESTS_UI_DIALOGPEER_H

#include "ppstestserver.h"
#include "scriptedpeer.h"

#include <qz/system/systemuibutton.h>

#include <QTest>

#include <memory>

class DialogPeer
{
public:
    static QString controlPath() { return QStringLiteral("/pps/services/dialog/control"); }
    static QString systemControlPath()
    {
        return QStringLiteral("/pps/services/dialog/system-control");
    }

    explicit DialogPeer(bool serve = true)
        : control(std::make_unique<ScriptedPeer>(controlPath()))
        , systemControl(std::make_unique<ScriptedPeer>(systemControlPath()))
    {
        if (serve)
            open();
    }

    bool open() { return control->open() && systemControl->open(); }

    /*! Waits for the \a n-th request (1-based) on the control object and returns it. */
    ScriptedPeer::Request request(int n, ScriptedPeer *peer = nullptr)
    {
        peer = peer ? peer : control.get();
        if (!peer->waitForRequests(n))
            return {};
        return peer->requests().at(n - 1);
    }

    static QVariantMap descriptionOf(const ScriptedPeer::Request &request)
    {
        return request.message.value(QStringLiteral("dat"))
            .toMap()
            .value(QStringLiteral("desc_obj"))
            .toMap();
    }

    static QStringList labelsOf(const QVariantMap &description)
    {
        QStringList labels;
        for (const QVariant &button : description.value(QStringLiteral("buttons")).toList())
            labels.append(button.toMap().value(QStringLiteral("label")).toString());
        return labels;
    }

    static QString contextOf(const QObject *button)
    {
        return button->property("_qz_ppsID").toString();
    }

    /*! The platform's answer to \a request naming the button \a context, with further
        "resp_obj" entries. */
    static QVariantMap answerFor(const ScriptedPeer::Request &request, const QString &context,
                                 QVariantMap response = {})
    {
        response.insert(QStringLiteral("selectedIndex"), 0);
        response.insert(QStringLiteral("responseBtnContext"), context);
        return {
            {QStringLiteral("res"), QStringLiteral("show")},
            {QStringLiteral("id"), request.message.value(QStringLiteral("id"))},
            {QStringLiteral("dat"), QVariantMap{{QStringLiteral("resp_obj"), response}}},
        };
    }

    bool press(const ScriptedPeer::Request &request, const QObject *button,
               const QVariantMap &response = {})
    {
        return control->reply(request.clientId,
                              answerFor(request, button ? contextOf(button) : QString(), response));
    }

    PpsTestServer server;
    std::unique_ptr<ScriptedPeer> control;
    std::unique_ptr<ScriptedPeer> systemControl;
};

#endif
