#pragma once

// Background thread bodies started when the main window is created: the upgrade check and the
// advertisement download. Neither touches the database.
void UpgradeCheckThread();
void AdDownloadThread();
