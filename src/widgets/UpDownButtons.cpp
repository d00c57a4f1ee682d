#include "widgets/UpDownButtons.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDownButtons::UpDownButtons(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDownButtons::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDownButtons::stepDown);
}

void UpDownButtons::setValue(int value)
{
    const int clamped = std::clamp(value, m_minimum, m_maximum);
    if (clamped == m_value)
        return;
    m_value = clamped;
    emit valueChanged(m_value);
}

void UpDownButtons::setRange(int minimum, int maximum)
{
    if (maximum < minimum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    setValue(m_value);
}

void UpDownButtons::stepBy(int steps)
{
    // Step from what the box shows, so a typed number is where the buttons go on from.
    int from = m_value;
    if (m_buddy) {
        bool ok = false;
        const int typed = m_buddy->text().trimmed().toInt(&ok);
        if (ok)
            from = typed;
    }
    const qint64 wanted = qint64(std::clamp(from, m_minimum, m_maximum)) + steps;
    setValue(int(std::clamp<qint64>(wanted, m_minimum, m_maximum)));
    if (m_buddy)
        m_buddy->setText(QString::number(m_value));
}
