// The navigator device backend reading what an untrusted navigator sends: the input is one
// message as read from the control object. An event ("msg::event" with a whole-number code) must
// be posted exactly once with that code, anything else not at all, and only an event may ask for
// an acknowledgement. Each posted event is then read the way the library reads it (its
// invocation, viewer, query results, filters, relay texts), which must agree with itself.
#include "fuzzcheck.h"

#include <qz/AbstractXrvEventHandler>
#include <qz/PpsObject>
#include <xrv/navigator.h>
#include <xrv/navigatordevicebackend.h>

#include <QCoreApplication>

#include <cstring>

using qz::platform::NavigatorDeviceBackend;

namespace {

void checkText(const char *text)
{
    if (text)
        QZ_FUZZ_CHECK(std::strlen(text) < size_t(qz::PpsObject::MaxMessageSize),
                      "a text longer than any message");
}

void readInvocation(const navigator_invoke_invocation_t *invocation)
{
    if (!invocation)
        return;
    const int length = navigator_invoke_invocation_get_data_length(invocation);
    const void *data = navigator_invoke_invocation_get_data(invocation);
    QZ_FUZZ_CHECK(length >= 0 && (length == 0 || data), "data of %d bytes at %p", length, data);
    if (length > 0) {
        volatile char last = static_cast<const char *>(data)[length - 1];
        Q_UNUSED(last);
    }
    for (const char *text : {navigator_invoke_invocation_get_id(invocation),
                             navigator_invoke_invocation_get_target(invocation),
                             navigator_invoke_invocation_get_action(invocation),
                             navigator_invoke_invocation_get_type(invocation),
                             navigator_invoke_invocation_get_uri(invocation),
                             navigator_invoke_invocation_get_metadata(invocation)})
        checkText(text);
}

class Reader : public qz::AbstractXrvEventHandler
{
public:
    Reader() { subscribe(navigator_get_domain()); }

    void event(xrv_event_t *event) override
    {
        codes.append(xrv_event_get_code(event));
        for (const char *text :
             {navigator_event_get_id(event), navigator_event_get_err(event),
              navigator_invoke_event_get_target(event), navigator_invoke_event_get_dname(event),
              navigator_invoke_event_get_window_id(event),
              navigator_invoke_event_get_viewer_relay_message_name(event),
              navigator_invoke_event_get_viewer_relay_window_id(event),
              navigator_invoke_event_get_viewer_relay_data(event),
              navigator_invoke_event_get_filters_target(event)})
            checkText(text);
        readInvocation(navigator_invoke_event_get_invocation(event));
        if (const navigator_invoke_viewer_t *viewer = navigator_invoke_event_get_viewer(event)) {
            readInvocation(navigator_invoke_viewer_get_invocation(viewer));
            checkText(navigator_invoke_viewer_get_window_id(viewer));
        }
        const int filters = navigator_invoke_event_get_filters_count(event);
        for (int i = 0; i < filters; ++i)
            checkText(navigator_invoke_event_get_filter(event, i));
        QZ_FUZZ_CHECK(!navigator_invoke_event_get_filter(event, std::max(filters, 0)),
                      "a filter past the count of %d", filters);
        const int actions = navigator_invoke_event_get_query_result_action_count(event);
        for (int i = 0; i < actions; ++i) {
            const navigator_invoke_query_result_action_t *action =
                navigator_invoke_event_get_query_result_action(event, i);
            QZ_FUZZ_CHECK(action, "action %d of %d missing", i, actions);
            checkText(navigator_invoke_query_result_action_get_name(action));
            const int targets = navigator_invoke_query_result_action_get_target_count(action);
            for (int t = 0; t < targets; ++t) {
                const navigator_invoke_query_result_target_t *target =
                    navigator_invoke_query_result_action_get_target(action, t);
                QZ_FUZZ_CHECK(target, "target %d of %d missing", t, targets);
                checkText(navigator_invoke_query_result_target_get_key(target));
            }
        }
    }

    QList<int> codes;
};

struct Harness
{
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    Reader reader;

    Harness() { qzfuzz::silenceQtMessages(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    // What the text says, read independently of the backend: each block headed "@..." is a
    // message, or the whole text is one when no block is.
    bool decoded = false;
    const QVariantMap blocks = qz::PpsObject::decode(text, &decoded);
    QList<QVariantMap> messages;
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap)
            messages.append(it.value().toMap());
    }
    if (messages.isEmpty())
        messages.append(blocks);
    QList<int> expected;
    for (const QVariantMap &message : std::as_const(messages)) {
        bool hasCode = false;
        const int code = message.value(QStringLiteral("dat"))
                             .toMap()
                             .value(QStringLiteral("code"))
                             .toInt(&hasCode);
        if (decoded && hasCode &&
            message.value(QStringLiteral("msg")).toString() == QLatin1String("event"))
            expected.append(code);
    }
    harness->reader.codes.clear();

    const QList<NavigatorDeviceBackend::Posted> posted = NavigatorDeviceBackend::readMessage(text);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    // Counted and compared by hand: comparing two empty QLists trips the sanitizer in Qt 6.4.
    const QList<int> &codes = harness->reader.codes;
    QZ_FUZZ_CHECK(codes.size() == expected.size() && posted.size() == expected.size(),
                  "%lld events delivered and %lld posted, %lld expected",
                  static_cast<long long>(codes.size()), static_cast<long long>(posted.size()),
                  static_cast<long long>(expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i)
        QZ_FUZZ_CHECK(codes.at(i) == expected.at(i) && posted.at(i).code == expected.at(i),
                      "event %lld has code %d, %d expected", static_cast<long long>(i), codes.at(i),
                      expected.at(i));
    return 0;
}
