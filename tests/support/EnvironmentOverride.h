// Sets one environment variable of this process, which the programs it starts inherit, for
// the length of a scope.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// The variable's value; empty when it is not set.
inline std::wstring EnvironmentVariable(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length < 1024 ? std::wstring(value, length) : std::wstring();
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const wchar_t* name, const std::wstring& value)
        : name_(name), saved_(EnvironmentVariable(name))
    {
        SetEnvironmentVariableW(name_, value.c_str());
    }
    ~EnvironmentOverride()
    {
        SetEnvironmentVariableW(name_, saved_.empty() ? nullptr : saved_.c_str());
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const wchar_t* name_;
    std::wstring saved_;
};

}  // namespace testsupport
