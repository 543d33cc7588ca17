#include "core/Module1.h"
#include "setup/StepDialogLogic.h"
#include "setup/StepDialogs.h"
#include "core/Units.h"
#include "support/FocusThief.h"
#include "support/ScriptedPrompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
StepFields valid() { return {"600", "100", "100", "170.23", "10"}; }
} // namespace

struct OkCase {
    const char *name;
    StepFields fields;
    StepDialogKind kind;
    int units;
    std::optional<StepField> failing;
    const char *message;
    const char *title;
};

TEST(StepDialogOk, ChecksInOrderWithInclusiveBounds)
{
    auto with = [](auto change) {
        StepFields f = valid();
        change(f);
        return f;
    };
    const char *timeMsg = "Invalid time inpute.", *timeTitle = "Time input out range";
    const char *tempMsg = "Invalid temperature inpute.", *tempTitle = "Temperature input out range";
    const OkCase cases[] = {
        {"all valid", valid(), StepDialogKind::Edit, 1, std::nullopt, "", ""},
        {"time 0", with([](StepFields &f) { f.time = "0"; }), StepDialogKind::Edit, 1, std::nullopt,
         "", ""},
        {"time 6300", with([](StepFields &f) { f.time = "6300"; }), StepDialogKind::Insert, 1,
         std::nullopt, "", ""},
        {"time 6300.5", with([](StepFields &f) { f.time = "6300.5"; }), StepDialogKind::Edit, 1,
         StepField::Time, timeMsg, timeTitle},
        {"time -1", with([](StepFields &f) { f.time = "-1"; }), StepDialogKind::Edit, 1,
         StepField::Time, timeMsg, timeTitle},
        {"210 F edit", with([](StepFields &f) { f.temperature = "210"; }), StepDialogKind::Edit, 1,
         std::nullopt, "", ""},
        {"210 F insert", with([](StepFields &f) { f.temperature = "210"; }), StepDialogKind::Insert,
         1, StepField::Temperature, tempMsg, tempTitle},
        {"220 F edit", with([](StepFields &f) { f.temperature = "220"; }), StepDialogKind::Edit, 1,
         std::nullopt, "", ""},
        {"19.9 F", with([](StepFields &f) { f.temperature = "19.9"; }), StepDialogKind::Edit, 1,
         StepField::Temperature, tempMsg, tempTitle},
        {"-6 C", with([](StepFields &f) { f.temperature = "-6"; }), StepDialogKind::Insert, 2,
         std::nullopt, "", ""},
        {"90.1 C", with([](StepFields &f) { f.temperature = "90.1"; }), StepDialogKind::Edit, 2,
         StepField::Temperature, tempMsg, tempTitle},
        {"speed 600.01", with([](StepFields &f) { f.speed = "600.01"; }), StepDialogKind::Edit, 1,
         std::nullopt, "", ""},
        {"speed 600.02", with([](StepFields &f) { f.speed = "600.02"; }), StepDialogKind::Edit, 1,
         StepField::Speed, "Invalid speed inpute.", "Speed input out range"},
        {"shear 9000", with([](StepFields &f) { f.shearRate = "9000"; }), StepDialogKind::Edit, 1,
         std::nullopt, "", ""},
        {"shear 9001", with([](StepFields &f) { f.shearRate = "9001"; }), StepDialogKind::Edit, 1,
         StepField::ShearRate, "Invalid shear rate inpute.", "Shear rate input out range"},
        {"rate 0.5", with([](StepFields &f) { f.recordRate = "0.5"; }), StepDialogKind::Edit, 1,
         StepField::RecordRate, "Invalid real time data recording rate inpute.",
         "Shear rate input out range"},
        {"first failure wins", with([](StepFields &f) {
             f.time = "9999";
             f.recordRate = "0";
         }),
         StepDialogKind::Edit, 1, StepField::Time, timeMsg, timeTitle},
    };
    for (const auto &c : cases) {
        const auto error =
            acceptStepFields(c.fields, c.kind, c.units == 2 ? Units::SI : Units::EI).error;
        if (!c.failing) {
            EXPECT_FALSE(error) << c.name;
            continue;
        }
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->field, *c.failing) << c.name;
        EXPECT_EQ(error->message, c.message) << c.name;
        EXPECT_EQ(error->title, c.title) << c.name;
    }
}

