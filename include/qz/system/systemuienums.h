#ifndef QZ_SYSTEM_SYSTEMUIENUMS_H
#define QZ_SYSTEM_SYSTEMUIENUMS_H

#include <qz/system/qzsystem_export.h>

#include <QFlags>
#include <QObject>
#include <QString>

namespace qz::system {

/*!
    \class qz::system::SystemUiResult
    \brief How a system dialog, prompt or toast ended.

    \value None No known button was named, or the dialog has not ended yet.
    \value ButtonSelection A toast's button or a button added by the application was pressed.
    \value ConfirmButtonSelection The confirm button was pressed.
    \value CancelButtonSelection The cancel button was pressed.
    \value TimeOut A toast went away by itself.
    \value Error The dialog could not be shown or its answer was wrong; see SystemUiError.
    \value CustomButtonSelection The custom button was pressed.
    \value DialogCannotBlock exec() was called while an exec() of the same dialog was waiting.
    \value ItemSelection A list dialog ended with rows selected and no known button named.
*/
class QZSYSTEM_EXPORT SystemUiResult
{
    Q_GADGET
public:
    enum Type {
        None = 0,
        ButtonSelection = 1,
        ConfirmButtonSelection = 2,
        CancelButtonSelection = 3,
        TimeOut = 4,
        Error = 5,
        CustomButtonSelection = 6,
        DialogCannotBlock = 7,
        ItemSelection = 8,
    };
    Q_ENUM(Type)

    SystemUiResult() = delete;
};

/*!
    \class qz::system::SystemUiError
    \brief Why a dialog ended with SystemUiResult::Error.

    \value None No error.
    \value Unknown The dialog service answered for another dialog.
    \value NoButtons The dialog has no button to show.
    \value InvalidState An object the dialog depends on (a standard button, an input field) was
           deleted.
    \value ServiceUnavailable The dialog service could not be reached.
*/
class QZSYSTEM_EXPORT SystemUiError
{
    Q_GADGET
public:
    enum Type {
        None = 0,
        Unknown = 1,
        NoButtons = 2,
        InvalidState = 3,
        ServiceUnavailable = 4,
    };
    Q_ENUM(Type)

    SystemUiError() = delete;
};

/*!
    \class qz::system::SystemUiModality
    \brief Whom a dialog blocks.

    \value Application The dialog blocks the application only.
    \value Global The dialog is shown above every application.
*/
class QZSYSTEM_EXPORT SystemUiModality
{
    Q_GADGET
public:
    enum Type {
        Application = 1,
        Global = 2,
    };
    Q_ENUM(Type)

    SystemUiModality() = delete;
};

/*!
    \class qz::system::SystemUiPosition
    \brief Where a toast is shown.

    \value MiddleCenter In the middle of the screen.
    \value TopCenter At the top, centred.
    \value BottomCenter At the bottom, centred.
*/
class QZSYSTEM_EXPORT SystemUiPosition
{
    Q_GADGET
public:
    enum Type {
        MiddleCenter = 0,
        TopCenter = 1,
        BottomCenter = 2,
    };
    Q_ENUM(Type)

    SystemUiPosition() = delete;
};

/*!
    \class qz::system::SystemUiReturnKeyAction
    \brief What the keyboard's return key of a dialog is labelled.

    \value Default The keyboard's own label.
    \value Go "Go".
    \value Join "Join".
    \value Next "Next".
    \value Search "Search".
    \value Send "Send".
    \value Submit "Submit".
    \value Done "Done".
    \value Connect "Connect".
*/
class QZSYSTEM_EXPORT SystemUiReturnKeyAction
{
    Q_GADGET
public:
    enum Type {
        Default = 0,
        Go = 1,
        Join = 2,
        Next = 3,
        Search = 4,
        Send = 5,
        Submit = 6,
        Done = 7,
        Connect = 8,
    };
    Q_ENUM(Type)

