// What the command line asks for. A person who double-clicks the program, or drops a file on
// it, gets the window whatever the command line holds: only /quiet makes the arguments count,
// for the deployment tools that run the program on many PCs.
#pragma once

#include <string>
#include <vector>

class CommandLine {
public:
    // The arguments after the program's own name, as CommandLineToArgvW splits them.
    explicit CommandLine(const std::vector<std::wstring>& arguments);

    // The process's own arguments. Shell32 is loaded here, from the system directory: call
    // this only after the DLL search has been restricted. Where the arguments cannot be split
    // (no shell32, no CommandLineToArgvW, or its failure), a command line that holds /quiet or
    // -quiet as a word is a usage error of the quiet mode, without a log, and any other one
    // asks for the window.
    // Where memory runs out on the way, nothing is read: OutOfMemory() says so.
    static CommandLine OfThisProcess();
    // A command line that CommandLineToArgvW could not split, read as above (program name
    // included): a test's way to the rule, which no real failure reaches on demand.
    static CommandLine Unsplit(const wchar_t* commandLine);

    bool Quiet() const { return quiet_; }
    // Memory ran out while the command line was read: whether it asked for the quiet mode is
    // told by the unsplit rule above, and nothing else of it is known.
    bool OutOfMemory() const { return outOfMemory_; }
    // Only meaningful in the quiet mode.
    bool UsageError() const { return usageError_; }
    // The first argument that made the usage error: unknown, repeated, or an option whose
    // value is missing.
    const std::wstring& Problem() const { return problem_; }
    // Empty when not given: the export tool is the source.
    const std::wstring& FromPath() const { return fromPath_; }
    // Empty when not given. Kept after a usage error when it could be read, so that the error
    // reaches the log too.
    const std::wstring& LogPath() const { return logPath_; }
    // Without /quiet: the one argument, when it is the only one, is not an option and names
    // an existing file (a file dropped on the program's icon, or "Open with"); the window
    // takes it as if chosen. Empty otherwise.
    const std::wstring& OpenedFile() const { return openedFile_; }

private:
    void Parse(const std::vector<std::wstring>& arguments);

    bool quiet_ = false;
    bool outOfMemory_ = false;
    bool usageError_ = false;
    std::wstring problem_;
    std::wstring fromPath_;
    std::wstring logPath_;
    std::wstring openedFile_;
};
