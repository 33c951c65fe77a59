#include "deviceservices.h"

#include "autodialogpolicy.h"
#include "bluetoothservice.h"
#include "contextservice.h"
#include "devicetree.h"
#include "dialogservice.h"
#include "interactivedialogpolicy.h"
#include "localeservice.h"
#include "menuservice.h"
#include "navigatorservice.h"
#include "nfcservice.h"
#include "phoneservice.h"
#include "phonetarget.h"
#include "screencapture.h"
#include "scriptdialogpolicy.h"
#include "terminal.h"
#include "wifidirectservice.h"

#include <QDir>

namespace {

std::unique_ptr<DialogPolicy> createDialogPolicy(const DeviceOptions &options, QString *error)
{
    switch (options.policy) {
    case DeviceOptions::Policy::Auto:
        return std::make_unique<AutoDialogPolicy>(options.dialogDefaults);
    case DeviceOptions::Policy::Script:
        if (const std::optional<DialogScript> script =
                DialogScript::fromFile(options.scriptPath, error))
            return std::make_unique<ScriptDialogPolicy>(*script, options.dialogDefaults);
        return nullptr;
    case DeviceOptions::Policy::Interactive:
        return std::make_unique<InteractiveDialogPolicy>(new StdioTerminal, options.dialogDefaults);
    }
    return nullptr;
}

} // namespace

std::vector<std::unique_ptr<DeviceService>> createDeviceServices(const DeviceOptions &options,
                                                                 QString *error)
{
    std::vector<std::unique_ptr<DeviceService>> services;
    if (!DeviceTree::prepare(options.deviceRoot, options.apps, error))
        return {};
    std::unique_ptr<DialogPolicy> dialogPolicy = createDialogPolicy(options, error);
    if (!dialogPolicy)
        return {};
    auto dialogService = std::make_unique<DialogService>(std::move(dialogPolicy));
    const DialogService *shown = dialogService.get();
    services.push_back(std::move(dialogService));
    NavigatorService::Options navigator{options.targetsDir, options.dataDir,
                                        options.navigatorFailures};
    navigator.builtInTargets << PhoneTarget::declaration();
    services.push_back(std::make_unique<NavigatorService>(navigator));
    // Menus are built from the navigator's targets and the invocations it routed.
    services.push_back(std::make_unique<MenuService>(
        static_cast<const NavigatorService *>(services.back().get())));
    services.push_back(std::make_unique<NfcService>());
    services.push_back(std::make_unique<LocaleService>(LocaleService::Settings::fromHost()));
    services.push_back(std::make_unique<ContextService>(options.dataDir));
    PhoneService::Options phone;
    if (!options.phoneLines.isEmpty())
        phone.lines = options.phoneLines;
    phone.exchange.answerAfterMs = options.phoneAnswerAfterMs;
    // After the navigator: the phone application's target connects to it.
    services.push_back(std::make_unique<PhoneService>(phone));
    services.push_back(std::make_unique<ScreenCaptureService>(
        ScreenCaptureService::Options{
            QDir(options.dataDir).absoluteFilePath(QStringLiteral("screenshots")),
            options.screenshotDecline},
        [shown] { return shown->dialogs(); }));
    const QString peersDir = QDir(options.dataDir).absoluteFilePath(QStringLiteral("peers"));
    services.push_back(std::make_unique<BluetoothService>(
        BluetoothService::Options{options.deviceRoot, peersDir, options.bluetooth}));
    services.push_back(std::make_unique<WiFiDirectService>(
        WiFiDirectService::Options{options.deviceRoot, peersDir, options.wifiDirect}));
    return services;
}
