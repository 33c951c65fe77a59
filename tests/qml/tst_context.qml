// Usage events sent from QML reach qzdevice's context collector; qzctl context tail prints what
// it collected.
import QtQuick
import QtTest
import qz.system

TestCase {
    name: "Context"

    ContextCollector {
        id: collector
        applicationName: "qml.notes"
        applicationVersion: "2.1"
    }
    ContextEvent { id: event }

    // Starts qzctl context tail for \a count events, once it follows the collector.
    function startTail(count) {
        const tail = device.startCtl(["context", "tail", "--count", String(count)])
        tryVerify(() => device.output(tail).startsWith("tailing"), 10000, device.output(tail))
        return tail
    }

    function tailed(tail, count) {
        tryVerify(() => device.output(tail).split("\n").length === count + 2, 10000,
                  device.output(tail))
        return device.output(tail).split("\n").slice(1, count + 1).map(line => JSON.parse(line))
    }

    function test_kinds_data() {
        return [
            { tag: "custom", send: () => collector.sendCustomEvent("opened", null),
              kind: "ccl_oncustom_event", name: "opened", keys: [] },
            { tag: "application error", send: () => collector.sendApplicationError("disk full"),
              kind: "ccl_onapplication_error", keys: [["errorMessage", "disk full"]] },
            { tag: "search", send: () => collector.sendSearchEvent("recipes"),
              kind: "ccl_onsearch_event", name: "recipes", keys: [] },
            { tag: "activity start",
              send: () => collector.sendActivity("editor", ContextActivityState.Start),
              kind: "ccl_onactivity_start", name: "editor", keys: [] },
            { tag: "activity pause",
              send: () => collector.sendActivity("editor", ContextActivityState.Pause),
              kind: "ccl_onactivity_pause", name: "editor", keys: [] },
            { tag: "activity stop",
              send: () => collector.sendActivity("editor", ContextActivityState.Stop),
              kind: "ccl_onactivity_end", name: "editor", keys: [] },
            { tag: "button click", send: () => collector.sendButtonClick(),
              kind: "ccl_onbutton_click", keys: [] },
            { tag: "content view", send: () => collector.sendContentView(),
              kind: "ccl_oncontent_view", keys: [] },
            { tag: "ad click", send: () => collector.sendAdClick("banner"),
              kind: "ccl_onadclick_event", name: "banner", keys: [] },
            { tag: "conversion", send: () => collector.sendConversionEvent("signup"),
              kind: "ccl_onconversion_event", name: "signup", keys: [] },
            { tag: "corporate liable", send: () => collector.sendCorporateLiableEvent("audit"),
              kind: "ccl_oncorporateliable_event", name: "audit", keys: [] },
        ]
    }

    function test_kinds(data) {
        verify(collector.isValid())
        verify(collector.isEnabled())
        const tail = startTail(1)
        data.send()
        const received = tailed(tail, 1)[0]
        compare(received.application, "qml.notes")
        compare(received.version, "2.1")
        compare(received.kind, data.kind)
        compare(received.name, data.name)
        compare(received.keys, data.keys)
    }

    function test_attributesInOrder() {
        event.clear()
        event.insert("label", "draft")
        event.insert("count", 3)
        event.insert("ratio", 1 / 3, 3)
        event.insert("shared", true)
        event.insert("account", "alice@example.org", ContextClassification.Private)
        event.insert("label", "final") // in place
        event.insert("gone", "x")
        event.remove("gone")
        const tail = startTail(1)
        collector.sendCustomEvent("saved", event)
        const keys = tailed(tail, 1)[0].keys
        compare(keys.map(pair => pair[0]), ["label", "count", "ratio", "shared", "account"])
        compare(keys.slice(0, 4), [["label", "final"], ["count", "3"], ["ratio", "0.333"],
                                   ["shared", "true"]])
        // Anonymised on insertion: a digest of 43 characters, never the address.
        verify(/^[A-Za-z0-9_-]{43}$/.test(keys[4][1]), keys[4][1])
    }

    // The event reads back in QML what it will send, the timestamp converted to UTC.
    function test_timestampAndReadBack() {
        event.clear()
        event.insertCorporateLiableTimestamp("at", new Date(Date.UTC(2026, 11, 7, 1, 2, 3)))
        event.insert("who", "ops")
        compare(event.keys(), ["at", "who"])
        compare(event.value("at"), "2026/12/07 01:02:03")
        compare(event.value("absent"), "")
    }

    function test_activityStateOutOfRangeRefused() {
        const tail = startTail(1)
        ignoreWarning(new RegExp("ContextActivityState parameter is out of range: 7"))
        collector.sendActivity("editor", 7)
        collector.sendActivity("viewer", ContextActivityState.Start)
        const received = tailed(tail, 1)[0]
        compare([received.kind, received.name], ["ccl_onactivity_start", "viewer"])
    }
}
