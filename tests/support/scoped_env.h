// An environment variable set (or removed) for the length of a test scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

struct ScopedEnv {
    std::string name;
    std::optional<std::string> saved;

    // value null: the variable is removed for the scope.
    ScopedEnv(const char* variable, const char* value) : name(variable)
    {
        if (const char* old = std::getenv(variable)) saved = old;
        if (value) ::setenv(variable, value, 1);
        else ::unsetenv(variable);
    }
    ~ScopedEnv()
    {
        if (saved) ::setenv(name.c_str(), saved->c_str(), 1);
        else ::unsetenv(name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
};
