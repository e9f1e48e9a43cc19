#pragma once

#include <QTest>
#include <gtest/gtest.h>

// Waits, processing events, until cond holds (at most 5 s), else fails the test. Qt's QTRY_*
// macros cannot be used under GoogleTest: their failure only returns from the function.
#define ASSERT_EVENTUALLY(cond)                                                                    \
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, 5000)) << "never true: " #cond
