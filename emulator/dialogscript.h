// The answers of the script policy, read from the "dialogs" array of a JSON file:
//
//   {
//     "dialogs": [
//       { "className": "AlertDialog", "title": "Delete?", "button": "Cancel", "checkbox": false },
//       { "className": "PromptDialog", "text": "Alice" },
//       { "className": "LoginDialog", "username": "bob", "password": "hunter2" },
//       { "className": "ListDialog", "rows": [0, 2], "button": "Ok" },
//       { "className": "ToastBase", "timeout": true, "delay": 100 },
//       { "title": "Retry?", "button": "Retry", "once": true }
//     ]
//   }
//
// A dialog takes the first entry whose "className" and "title" both match ("className" as sent:
// AlertDialog, PromptDialog, LoginDialog, ListDialog, ProgressDialog, ToastBase, IconToast,
// ProgressToast; a key left out matches anything). The other keys shape the answer; whatever an
// entry leaves out is answered as the auto policy would:
//   "button"    label of the button to press (absent: the default button; toasts time out)
//   "timeout"   true: press no button (a toast times out)
//   "checkbox"  state of the remember-me box            "text"  the prompt's entered text
//   "username", "password"  the login prompt's entries    "rows"  selected list rows (numbers)
//   "delay"     milliseconds before answering (default: --delay)
//   "once"      true: the entry answers one dialog only, later ones look further down
// A dialog no entry matches, or one whose scripted button it does not show, stays unanswered
// and a warning is logged.
#ifndef QZDEVICE_DIALOGSCRIPT_H
#define QZDEVICE_DIALOGSCRIPT_H

#include "dialoganswer.h"

#include <QByteArray>
#include <QList>
#include <optional>

struct DialogScriptEntry
{
    std::optional<QString> className;
    std::optional<QString> title;
    std::optional<QString> button;
    bool timeout = false;
    std::optional<bool> checkbox;
    std::optional<QString> text;
    std::optional<QString> username;
    std::optional<QString> password;
    std::optional<QList<int>> rows;
    std::optional<int> delayMs;
    bool once = false;

    bool matches(const Dialog &dialog) const;
    /*! The answer to \a dialog, or nothing with \a problem set when the entry cannot be followed. */
    std::optional<DialogAnswer> answer(const Dialog &dialog, const DialogDefaults &defaults,
                                       QString *problem) const;
};

class DialogScript
{
public:
    static std::optional<DialogScript> fromFile(const QString &path, QString *error);
    static std::optional<DialogScript> fromJson(const QByteArray &json, QString *error);

    /*! The entry for \a dialog; a "once" entry is used up by it. */
    std::optional<DialogScriptEntry> take(const Dialog &dialog);
    int size() const { return int(m_entries.size()); }

private:
    QList<DialogScriptEntry> m_entries;
};

#endif
