#pragma once

#include <functional>

// Starts a detached background thread that is never joined; it ends with the process at the
// latest. Tests replace the starter to record or run the bodies themselves.
using BackgroundStarter = std::function<void(const char *name, std::function<void()> body)>;

void StartBackgroundThread(const char *name, std::function<void()> body);
// How many threads started here have not finished yet.
int RunningBackgroundThreads();
// nullptr restores the default (a detached std::thread).
void SetBackgroundStarter(BackgroundStarter starter);
