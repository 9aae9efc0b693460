// The one exception type of the system: a message, held by a toolkit error.
#pragma once

#include <exception>
#include <string>

#include "ptc.h"

class DynamicError : public std::exception {
public:
    explicit DynamicError(const char* message) : handle(ptc_error_create(message)) {}
    explicit DynamicError(const std::string& message) : DynamicError(message.c_str()) {}
    DynamicError(const DynamicError& other) : handle(ptc_error_create(other.message())) {}
    DynamicError& operator=(const DynamicError& other) {
        if (this != &other) {
            PTC_ERROR copy = ptc_error_create(other.message());
            ptc_error_destroy(handle);
            handle = copy;
        }
        return *this;
    }
    ~DynamicError() override { ptc_error_destroy(handle); }

    const char* message() const { return ptc_error_message(handle); }
    const char* what() const noexcept override { return ptc_error_message(handle); }
    void report() const { ptc_error_report(handle); }

private:
    PTC_ERROR handle;
};
