// The small shared types: buttons, input fields and the keyword functions.
#include <qz/UIToolkitSupport>
#include <qz/system/SystemUiButton>
#include <qz/system/SystemUiInputField>
#include <qz/system/SystemUiResult>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace qz::system;

namespace {
QString str(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

class tst_SystemUiTypes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buttonsHaveOwnIdentityAndEmitOnChange();
    void inputFieldLengthNeverNegative();
    void keywords();
    void absolutePathFromUrl_data();
    void absolutePathFromUrl();
};

void tst_SystemUiTypes::buttonsHaveOwnIdentityAndEmitOnChange()
{
    SystemUiButton first(str("A"));
    SystemUiButton second;
    QVERIFY(first.property("_qz_ppsID").toString().startsWith(u'{'));
    QVERIFY(first.property("_qz_ppsID") != second.property("_qz_ppsID"));

    QSignalSpy label(&first, &SystemUiButton::labelChanged);
    QSignalSpy enabled(&first, &SystemUiButton::enabledChanged);
    first.setLabel(str("A"));
    first.resetEnabled();
    QCOMPARE(label.size(), 0);
    QCOMPARE(enabled.size(), 0);
    first.setEnabled(false);
    first.resetEnabled();
    QCOMPARE(enabled.size(), 2);
    QCOMPARE(enabled.at(1).at(0).toBool(), true);
}

void tst_SystemUiTypes::inputFieldLengthNeverNegative()
{
    SystemUiInputField field(SystemUiInputMode::Pin);
    QCOMPARE(field.inputMode(), SystemUiInputMode::Pin);
    QSignalSpy length(&field, &SystemUiInputField::maximumLengthChanged);
    field.setMaximumLength(-5);
    QCOMPARE(length.size(), 0);
    field.setMaximumLength(8);
    field.setMaximumLength(-5);
    QCOMPARE(field.maximumLength(), 0);
    QCOMPARE(length.size(), 2);
    QCOMPARE(length.at(1).at(0).toInt(), 0);
}

void tst_SystemUiTypes::keywords()
{
    QCOMPARE(inputModeToString(SystemUiInputMode::NumericKeypad), str("pin_sim"));
    QCOMPARE(inputModeToString(SystemUiInputMode::Pin), str("pin"));
    QCOMPARE(inputModeToString(SystemUiInputMode::NumbersAndPunctuation), str("num_punc"));
    QCOMPARE(inputModeToString(SystemUiInputMode::Type(42)), str("default"));
    QCOMPARE(positionToString(SystemUiPosition::Type(9)), str("middleCenter"));
    QCOMPARE(positionToString(SystemUiPosition::TopCenter), str("topCenter"));
    QCOMPARE(progressStateToString(SystemUiProgressState::Inactive), str("pause"));
    QCOMPARE(progressStateToString(SystemUiProgressState::Error), str("error"));
    QCOMPARE(returnKeyActionToString(SystemUiReturnKeyAction::Connect), str("enter.connect"));
    QCOMPARE(returnKeyActionToString(SystemUiReturnKeyAction::Type(-1)), str("enter.default"));
}

void tst_SystemUiTypes::absolutePathFromUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("path");
    const QString app = QCoreApplication::applicationDirPath();
    QTest::newRow("asset") << str("asset:///images/a.png") << str("/srv/assets/images/a.png");
    QTest::newRow("asset dot-dot") << str("asset:///../a.png") << str("/srv/assets/a.png");
    QTest::newRow("file") << str("file:///tmp/x/../y.png") << str("/tmp/y.png");
    QTest::newRow("relative") << str("icons/z.png") << app + str("/icons/z.png");
    QTest::newRow("other scheme") << str("http://example.invalid/a.png") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_SystemUiTypes::absolutePathFromUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, path);
    qputenv("QZ_APP_ASSETS", "/srv/assets");
    QCOMPARE(qz::UIToolkitSupport::absolutePathFromUrl(QUrl(url)), path);
    qunsetenv("QZ_APP_ASSETS");
}

QTEST_GUILESS_MAIN(tst_SystemUiTypes)
#include "tst_systemuitypes.moc"
