// Errors: the message travels with every copy and is reported as one line.
#include <gtest/gtest.h>

#include <string>

#include "platform/DynamicError.h"

namespace {

TEST(Error, TheMessageSurvivesCopiesAndAssignment) {
    const DynamicError original("SOUND: Unable to init");
    DynamicError copy(original);
    EXPECT_STREQ(copy.message(), "SOUND: Unable to init");
    DynamicError other(std::string("other"));
    other = original;
    other = other;
    EXPECT_STREQ(other.what(), "SOUND: Unable to init");
    EXPECT_STREQ(DynamicError(nullptr).message(), "");
}

TEST(Error, ReportWritesTheMessageAsOneLineToStandardError) {
    ptc_error_set_message_box(0);
    testing::internal::CaptureStderr();
    DynamicError("Vorla error - bad file\nsecond line").report();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vorla error - bad file second line\n");
}

}  // namespace
