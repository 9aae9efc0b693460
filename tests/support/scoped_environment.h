// An environment variable set (or, with nullptr, unset) for as long as the
// object lives, then restored: for the test and the programs it starts.
#pragma once

#include <cstdlib>
#include <string>

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name) {
        const char* old = std::getenv(name);
        hadValue = old != nullptr;
        if (old) oldValue = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        if (hadValue) {
            setenv(name, oldValue.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

private:
    const char* name;
    bool hadValue = false;
    std::string oldValue;
};
