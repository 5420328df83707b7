// Resource IDs, shared by the resource script and the code.
#pragma once

// The lowest-numbered icon is the program file's icon.
#define RUNESUKA_ICON_APPLICATION 1
#define RUNESUKA_ICON_WARNING 2
// Stored with the image boxes beside the warning icon; the program never shows it.
#define RUNESUKA_ICON_WARNING_RED 3
