// Invocations from QML reach a target that qzdevice's navigator starts as another process.
import QtQuick
import QtTest
import qz.system

TestCase {
    name: "Invoke"

    InvokeManager { id: manager }

    // Value types cannot be created from a JavaScript object before Qt 6.5: a property of the
    // type holds one, and its fields are set one by one.
    property invokeRequest request
    property invokeQueryTargetsRequest query

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
            tryVerify(() => device.received().includes(data.received), 10000, device.received())
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
}
