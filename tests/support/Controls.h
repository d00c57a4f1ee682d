#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

// A window's control by its object name (the name the form gives it); a missing control
// fails the test and gives a null pointer.
template <typename T> T* control(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}
