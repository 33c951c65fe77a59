import qz.system

SystemToast {
    position: SystemUiPosition.BottomCenter
    body: position === SystemUiPosition.BottomCenter ? "bottom" : "elsewhere"
}
