#include "RemoteFiles.h"

// The remote files arrive with their own work; until then the threads end at once.
void UpgradeCheckThread() {}
void AdDownloadThread() {}
