#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of spin buttons (up above down) bound to a text box, the buddy. The text box
// keeps whatever the user types, also text that is no number; the buttons step from the
// buddy's numeric value, clamp to the range and write the new value back into the box.
class UpDownButtons : public QWidget
{
    Q_OBJECT

public:
    explicit UpDownButtons(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* buddy) { m_buddy = buddy; }
    QLineEdit* buddy() const { return m_buddy; }

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // The value is clamped to the range; setting it does not touch the buddy.
    void setValue(int value);
    // A maximum below the minimum is refused.
    void setRange(int minimum, int maximum);
    void setMaximum(int maximum) { setRange(m_minimum, maximum); }

public slots:
    void stepUp() { stepBy(1); }
    void stepDown() { stepBy(-1); }

signals:
    void valueChanged(int value);

private:
    void stepBy(int steps);

    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_value = 1;
    int m_minimum = 1;
    int m_maximum = 10;
};
