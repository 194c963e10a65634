// Waiting for other clerks: a call into a shared data file that finds it locked waits for as
// long as the clerk holding it makes progress. The application can be told when such a wait
// lasts, to show the busy pointer meanwhile.
#pragma once

#include <functional>

namespace engine {

// `observer(true)` is called when a call into a data file has waited about 200 ms for another
// clerk, and `observer(false)` when that call goes on again (whether it got the file or gave
// up). Both come on the thread that waits, in pairs. The observer must not use a database or
// throw. An empty function removes it.
void SetBusyWaitObserver(std::function<void(bool waiting)> observer);

// After how long a wait is reported.
inline constexpr int kBusyWaitReportMs = 200;

}  // namespace engine
