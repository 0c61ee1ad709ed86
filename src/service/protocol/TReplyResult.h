#pragma once

#include "TReplyError.h"

#include <utility>
#include <variant>

// A reply reader's outcome: the values read, or why there are none.
template<class T>
class TReplyResult
{
public:
    TReplyResult(T value) : content_(std::move(value)) {}
    TReplyResult(TReplyError error) : content_(std::move(error)) {}

    bool ok() const { return content_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T &value() const { return std::get<0>(content_); }
    const T *operator->() const { return &value(); }
    const T &operator*() const { return value(); }
    // Only when !ok().
    const TReplyError &error() const { return std::get<1>(content_); }

private:
    std::variant<T, TReplyError> content_;
};
