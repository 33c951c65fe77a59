// The library reading dialog answers, end to end: a SystemDialog with four buttons is shown, a
// stand-in dialog service reads its request and answers with the input (headed to the dialog's
// client; "$ID" stands for the dialog's id and "$B0".."$B3" for the contexts of its confirm,
// custom, cancel and added button, which no fuzzer could guess), then with a well-formed answer
// that presses nothing. The dialog must finish exactly once, and a button it reports as pressed
// is one of its own, named by context in the answer, with the result that button stands for.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include <qz/PpsObject>
#include <qz/system/SystemDialog>
#include <qz/system/SystemUiButton>

#include <QCoreApplication>
#include <QTimer>

using namespace qz::system;

namespace {

const QString ControlPath = QStringLiteral("/pps/services/dialog/control");

QString contextOf(const QObject *button)
{
    return button->property("_qz_ppsID").toString();
}

// The PPS server on its own thread and the dialog service's end of the control object.
struct Harness
{
    PpsRig rig;
    std::unique_ptr<qz::PpsObject> service;

    Harness()
    {
        service = std::make_unique<qz::PpsObject>(ControlPath + QStringLiteral("?server"));
        QZ_FUZZ_CHECK(service->open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create),
                      "cannot serve %s", qPrintable(ControlPath));
        service->setBlocking(false);
    }

    // The client id of the one whose "show" request carries \a id; anything else is left over
    // from earlier dialogs.
    int requester(const QString &id, const QTimer &deadline)
    {
        for (;;) {
            bool ok = false;
            for (QByteArray text = service->read(&ok); ok; text = service->read(&ok)) {
                const qz::PpsAttributeMap blocks = qz::PpsObject::decodeWithFlags(text, &ok);
                for (auto it = blocks.cbegin(); ok && it != blocks.cend(); ++it) {
                    const QString prefix = QStringLiteral("@control.");
                    const QVariantMap message = it.value().toVariant().toMap();
                    if (!it.value().flags() && it.key().startsWith(prefix) &&
                        message.value(QStringLiteral("msg")).toString() == QLatin1String("show") &&
                        message.value(QStringLiteral("id")).toString() == id)
                        return it.key().mid(prefix.size()).toInt();
                }
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QZ_FUZZ_CHECK(deadline.isActive(), "the dialog sent no request");
        }
    }
};

SystemUiResult::Type resultOf(const SystemDialog &dialog, const SystemUiButton *button)
{
    if (button == dialog.confirmButton())
        return SystemUiResult::ConfirmButtonSelection;
    if (button == dialog.customButton())
        return SystemUiResult::CustomButtonSelection;
    if (button == dialog.cancelButton())
        return SystemUiResult::CancelButtonSelection;
    return SystemUiResult::ButtonSelection;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the device
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);

    SystemDialog dialog(QStringLiteral("Ok"), QStringLiteral("More"), QStringLiteral("Cancel"));
    auto *added = new SystemUiButton(QStringLiteral("Added"));
    dialog.appendButton(added);
    const QList<const SystemUiButton *> buttons{dialog.confirmButton(), dialog.customButton(),
                                                dialog.cancelButton(), added};
    int finished = 0;
    QObject::connect(&dialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished),
                     [&finished] { ++finished; });
    dialog.show();
    const QByteArray id = contextOf(&dialog).toUtf8();
    const int client = harness->requester(contextOf(&dialog), deadline);

    QByteArray answer = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    answer.replace("$ID", id);
    for (int i = 0; i < buttons.size(); ++i)
        answer.replace(QByteArray("$B" + QByteArray::number(i)), contextOf(buttons.at(i)).toUtf8());
    const QByteArray header = "@control." + QByteArray::number(client) + '\n';
    harness->service->write(header + answer);
    harness->service->write(header + "res::show\nid::" + id +
                            "\ndat:json:{\"resp_obj\":{\"selectedIndex\":-1}}\n");

    while (finished == 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "the dialog never finished");
    }
    QCoreApplication::processEvents();
    QZ_FUZZ_CHECK(finished == 1, "the dialog finished %d times", finished);

    const SystemUiButton *pressed = dialog.buttonSelection();
    if (!pressed) {
        QZ_FUZZ_CHECK(dialog.result() != SystemUiResult::ConfirmButtonSelection &&
                          dialog.result() != SystemUiResult::CustomButtonSelection &&
                          dialog.result() != SystemUiResult::CancelButtonSelection &&
                          dialog.result() != SystemUiResult::ButtonSelection,
                      "result %d names a button but none is selected", int(dialog.result()));
        return 0;
    }
    QZ_FUZZ_CHECK(buttons.contains(pressed), "the selected button is not one of the dialog's");
    QZ_FUZZ_CHECK(answer.contains(contextOf(pressed).toUtf8()),
                  "button \"%s\" selected though no answer named its context",
                  qPrintable(pressed->label()));
    QZ_FUZZ_CHECK(dialog.result() == resultOf(dialog, pressed),
                  "button \"%s\" selected with result %d", qPrintable(pressed->label()),
                  int(dialog.result()));
    return 0;
}
