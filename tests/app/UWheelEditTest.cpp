// The wheel edit reports one event per wheel step and lets unhandled steps
// go on to the default handling.
#include <QWheelEvent>

#include "AppFixture.h"
#include "support/Feedback.h"

namespace {

// Counts the wheel events the default handling passes on to it.
class Parent : public QWidget {
public:
    int Wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++Wheels;
        event->accept();
    }
};

class WheelEdit : public ::testing::Test {
protected:
    Parent Window;
    TWheelEdit* Edit = new TWheelEdit(&Window);
    std::vector<int> Steps;  // +1 up, -1 down

    void Turn(int angleDelta) { SendWheel(Edit, angleDelta, Qt::ShiftModifier); }
    void Handle(bool handled)
    {
        auto step = [this, handled](int direction) {
            return [=, this](QObject* sender, Qt::KeyboardModifiers shift, QPoint pos, bool& Handled) {
                EXPECT_EQ(sender, Edit);
                EXPECT_EQ(shift, Qt::ShiftModifier);
                EXPECT_EQ(pos, QPoint(3, 4));
                EXPECT_FALSE(Handled);
                Steps.push_back(direction);
                Handled = handled;
            };
        };
        Edit->OnMouseWheelUp = step(+1);
        Edit->OnMouseWheelDown = step(-1);
    }
};

}  // namespace

TEST_F(WheelEdit, WithoutHandlersOrUnhandledTheParentGetsTheWheel)
{
    Turn(120);
    EXPECT_EQ(Window.Wheels, 1);
    Handle(false);
    Turn(-120);
    EXPECT_EQ(Steps, std::vector<int>{-1});
    EXPECT_EQ(Window.Wheels, 2);
}

TEST_F(WheelEdit, OneEventPerWholeStepFineGrainedDeltasIncluded)
{
    Handle(true);
    Turn(360);
    Turn(-120);
    for (int i = 0; i < 7; ++i)
        Turn(40);  // 280: two steps, 40 left over
    Turn(80);
    EXPECT_EQ(Steps, (std::vector<int>{1, 1, 1, -1, 1, 1, 1}));
    EXPECT_EQ(Window.Wheels, 5) << "an event without a whole step gets the default handling";
}

TEST_F(WheelEdit, AStepThatRaisesEndsTheEventAtTheErrorDisplay)
{
    std::vector<std::string> errors;
    ErrorDisplayHook = [&](const std::string& text) { errors.push_back(text); };
    Edit->OnMouseWheelUp = [this](QObject*, Qt::KeyboardModifiers, QPoint, bool&) {
        Steps.push_back(1);
        throw std::runtime_error("step failed");
    };
    Turn(360);
    Turn(60);  // the two steps after the failing one are gone
    ErrorDisplayHook = nullptr;
    EXPECT_EQ(Steps, std::vector<int>{1});
    EXPECT_EQ(errors, std::vector<std::string>{"step failed"});
}
