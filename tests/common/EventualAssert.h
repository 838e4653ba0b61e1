#pragma once
// QTest's QTRY_* macros report to QTest's own result log, which a googletest
// run never reads: a condition that never came true would pass unnoticed.
// These wait the same way, letting events run, and fail the googletest test.
#include <QTest>
#include <gtest/gtest.h>

#define ASSERT_EVENTUALLY_WITHIN(condition, milliseconds)                                                     \
    do {                                                                                                      \
        (void)QTest::qWaitFor([&]() -> bool { return static_cast<bool>(condition); }, milliseconds);                \
        ASSERT_TRUE(condition) << "still false after " << (milliseconds) << " ms";                            \
    } while (false)

#define ASSERT_EVENTUALLY_EQ_WITHIN(actual, expected, milliseconds)                                           \
    do {                                                                                                      \
        (void)QTest::qWaitFor([&]() -> bool { return (actual) == (expected); }, milliseconds);                      \
        ASSERT_EQ(actual, expected) << "still different after " << (milliseconds) << " ms";                  \
    } while (false)

#define ASSERT_EVENTUALLY(condition) ASSERT_EVENTUALLY_WITHIN(condition, 10000)
#define ASSERT_EVENTUALLY_EQ(actual, expected) ASSERT_EVENTUALLY_EQ_WITHIN(actual, expected, 10000)
