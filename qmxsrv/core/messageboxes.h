// Every message the program shows goes through MessageBoxes: a Qt
// implementation for the operator, a scripted one for tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace qmxsrv {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Question, Exclamation, Information, Critical };
enum class Answer { Ok, Cancel, Yes, No };

// The title of the program's own messages.
inline constexpr char ProgramTitle[] = "QMXSRV";

// Multi-line texts join their lines with character 13, as the stored texts do;
// an implementation that shows them turns each 13 into a line break.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Blocks until the operator has answered.
    virtual Answer show(const std::string &text, const std::string &title, Buttons buttons,
                        Icon icon) = 0;
    virtual void beep() = 0;
};

// Records what was asked and answers from a queue; with the queue empty it
// answers with the box's first button (OK or Yes).
class ScriptedMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string title;
        Buttons buttons;
        Icon icon;
    };

    void answerNext(Answer answer) { answers_.push_back(answer); }

    Answer show(const std::string &text, const std::string &title, Buttons buttons,
                Icon icon) override
    {
        shown.push_back({text, title, buttons, icon});
        if (!answers_.empty()) {
            Answer a = answers_.front();
            answers_.pop_front();
            return a;
        }
        return (buttons == Buttons::Ok || buttons == Buttons::OkCancel) ? Answer::Ok : Answer::Yes;
    }
    void beep() override { ++beeps; }

    std::vector<Shown> shown;
    int beeps = 0;

private:
    std::deque<Answer> answers_;
};

// An OK box with the program's title: the form of most of the program's messages.
inline void tell(MessageBoxes &boxes, const std::string &text, Icon icon = Icon::None)
{
    boxes.show(text, ProgramTitle, Buttons::Ok, icon);
}

} // namespace qmxsrv
