// Display captures from QML through qzdevice's screen-capture service.
import QtQuick
import QtTest
import qz.system

TestCase {
    name: "Screenshot"

    Screenshot { id: screenshot }

    function test_captureDisplay_data() {
        return [
            { tag: "png", format: ScreenshotFormat.Png, suffix: ".png",
              error: ScreenshotError.None },
            { tag: "jpeg", format: ScreenshotFormat.Jpeg, suffix: ".jpg",
              error: ScreenshotError.None },
            { tag: "unknown format", format: 7, suffix: "",
              error: ScreenshotError.UnsupportedFileType },
        ]
    }

    function test_captureDisplay(data) {
        const path = screenshot.captureDisplay(data.format)
        compare(screenshot.error(), data.error)
        if (data.suffix === "")
            compare(path, "")
        else
            verify(path.endsWith(data.suffix), path)
    }
}
