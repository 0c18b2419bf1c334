// The Unix side of Wine, reached from a test: path conversions and shell commands started
// natively, outside the Windows processes of the prefix.
#pragma once

#include <string>

namespace testsupport {

// Wine's own conversions between Windows and Unix paths (kernel32 exports them under Wine
// only). Empty when they are missing or the path has no counterpart.
std::string UnixPath(const std::wstring& windowsPath);
std::wstring WindowsPath(const std::string& unixPath);

// One argument for sh, quoted so that spaces and other characters stay literal.
std::string ShellQuoted(const std::string& text);

// Starts /bin/sh -c script natively and does not wait: under Wine, CreateProcessW on a Unix
// executable gives no process handle. The shell inherits this process's Unix environment
// (the one Wine was started with, whatever SetEnvironmentVariableW has changed since). False,
// with the reason in problem, when it could not be started.
bool StartUnixShell(const std::string& script, std::string& problem);

}  // namespace testsupport
