// The clipboard from QML: text in, bytes out (as an ArrayBuffer).
import QtQuick
import QtTest
import qz.system

TestCase {
    name: "Clipboard"

    Clipboard { id: clipboard }

    function text(buffer) {
        return String.fromCharCode(...new Uint8Array(buffer))
    }

    function test_roundTrip() {
        verify(clipboard.clear())
        verify(clipboard.insert("text/plain", "from QML"))
        verify(clipboard.insert("text/html", "<b>QML</b>"))
        verify(clipboard.contains("text/plain"))
        compare(text(clipboard.value("text/plain")), "from QML")
        verify(clipboard.remove("text/plain"))
        verify(!clipboard.contains("text/plain"))
        compare(text(clipboard.value("text/html")), "<b>QML</b>")
        verify(clipboard.clear())
        verify(!clipboard.contains("text/html"))
    }
}
