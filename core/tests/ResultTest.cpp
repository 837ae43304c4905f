#include "core/Result.h"
#include "core/URI.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using Holmgrave::Core::Error;
using Holmgrave::Core::Path;
using Holmgrave::Core::Result;
using Holmgrave::Core::URI;
using Holmgrave::Core::VoidResult;

TEST(Result, ValueLessSuccessIsTheAbsenceOfAnError)
{
    const VoidResult ok = VoidResult::success();
    EXPECT_TRUE(ok.hasValue());
    EXPECT_FALSE(ok.error().errorCode());
    EXPECT_EQ(ok.error().errorCode(), std::error_code());
    EXPECT_EQ(ok.error().category, &std::system_category());
    EXPECT_TRUE(ok.error().message.empty());
}

TEST(Result, FailureHandedOnKeepsCodeCategoryAndText)
{
    const Result<URI> resolution(Error::library("no filesystem registered to handle URI"));
    ASSERT_FALSE(resolution.hasValue());

    const auto asBool = Result<bool>::failureFrom(resolution);
    const auto asStream = Result<std::shared_ptr<int>>::failureFrom(resolution);
    const auto asVoid = VoidResult::failureFrom(resolution);
    for (const Error* e : {&asBool.error(), &asStream.error(), &asVoid.error()}) {
        EXPECT_EQ(e->code, 1);
        EXPECT_EQ(e->category, &std::generic_category());
        EXPECT_EQ(e->message, "no filesystem registered to handle URI");
    }
    EXPECT_FALSE(asBool.hasValue());
    EXPECT_FALSE(asStream.hasValue());
    EXPECT_FALSE(asVoid.hasValue());
}

TEST(Result, LargeValuesSurviveCopyAndMove)
{
    URI uri(Path("/a/b"));
    uri.setScheme("file");
    uri.setQuery(std::string(200, 'q'));
    Result<URI> original(uri);
    Result<URI> copy = original;
    Result<URI> moved = std::move(original);
    ASSERT_TRUE(copy.hasValue());
    ASSERT_TRUE(moved.hasValue());
    EXPECT_EQ(copy.value(), uri);
    EXPECT_EQ(moved.value(), uri);
}

TEST(Result, ReadingTheWrongMemberThrowsInsteadOfReadingGarbage)
{
    Result<int> value(5);
    Result<int> failure(Error::fromErrno(2));
    EXPECT_THROW(value.error(), std::logic_error);
    EXPECT_THROW(failure.value(), std::logic_error);
    EXPECT_EQ(failure.error().code, 2);
    EXPECT_EQ(failure.error().category, &std::system_category());
    EXPECT_TRUE(failure.error().message.empty());
}
