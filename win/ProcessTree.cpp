#include "win/ProcessTree.h"

namespace {

// How often an ended job is asked whether its processes are gone: ending takes milliseconds.
constexpr DWORD JobPollMs = 20;
// A process that never ran ends at once; a wait that takes longer is given up.
constexpr DWORD EndWaitMs = 10000;

win::unique_handle KillOnCloseJob()
{
    win::unique_handle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits))) {
        job.reset();
    }
    return job;
}

}  // namespace

bool ProcessTree::Start(const std::wstring& program, std::wstring& commandLine, DWORD creationFlags,
                        const wchar_t* directory, STARTUPINFOW& startup)
{
    job_ = KillOnCloseJob();
    // Suspended until it is in the job: a program that ran first could start a child outside.
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        creationFlags | CREATE_SUSPENDED, nullptr, directory, &startup, &started)) {
        job_.reset();
        return false;
    }
    process_.reset(started.hProcess);
    const win::unique_handle thread(started.hThread);
    if (job_ && !AssignProcessToJobObject(job_.get(), process_.get())) job_.reset();
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // It would wait suspended for ever: nothing of it has run.
        TerminateProcess(process_.get(), ERROR_INVALID_HANDLE);
        WaitForSingleObject(process_.get(), EndWaitMs);
        process_.reset();
        job_.reset();
        return false;
    }
    return true;
}

bool ProcessTree::End(UINT exitCode, DWORD waitMs)
{
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    const auto left = [deadline] {
        const ULONGLONG now = GetTickCount64();
        return now >= deadline ? DWORD{0} : static_cast<DWORD>(deadline - now);
    };
    if (job_ && TerminateJobObject(job_.get(), exitCode)) {
        // The job's processes end one by one, each when the system has torn it down; the
        // job's count of them says when the last one, and its handles on files, are gone.
        for (;;) {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
            if (!QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation,
                                           &accounting, sizeof(accounting), nullptr)) {
                break;  // the program's own end is all that can be waited for
            }
            if (accounting.ActiveProcesses == 0) return true;
            if (left() == 0) return false;
            Sleep(JobPollMs < left() ? JobPollMs : left());
        }
    } else {
        TerminateProcess(process_.get(), exitCode);
    }
    return WaitForSingleObject(process_.get(), left()) == WAIT_OBJECT_0;
}