TEST(StepDialogOk, HandsBackTextsAndSiTemperatureInFahrenheit)
{
    const AcceptedStep si =
        acceptStepFields({"300", "37.5", "176.23", "300", "5"}, StepDialogKind::Insert, Units::SI);
    ASSERT_FALSE(si.error);
    EXPECT_EQ(si.handBack.temperatureF, "99.5");
    EXPECT_EQ(si.handBack.time, "300");
    EXPECT_EQ(si.handBack.speed, "176.23");
    EXPECT_EQ(si.handBack.recordRate, "5");
    const AcceptedStep ei =
        acceptStepFields({" 12 ", "+150", "50.", ".85e2", "2.5"}, StepDialogKind::Edit, Units::EI);
    ASSERT_FALSE(ei.error);
    EXPECT_EQ(ei.handBack.time, " 12 "); // the text as typed; the writes use its number
    // The stored step: the numbers, the record rate rounded half to even.
    const SequenceStep stored = handedBackStep(ei.handBack, 4);
    EXPECT_EQ(stored.stepNo, 4);
    EXPECT_EQ(stored.time, 12);
    EXPECT_EQ(stored.temperature, 150);
    EXPECT_EQ(stored.speed, 50);
    EXPECT_EQ(stored.recordRate, 2);
}

TEST(StepDialogOk, TextThatIsNotANumberInFullIsOutOfRange)
{
    const StepFieldError time{StepField::Time, "Invalid time inpute.", "Time input out range"};
    const StepFieldError temp{StepField::Temperature, "Invalid temperature inpute.",
                              "Temperature input out range"};
    const StepFieldError speed{StepField::Speed, "Invalid speed inpute.", "Speed input out range"};
    const StepFieldError shear{StepField::ShearRate, "Invalid shear rate inpute.",
                               "Shear rate input out range"};
    const StepFieldError rate{StepField::RecordRate,
                              "Invalid real time data recording rate inpute.",
                              "Shear rate input out range"};
    const struct {
        StepField field;
        const char *text;
        std::optional<StepFieldError> error;
    } cases[] = {
        {StepField::Time, "abc", time},
        {StepField::Time, "12abc", time},
        {StepField::Time, "", time},
        {StepField::Time, "nan", time},
        {StepField::Time, "inf", time},
        {StepField::Time, "0x10", time},
        {StepField::Time, "&H10", time},
        {StepField::Time, "1 00", time},
        {StepField::Time, "1e400", time},
        {StepField::Time, "+6300", std::nullopt},
        {StepField::Time, "\t60\t", std::nullopt},
        {StepField::Temperature, "150x", temp},
        {StepField::Temperature, "1,5e2", temp},
        {StepField::Temperature, "1.5e2", std::nullopt},
        {StepField::Speed, "6OO", speed},
        {StepField::Speed, "-", speed},
        {StepField::Speed, "-.0", std::nullopt},
        {StepField::ShearRate, "abc", shear},
        {StepField::ShearRate, ".00", std::nullopt},
        {StepField::RecordRate, "ten", rate},
        {StepField::RecordRate, "99999999999", rate},
        {StepField::RecordRate, "6301", rate},
        {StepField::RecordRate, "6300", std::nullopt},
    };
    for (const auto &c : cases) {
        StepFields f = valid();
        std::string *text[] = {&f.time, &f.temperature, &f.speed, &f.shearRate, &f.recordRate};
        *text[static_cast<int>(c.field)] = c.text;
        const auto error = acceptStepFields(f, StepDialogKind::Edit, Units::EI).error;
        ASSERT_EQ(error.has_value(), c.error.has_value()) << c.text;
        if (!error)
            continue;
        EXPECT_EQ(error->field, c.error->field) << c.text;
        EXPECT_EQ(error->message, c.error->message) << c.text;
        EXPECT_EQ(error->title, c.error->title) << c.text;
    }
    // Leaving a field that is not a number converts nothing.
    for (const char *text : {"6OO", "abc", "", "nan", "1e400"}) {
        const Conversion fromSpeed = speedLostFocus(text, 1.0f);
        ASSERT_TRUE(fromSpeed.error) << text;
        EXPECT_EQ(fromSpeed.error->title, "Speed input out range") << text;
        EXPECT_FALSE(fromSpeed.text) << text;
        const Conversion fromShear = shearRateLostFocus(text, 1.0f);
        ASSERT_TRUE(fromShear.error) << text;
        EXPECT_EQ(fromShear.error->message, "Invalid shear rate inpute.") << text;
        EXPECT_FALSE(fromShear.text) << text;
    }
}

TEST(StepDialogLostFocus, SpeedAndShearRateConvert)
{
    EXPECT_EQ(*speedLostFocus("100", 1.0f).text, "170.23");
    EXPECT_EQ(*speedLostFocus("100", 3.185f).text, "542.18");
    EXPECT_EQ(speedLostFocus("600.02", 1.0f).error->title, "Speed input out range");
    EXPECT_EQ(*shearRateLostFocus("300", 1.0f).text, "176.23");
    EXPECT_EQ(*shearRateLostFocus("300", 3.185f).text, "55.33");
    const Conversion tooFast = shearRateLostFocus("2000", 1.0f);
    ASSERT_TRUE(tooFast.error);
    EXPECT_EQ(tooFast.error->message, "Invalid shear rate inpute.");
    EXPECT_EQ(tooFast.error->title, "Shear rate input out of range. Please try again.");
    EXPECT_EQ(*tooFast.text, "1174.88");
    EXPECT_TRUE(shearRateLostFocus("90001", 1.0f).error);
    EXPECT_FALSE(shearRateLostFocus("90001", 1.0f).text);
}

