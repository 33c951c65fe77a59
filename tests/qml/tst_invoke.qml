// Invocations from QML reach a target that qzdevice's navigator starts as another process.
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Invoke"

    InvokeManager {
        id: manager
        onInvoked: request => testCase.invocations.push({ target: request.target,
                                                          action: request.action,
                                                          type: request.mimeType })
    }
    property var invocations: []

    // Value types cannot be created from a JavaScript object before Qt 6.5: a property of the
    // type holds one, and its fields are set one by one.
    property invokeRequest request
    property invokeQueryTargetsRequest query
    property invokeViewerRequest viewer
    property invokeViewerMessage relay
    property invokeTargetFilter filter
    property invokeUpdateTargetFiltersRequest filtersUpdate
    property invokeDateTime when
    property invokeTimerRequest timer
    property invokeRecurrenceRule rule

    function test_invocation_data() {
        return [
            { tag: "by target", target: "qml.receiver", action: "", type: "",
              error: InvokeReplyError.None, chosen: "qml.receiver",
              received: "invoked: target=qml.receiver data=from QML" },
            { tag: "by action and type", target: "", action: "qz.action.SHOW", type: "text/plain",
              error: InvokeReplyError.None, chosen: "qml.receiver",
              received: "invoked: action=qz.action.SHOW type=text/plain data=from QML" },
            { tag: "unknown target", target: "qml.nobody", action: "", type: "",
              error: InvokeReplyError.NoTarget, chosen: "", received: "" },
        ]
    }

    function test_invocation(data) {
        request.target = data.target
        request.action = data.action
        request.mimeType = data.type
        request.data = "from QML"
        compare(request.target, data.target)

        const reply = manager.invoke(request)
        verify(reply !== null)
        tryVerify(() => reply.isFinished(), 10000)
        compare(reply.error, data.error)
        compare(reply.target, data.chosen)
        if (data.received !== "") {
            compare(reply.targetType, InvokeTarget.Application)
            tryVerify(() => device.received("qml.receiver").includes(data.received), 10000,
                      device.received("qml.receiver"))
        }
        reply.destroy()
    }

    function test_queryTargets() {
        query.action = "qz.action.SHOW"
        query.mimeType = "text/plain"
        query.actionType = InvokeAction.All
        const reply = manager.queryTargets(query)
        verify(reply !== null)
        tryVerify(() => reply.isFinished(), 10000)
        compare(reply.error, InvokeReplyError.None)
        compare(reply.actions.length, 1)
        const action = reply.actions[0]
        compare(action.name, "qz.action.SHOW")
        compare(action.targets.map(target => target.name), ["qml.receiver"])
        compare(action.targets[0].type, InvokeTarget.Application)
        reply.destroy()
    }

    function test_viewer() {
        viewer.target = "qml.viewer"
        viewer.action = "qz.action.VIEW"
        viewer.mimeType = "image/png"
        viewer.windowId = "w1"
        viewer.windowSize = Qt.size(320, 240)
        const reply = manager.invoke(viewer)
        verify(reply !== null)
        tryVerify(() => reply.isFinished(), 10000)
        compare(reply.error, InvokeReplyError.None)
        compare(reply.targetType, InvokeTarget.Viewer)
        tryVerify(() => device.received("qml.viewer").includes(
                      "invoked as viewer in window w1 (320x240)"), 10000,
                  device.received("qml.viewer"))
        reply.destroy()

        // A relay that asks for an answer: the viewer echoes it.
        relay.windowId = "w1"
        relay.id = "m1"
        relay.name = "ping"
        relay.data = "hello"
        const answer = manager.send(relay)
        verify(answer !== null)
        tryVerify(() => answer.isFinished(), 10000)
        compare(answer.error, InvokeViewerMessageReplyError.None)
        compare(answer.data, "hello")
        verify(device.received("qml.viewer").includes("relay ping from window w1: hello"),
               device.received("qml.viewer"))
        answer.destroy()
    }

    // This process runs as the target qml.self (see tst_qml.cpp): it receives invocations and
    // owns its filters and timers.
    function test_receivesInvocation() {
        invocations = []
        device.startCtl(["invoke", "--target", "qml.self", "--action", "qz.action.PLAY",
                         "--type", "audio/mpeg"])
        tryCompare(invocations, "length", 1, 10000)
        compare(invocations[0], { target: "qml.self", action: "qz.action.PLAY",
                                  type: "audio/mpeg" })
    }

    function test_filtersOfOwnTarget() {
        verify(filter.addAction("qz.action.OPEN"))
        verify(filter.addMimeType("video/mp4"))
        filtersUpdate.target = "qml.self"
        filtersUpdate.filters = [filter]
        compare(filtersUpdate.filters[0].actions, ["qz.action.OPEN"])
        const update = manager.updateTargetFilters(filtersUpdate)
        verify(update !== null)
        tryVerify(() => update.isFinished(), 10000)
        compare(update.error, InvokeReplyError.None)

        const read = manager.requestTargetFilters("qml.self")
        verify(read !== null)
        tryVerify(() => read.isFinished(), 10000)
        compare(read.error, InvokeReplyError.None)
        compare(read.targetKey, "qml.self")
        compare(read.filters.length, 1)
        compare(read.filters[0].actions, ["qz.action.OPEN"])
        compare(read.filters[0].mimeTypes, ["video/mp4"])
        update.destroy()
        read.destroy()
    }

    function test_timer() {
        when.date = new Date(2030, 0, 31)
        when.time = new Date(2030, 0, 31, 8, 0)
        when.timeZone = "UTC"
        timer.set("qml.timer", when, "qml.self")
        verify(timer.valid)
        const registered = manager.registerTimer(timer)
        verify(registered !== null)
        tryVerify(() => registered.isFinished(), 10000)
        compare(registered.error, InvokeReplyError.None)
        const listed = device.ctl(["timer", "list", "--target", "qml.self"])
        compare(listed.code, 0)
        verify(listed.output.includes("qml.timer"), listed.output)

        const withdrawn = manager.deregisterTimer("qml.timer")
        tryVerify(() => withdrawn.isFinished(), 10000)
        compare(withdrawn.error, InvokeReplyError.None)
        verify(!device.ctl(["timer", "list", "--target", "qml.self"]).output.includes("qml.timer"))
        registered.destroy()
        withdrawn.destroy()
    }

    // Rules start on Thursday 2030-01-31 08:00 UTC; the lists, given unsorted and with a
    // duplicate, read back ascending and decide when the navigator first fires the timer.
    function test_recurringTimer_data() {
        return [
            { tag: "yearly by months, days, hours and minutes",
              frequency: InvokeRecurrenceRuleFrequency.Yearly,
              lists: { monthsOfYear: [6, 3, 6], daysOfMonth: [15], hoursOfDay: [17, 9],
                       minutesOfHour: [30, 0] },
              next: Date.UTC(2030, 2, 15, 9, 0) },
            { tag: "weekly by weekdays", frequency: InvokeRecurrenceRuleFrequency.Weekly,
              lists: { daysOfWeek: [6, 2] }, next: Date.UTC(2030, 1, 2, 8, 0) },
            { tag: "monthly from the end", frequency: InvokeRecurrenceRuleFrequency.Monthly,
              lists: { daysOfMonth: [-2] }, next: Date.UTC(2030, 1, 27, 8, 0) },
            { tag: "minute out of range", frequency: InvokeRecurrenceRuleFrequency.Hourly,
              lists: { minutesOfHour: [60] }, next: null },
        ]
    }

    function test_recurringTimer(data) {
        const names = ["minutesOfHour", "hoursOfDay", "daysOfWeek", "daysOfMonth", "monthsOfYear"]
        when.date = new Date(2030, 0, 31)
        when.time = new Date(2030, 0, 31, 8, 0)
        when.timeZone = "UTC"
        rule.frequency = data.frequency
        rule.startTime = when
        for (const name of names)
            rule[name] = data.lists[name] || []
        timer.set("qml.recurring", rule, "qml.self")
        verify(timer.valid)
        for (const name of names) {
            const expected = [...new Set(data.lists[name] || [])].sort((a, b) => a - b)
            compare(Array.from(timer.recurrenceRule[name]), expected, name)
        }

        const registered = manager.registerTimer(timer)
        tryVerify(() => registered.isFinished(), 10000)
        const listed = device.ctl(["timer", "list", "--target", "qml.self"]).output
        if (data.next === null) {
            compare(registered.error, InvokeReplyError.BadRequest)
            verify(!listed.includes("qml.recurring"), listed)
        } else {
            compare(registered.error, InvokeReplyError.None)
            const next = Qt.formatDateTime(new Date(data.next), "yyyy-MM-dd'T'HH:mm:ss")
            verify(listed.includes("qml.self qml.recurring: recurring next " + next), listed)
            const withdrawn = manager.deregisterTimer("qml.recurring")
            tryVerify(() => withdrawn.isFinished(), 10000)
            compare(withdrawn.error, InvokeReplyError.None)
            withdrawn.destroy()
        }
        registered.destroy()
    }
}
