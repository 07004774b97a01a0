// An environment variable set (or removed) for the length of a test scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
// Windows has no setenv; an empty value removes a variable there.
inline void set_variable(const char* name, const char* value) { _putenv_s(name, value); }
inline void remove_variable(const char* name) { _putenv_s(name, ""); }
#else
inline void set_variable(const char* name, const char* value) { ::setenv(name, value, 1); }
inline void remove_variable(const char* name) { ::unsetenv(name); }
#endif

struct ScopedEnv {
    std::string name;
    std::optional<std::string> saved;

    // value null: the variable is removed for the scope.
    ScopedEnv(const char* variable, const char* value) : name(variable)
    {
        if (const char* old = std::getenv(variable)) saved = old;
        if (value) set_variable(variable, value);
        else remove_variable(variable);
    }
    ~ScopedEnv()
    {
        if (saved) set_variable(name.c_str(), saved->c_str());
        else remove_variable(name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
};