namespace {
// An insert dialog on screen with the keyboard focus in it, whose messages take the focus
// away and back as real boxes do.
struct DialogOnScreen {
    Module1 m;
    ScriptedPrompter p;
    frmInsertStep d{m, p};
    DialogOnScreen()
    {
        m.RbShearFactor = 1.0f;
        d.setStepNo("1");
        d.show();
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        EXPECT_EQ(QApplication::focusWidget(), d.txtTime); // not the step number, shown only
        p.onMessage = [this](const Shown &) { stealFocusWhileUp(d); };
    }
    void type(QLineEdit *box, const char *text)
    {
        box->setFocus();
        QTest::keyClicks(box, QString::fromLatin1(text));
    }
    void fillOthers()
    {
        d.txtTime->setText("600");
        d.txtTemp->setText("100");
        d.txtRecordRate->setText("10");
    }
};
} // namespace

TEST(StepDialogFocus, ABadSpeedLeftByTabOrEnterGivesOneMessageAndStaysAsTyped)
{
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return}) {
        DialogOnScreen s;
        s.fillOthers();
        s.type(s.d.txtSpeed, "700");
        QTest::keyClick(s.d.txtSpeed, key);
        ASSERT_EQ(s.p.shown.size(), 1u) << key;
        EXPECT_EQ(s.p.shown[0].text, "Invalid speed inpute.");
        EXPECT_EQ(s.p.shown[0].title, "Speed input out range");
        EXPECT_EQ(s.d.txtSpeed->text(), "700"); // not ".00" from the empty shear-rate box
        EXPECT_EQ(s.d.txtShearrate->text(), "");
        EXPECT_EQ(QApplication::focusWidget(), s.d.txtSpeed);
        EXPECT_TRUE(s.d.isVisible());
        // OK refuses the speed still typed: it never stores one the operator did not type.
        s.d.cmdOk->click();
        EXPECT_EQ(s.p.shown.back().text, "Invalid speed inpute.");
        EXPECT_TRUE(s.d.isVisible());
        s.d.txtSpeed->setText("300");
        QTest::keyClick(s.d.txtSpeed, Qt::Key_Tab);
        EXPECT_EQ(s.d.txtShearrate->text(), "510.69");
        s.d.cmdOk->click();
        EXPECT_EQ(s.d.result(), QDialog::Accepted);
        EXPECT_EQ(s.m.StepSpeedText, "300");
        EXPECT_EQ(s.p.shown.size(), 2u);
    }
}

TEST(StepDialogFocus, EscapeAndCancelCloseWithoutAMessage)
{
    for (const bool escape : {true, false}) {
        DialogOnScreen s;
        s.type(s.d.txtSpeed, "700");
        if (escape)
            QTest::keyClick(s.d.txtSpeed, Qt::Key_Escape);
        else {
            QTest::mouseMove(s.d.cmdCancel);
            QTest::mouseClick(s.d.cmdCancel, Qt::LeftButton);
        }
        EXPECT_FALSE(s.d.isVisible()) << escape;
        EXPECT_TRUE(s.p.shown.empty()) << escape;
        EXPECT_TRUE(s.m.StepDialogCancelled) << escape;
    }
}

TEST(StepDialogFocus, EachChangeConvertsOnceAndOnlyForward)
{
    DialogOnScreen s;
    s.type(s.d.txtSpeed, "300");
    QTest::keyClick(s.d.txtSpeed, Qt::Key_Tab);
    EXPECT_EQ(s.d.txtShearrate->text(), "510.69");
    // Back out of the untouched shear rate: the speed stays as typed, not "300.00".
    QTest::keyClick(s.d.txtShearrate, Qt::Key_Backtab);
    EXPECT_EQ(s.d.txtSpeed->text(), "300");
    // Another window taking the focus checks nothing, even after a change.
    s.d.txtShearrate->setFocus();
    s.d.txtShearrate->selectAll();
    QTest::keyClicks(s.d.txtShearrate, "2000");
    stealFocusWhileUp(s.d);
    EXPECT_EQ(s.d.txtSpeed->text(), "300");
    EXPECT_TRUE(s.p.shown.empty());
    QTest::keyClick(s.d.txtShearrate, Qt::Key_Tab);
    ASSERT_EQ(s.p.shown.size(), 1u);
    EXPECT_EQ(s.p.shown[0].text, "Invalid shear rate inpute.");
    EXPECT_EQ(s.p.shown[0].title, "Shear rate input out of range. Please try again.");
    EXPECT_EQ(s.d.txtSpeed->text(), "1174.88");
    EXPECT_EQ(QApplication::focusWidget(), s.d.txtShearrate);
}
