// A menu of actions built by qzdevice's menu service from the declared target.
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Menu"

    MenuManager {
        id: menus
        action: "qz.action.SHOW"
    }
    SignalSpy { id: mimeTypeSpy; target: menus; signalName: "mimeTypeChanged" }

    property string boundMimeType: menus.mimeType

    function test_propertiesNotifyOnChange() {
        mimeTypeSpy.clear()
        menus.mimeType = "image/png"
        menus.mimeType = "image/png"
        compare(mimeTypeSpy.count, 1)
        compare(boundMimeType, "image/png")
    }

    function test_populateMenu() {
        menus.mimeType = "text/plain"
        verify(menus.populateMenu())
        tryVerify(() => menus.isFinished(), 10000)
        compare(menus.error, MenuManagerError.None)
        const menu = menus.menu
        verify(menu.valid)
        compare(menu.items.map(item => item.label), ["Show"])
        const show = menu.items[0].subMenu
        compare(show.items.map(item => item.label), ["Receiver"])
        const params = show.items[0].invoke
        compare(params.target, "qml.receiver")
        compare(params.action, "qz.action.SHOW")
        compare(params.type, InvokeTarget.Application)
    }
}
