#include "platform/MessageBox.h"

#include <QGuiApplication>

#include <cstdio>

namespace msgbox {
namespace {

QList<Shown>& shownBoxes()
{
    static QList<Shown> boxes;
    return boxes;
}

bool& historyKept()
{
    static bool kept = false;
    return kept;
}

QStringList& logged()
{
    static QStringList lines;
    return lines;
}

std::optional<Answer>& nextAnswer()
{
    static std::optional<Answer> answer;
    return answer;
}

Answer defaultAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::Yes;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

WindowShower& windowShower()
{
    static WindowShower shower = nullptr;
    return shower;
}

} // namespace

bool isHeadless()
{
    if (!windowShower() || !qGuiApp)
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == u"offscreen" || platform == u"minimal";
}

void log(const QString& title, const QString& text)
{
    QString line = title + QStringLiteral(": ") + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\\n")).replace(u'\n', QStringLiteral("\\n"));
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    if (historyKept())
        logged().append(line);
}

Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Druckserver") : title;
    if (historyKept())
        shownBoxes().append({shownTitle, text});

    if (auto answer = std::exchange(nextAnswer(), std::nullopt))
        return *answer;

    if (isHeadless()) {
        log(shownTitle, text);
        return defaultAnswer(buttons);
    }

    return windowShower()(shownTitle, text, icon, buttons);
}

void setWindowShower(WindowShower shower)
{
    windowShower() = shower;
}

void keepHistory(bool keep)
{
    historyKept() = keep;
    if (!keep)
        clearHistory();
}

void setNextAnswer(Answer answer)
{
    nextAnswer() = answer;
}

const QList<Shown>& history()
{
    return shownBoxes();
}

const QStringList& loggedLines()
{
    return logged();
}

void clearHistory()
{
    shownBoxes().clear();
    logged().clear();
}

} // namespace msgbox
