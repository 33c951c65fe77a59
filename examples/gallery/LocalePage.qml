import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import qz.system

// The device's messages language, region and measurement system; the bindings below follow them
// when they change (qzctl locale set ...).
ServicePage {
    id: page

    title: qsTr("Locale")

    MessagesLocaleHandler {
        id: messages

        onChanged: page.log(qsTr("Messages language: %1").arg(messages.locale.name))
    }

    RegionLocaleHandler {
        id: region

        onChanged: page.log(qsTr("Region: %1").arg(region.locale.name))
        onMeasurementSystemChanged: page.log(qsTr("Measurement system: %1").arg(Names.measurementSystem[region.measurementSystem]))
    }

    GridLayout {
        columns: 2

        Label {
            text: qsTr("Messages language")
        }
        Label {
            text: messages.locale.name
        }
        Label {
            text: qsTr("Region")
        }
        Label {
            text: region.locale.name
        }
        Label {
            text: qsTr("A date in the region's format")
        }
        Label {
            text: new Date(2026, 11, 24).toLocaleDateString(region.locale, Locale.LongFormat) + region.forceUpdateOnChange
        }
        Label {
            text: qsTr("Measurement system")
        }
        Label {
            text: region.measurementSystem === MeasurementSystem.Imperial ? qsTr("imperial (miles)") : qsTr("metric (kilometres)")
        }
    }
}
