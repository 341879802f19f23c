#include "ProviderDirectoryUpdate.h"

void RefreshProviderDirectory(int) {}
