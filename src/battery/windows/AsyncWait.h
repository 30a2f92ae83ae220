#pragma once

#include "battery/windows/HResultError.h"

#include <windows.foundation.h>
#include <wrl/client.h>
#include <wrl/event.h>
#include <wrl/implements.h>

#include <memory>

// Blocks the calling thread until an asynchronous runtime operation has
// finished, however it finished: the caller then takes the result with
// GetResults, which is where a failed or cancelled operation reports its
// error. There is no time-out; a pass waits as long as the service takes.
template<typename T>
void awaitCompletion(const Microsoft::WRL::ComPtr<ABI::Windows::Foundation::IAsyncOperation<T>> &operation)
{
    using ABI::Windows::Foundation::AsyncStatus;
    using ABI::Windows::Foundation::IAsyncInfo;
    using ABI::Windows::Foundation::IAsyncOperation;
    using ABI::Windows::Foundation::IAsyncOperationCompletedHandler;
    using namespace Microsoft::WRL;

    ComPtr<IAsyncInfo> info;
    throwIfFailed(operation.As(&info), "IAsyncOperation as IAsyncInfo");
    AsyncStatus status = AsyncStatus::Started;
    throwIfFailed(info->get_Status(&status), "IAsyncInfo.Status");
    if (status == AsyncStatus::Completed)
        return;

    // Shared with the handler, not owned by this frame alone: the handler may
    // still be on its way out of WakeConditionVariable when the waiter has
    // seen the flag and returned.
    struct WaitState
    {
        SRWLOCK lock = SRWLOCK_INIT;
        CONDITION_VARIABLE completedChanged = CONDITION_VARIABLE_INIT;
        bool completed = false;
    };
    const auto state = std::make_shared<WaitState>();

    // Agile (free-threaded): the runtime calls it on a thread of its choosing.
    using Handler = Implements<RuntimeClassFlags<ClassicCom>, IAsyncOperationCompletedHandler<T>, FtmBase>;
    auto handler = Callback<Handler>([state](IAsyncOperation<T> *, AsyncStatus) -> HRESULT {
        AcquireSRWLockExclusive(&state->lock);
        state->completed = true;
        ReleaseSRWLockExclusive(&state->lock);
        WakeConditionVariable(&state->completedChanged);
        return S_OK;
    });
    if (!handler)
        throwIfFailed(E_OUTOFMEMORY, "IAsyncOperationCompletedHandler");
    // On an operation that completed since the status check, the runtime calls
    // the handler at once.
    throwIfFailed(operation->put_Completed(handler.Get()), "IAsyncOperation.Completed");

    AcquireSRWLockExclusive(&state->lock);
    while (!state->completed)
        SleepConditionVariableSRW(&state->completedChanged, &state->lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&state->lock);
}
