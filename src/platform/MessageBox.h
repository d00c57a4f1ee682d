#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every message box of the program goes through here. In a program that shows its boxes
// in windows (showInWindows), with a display, it shows a real box. Headless
// (QT_QPA_PLATFORM=offscreen or minimal, no GUI application, or a program without windows,
// which then need not load the widget library at all) it writes one line "title: text" to
// standard error and answers with the default button, so a headless server never blocks. Nothing of a box is kept once it is answered, unless a
// test asked for the history (keepHistory): tests read what was shown through history()
// and may answer the next box with setNextAnswer().
namespace msgbox {

enum class Icon
{
    None,
    Information,
    Exclamation,
    Critical,
    Question
};
enum class Buttons
{
    Ok,
    OkCancel,
    YesNo
};
enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No
};

struct Shown
{
    QString title;
    QString text;
};

// A box without an explicit title carries the program's name, as the platform does.
Answer show(const QString& text, const QString& title = QString(), Icon icon = Icon::None,
            Buttons buttons = Buttons::Ok);

bool isHeadless();

// From now on boxes are windows where there is a display (MessageBoxWindow.cpp); a
// program with windows says so at its start, after its QApplication is made.
void showInWindows();
// How showInWindows() shows a box; the window code hands itself in here.
using WindowShower = Answer (*)(const QString& title, const QString& text, Icon icon, Buttons buttons);
void setWindowShower(WindowShower shower);

// Writes one line "title: text" to standard error, as a headless box is shown; line
// breaks in the text become "\n". For what a headless operator must know without a box.
void log(const QString& title, const QString& text);

// Test hooks. The history is kept only from keepHistory(true) on.
void keepHistory(bool keep);
void setNextAnswer(Answer answer);
const QList<Shown>& history();
// The lines log() wrote (also those of headless boxes), kept like the history.
const QStringList& loggedLines();
void clearHistory();

} // namespace msgbox
