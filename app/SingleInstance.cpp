#include "app/SingleInstance.h"

#include <windows.h>

bool SingleInstance::Claim()
{
    // No namespace prefix: copies in other sessions of one PC each get their own, as each user
    // has a dictionary of their own.
    mutex_.reset(::CreateMutexW(nullptr, TRUE, L"lexiferry_mutex"));
    return ::GetLastError() != ERROR_ALREADY_EXISTS;
}
