#include "timeddialogpolicy.h"

#include <QHash>
#include <QTimer>

namespace {
struct Pending
{
    Dialog dialog;
    int delayMs = 0;
    TimedDialogPolicy::Answerer answerer;
    QTimer *timer = nullptr; // started once the dialog is due
};
} // namespace

class TimedDialogPolicyPrivate
{
public:
    explicit TimedDialogPolicyPrivate(TimedDialogPolicy *owner)
        : q(owner)
    {}

    void startWhenDue(Pending &pending);
    void fire(const DialogKey &key);

    TimedDialogPolicy *const q;
    QHash<DialogKey, Pending> pending;
};

void TimedDialogPolicyPrivate::startWhenDue(Pending &entry)
{
    if (entry.timer || (entry.dialog.hasProgress() && !entry.dialog.isProgressDone()))
        return;
    entry.timer = new QTimer(q);
    entry.timer->setSingleShot(true);
    const DialogKey key = entry.dialog.key();
    QObject::connect(entry.timer, &QTimer::timeout, q, [this, key] { fire(key); });
    entry.timer->start(entry.delayMs);
}

void TimedDialogPolicyPrivate::fire(const DialogKey &key)
{
    const Pending entry = pending.take(key);
    entry.timer->deleteLater();
    if (const std::optional<DialogAnswer> answer = entry.answerer(entry.dialog))
        Q_EMIT q->answered(key, *answer);
}

TimedDialogPolicy::TimedDialogPolicy(QObject *parent)
    : DialogPolicy(parent)
    , d(std::make_unique<TimedDialogPolicyPrivate>(this))
{}

TimedDialogPolicy::~TimedDialogPolicy() = default;

void TimedDialogPolicy::answerLater(const Dialog &dialog, int delayMs, Answerer answerer)
{
    withdraw(dialog.key());
    Pending &entry = d->pending[dialog.key()];
    entry = {dialog, delayMs, std::move(answerer), nullptr};
    d->startWhenDue(entry);
}

void TimedDialogPolicy::revise(const Dialog &dialog)
{
    const auto it = d->pending.find(dialog.key());
    if (it == d->pending.end())
        return;
    it->dialog = dialog;
    d->startWhenDue(*it);
}

void TimedDialogPolicy::withdraw(const DialogKey &key)
{
    const Pending entry = d->pending.take(key);
    delete entry.timer;
}
