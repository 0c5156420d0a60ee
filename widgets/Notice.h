#pragma once

#include <QString>
#include <functional>

class QWidget;

// Message boxes of the windows. A question waits for its answer, as the flows that ask
// depend on it; an information box never blocks. Tests replace both with a hook.
namespace notice {

enum class Kind
{
    Information,
    Warning,
    Error,
    Question
};

// The button a question has under Enter; No where Yes would destroy something.
enum class Default
{
    Yes,
    No
};

// Returns true for Yes. Information boxes return true.
using Hook = std::function<bool(Kind kind, const QString &caption, const QString &text)>;
void setHook(Hook hook);

void show(QWidget *parent, Kind kind, const QString &caption, const QString &text);
bool ask(QWidget *parent, const QString &caption, const QString &text,
         Default button = Default::Yes);

// A question that comes up while the operator types into `typing`: what is typed while it is
// up goes on into `typing` once it is answered, rather than to its buttons. Enter, Esc, Tab
// and the arrows still answer it.
bool askWhileTyping(QWidget *typing, const QString &caption, const QString &text);

// A question with a third answer besides Yes and No, named by its button: 0 for Yes, 1 for
// No (also when the box is closed), 2 for the third. Tests answer through a choice hook, or
// through the hook above as a Yes/No question.
using ChoiceHook =
    std::function<int(const QString &caption, const QString &text, const QString &third)>;
void setChoiceHook(ChoiceHook hook);
int choose(QWidget *parent, const QString &caption, const QString &text, const QString &third);

} // namespace notice