    SystemUiReturnKeyAction() = delete;
};

/*!
    \class qz::system::SystemUiInputMode
    \brief The keyboard layout of a text field.

    \value Default Letters.
    \value Email Letters with "@" and ".".
    \value Password Letters; the text is hidden.
    \value Phone A phone dial pad.
    \value Pin Digits for a PIN.
    \value Url Letters with "/" and ".".
    \value Symbols Symbols.
    \value NumericKeypad A numeric keypad.
    \value NumbersAndPunctuation Digits and punctuation.
*/
class QZSYSTEM_EXPORT SystemUiInputMode
{
    Q_GADGET
public:
    enum Type {
        Default = 0,
        Email = 1,
        Password = 2,
        Phone = 3,
        Pin = 4,
        Url = 5,
        Symbols = 6,
        NumericKeypad = 7,
        NumbersAndPunctuation = 8,
    };
    Q_ENUM(Type)

    SystemUiInputMode() = delete;
};

/*!
    \class qz::system::SystemUiInputOption
    \brief Keyboard aids of a text field in the default mode.

    \value None No aid.
    \value AutoCapitalize Sentences start with a capital letter.
    \value AutoCorrect Misspelt words are corrected.
    \value SpellCheck Misspelt words are marked.
*/
class QZSYSTEM_EXPORT SystemUiInputOption
{
    Q_GADGET
public:
    enum Type {
        None = 0,
        AutoCapitalize = 1,
        AutoCorrect = 2,
        SpellCheck = 4,
    };
    Q_DECLARE_FLAGS(Types, Type)
    Q_FLAG(Types)

    SystemUiInputOption() = delete;
};

/*!
    \class qz::system::SystemUiProgressState
    \brief The state of the work a progress dialog or toast shows.

    \value Active The work proceeds.
    \value Inactive The work is paused.
    \value Error The work failed.
*/
class QZSYSTEM_EXPORT SystemUiProgressState
{
    Q_GADGET
public:
    enum Type {
        Active = 0,
        Inactive = 1,
        Error = 2,
    };
    Q_ENUM(Type)

    SystemUiProgressState() = delete;
};

/*!
    \class qz::system::ListSelectionMode
    \brief How many rows of a list dialog the user may select.

    \value Single One row.
    \value Multiple Any number of rows.
*/
class QZSYSTEM_EXPORT ListSelectionMode
{
    Q_GADGET
public:
    enum Type {
        Single = 1,
        Multiple = 2,
    };
    Q_ENUM(Type)

    ListSelectionMode() = delete;
};

/*!
    \class qz::system::ListSelectionIndicator
    \brief How a list dialog marks the selected rows.

    \value Highlight The row is highlighted.
    \value Button The row shows a selection button.
*/
class QZSYSTEM_EXPORT ListSelectionIndicator
{
    Q_GADGET
public:
    enum Type {
        Highlight = 0,
        Button = 1,
    };
    Q_ENUM(Type)

    ListSelectionIndicator() = delete;
};

/*! The dialog service's keyword for \a mode: "default", "email", "password", "phone", "pin", "url",
    "symbols", "pin_sim" (NumericKeypad) or "num_punc"; "default" for a value outside the type. */
QZSYSTEM_EXPORT QString inputModeToString(SystemUiInputMode::Type mode);

/*! "middleCenter", "topCenter" or "bottomCenter"; "middleCenter" for a value outside the type. */
QZSYSTEM_EXPORT QString positionToString(SystemUiPosition::Type position);

/*! "play" (Active), "pause" (Inactive) or "error"; "play" for a value outside the type. */
QZSYSTEM_EXPORT QString progressStateToString(SystemUiProgressState::Type state);

/*! "enter.default", "enter.go", "enter.join", "enter.next", "enter.search", "enter.send",
    "enter.submit", "enter.done" or "enter.connect"; "enter.default" for a value outside the type. */
QZSYSTEM_EXPORT QString returnKeyActionToString(SystemUiReturnKeyAction::Type action);

} // namespace qz::system

Q_DECLARE_OPERATORS_FOR_FLAGS(qz::system::SystemUiInputOption::Types)

#endif
