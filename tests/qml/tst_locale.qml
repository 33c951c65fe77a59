// LocaleHandler bindings follow the locale service when qzctl changes the settings.
import QtQuick
import QtTest
import qz.system

TestCase {
    id: testCase
    name: "Locale"

    MessagesLocaleHandler { id: messages }
    RegionLocaleHandler { id: region }

    property string language: messages.locale.name
    property string regionName: region.locale.name
    property int units: region.measurementSystem

    // The documented idiom: a binding that mentions forceUpdateOnChange runs again on change.
    // Counted outside any property, so that counting does not re-trigger the binding.
    readonly property var evaluations: ({ forced: 0 })
    property string forced: messages.forceUpdateOnChange + countEvaluation()
    function countEvaluation() {
        ++evaluations.forced
        return ""
    }

    function test_bindingsFollowChanges_data() {
        return [
            { tag: "messages", option: "--messages", value: "fr_FR", property: "language",
              expected: "fr_FR" },
            { tag: "region", option: "--region", value: "de_CH", property: "regionName",
              expected: "de_CH" },
            { tag: "units", option: "--uom", value: "imperial", property: "units",
              expected: MeasurementSystem.Imperial },
            { tag: "messages again", option: "--messages", value: "it_IT", property: "language",
              expected: "it_IT" },
        ]
    }

    function test_bindingsFollowChanges(data) {
        verify(testCase[data.property] !== data.expected, "already " + data.expected)
        compare(device.ctl(["locale", "set", data.option, data.value]).code, 0)
        tryCompare(testCase, data.property, data.expected, 10000)
    }

    function test_forceUpdateOnChange() {
        const before = evaluations.forced
        compare(device.ctl(["locale", "set", "--messages", "es_ES"]).code, 0)
        tryVerify(() => evaluations.forced > before, 10000)
        compare(forced, "")
        compare(language, "es_ES")
    }
}
