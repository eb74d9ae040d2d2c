#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>

// What a call wrote to standard output and standard error, and what it returned.
template <typename Result>
struct Captured {
    Result result;
    std::string out;
    std::string err;
};

// Runs call with both streams captured.
template <typename Call>
auto captureOutput(Call&& call) -> Captured<decltype(call())> {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto result = std::forward<Call>(call)();
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {std::move(result), std::move(out), std::move(err)};
}
