/*
 * Not API. The platform's timer registration, wrapped: every failed platform call throws, so an
 * operation that fills and sends a registration is one try block; the registration is destroyed
 * on every way out. The translation of times and rules logs what failed before it throws.
 */
#ifndef QZ_SYSTEM_XRVTIMERREQUEST_P_H
#define QZ_SYSTEM_XRVTIMERREQUEST_P_H

#include <qz/system/invokedatetime.h>
#include <qz/system/invokerecurrencerule.h>

#include <xrv/navigator.h>

namespace qz::system {

class XrvTimerRequest
{
public:
    /*! Kinds of registration, as the navigator numbers them. */
    enum Kind { Deregistration = 0, Recurrent = 1, SpecificTimeLocal = 2, SpecificTimeZoned = 3 };
    enum Action { Register = 1, Deregister = 2 };

    /*! Creates the platform registration; throws std::system_error when the platform refuses. */
    explicit XrvTimerRequest(Kind kind);
    ~XrvTimerRequest();

    /*! Setters throw std::system_error when the platform refuses. */
    void setAction(Action action);
    void setId(const QString &id);
    void setTimerId(const QString &timerId);
    void setTarget(const QString &target);
    /*! Also throws when \a time cannot be made a complete platform time (it is not valid, or the
        platform refused part of it): a timer must not be registered for a time it did not ask. */
    void setSpecificTime(const InvokeDateTime &time);
    /*! Translates \a rule step by step; logs the step that failed, releases everything made so
        far and throws std::runtime_error. */
    void setRecurrenceRule(const InvokeRecurrenceRule &rule);
    /*! Logs and throws std::runtime_error when the navigator does not take the registration. */
    void send();

    /*!
        A platform time of \a dateTime, to the minute, owned by the caller: null when none could be
        created; \a filled tells whether every field reached it (false for an invalid date-time).
    */
    static navigator_invoke_specific_time_t *createNST(const InvokeDateTime &dateTime,
                                                       bool *filled);

    XrvTimerRequest(const XrvTimerRequest &) = delete;
    XrvTimerRequest &operator=(const XrvTimerRequest &) = delete;

private:
    navigator_invoke_timer_registration_t *m_handle = nullptr;
};

} // namespace qz::system

#endif
