// resource.h: identifiers of the module's resources.
#pragma once

#define IDS_MODULE_NAME 101
#define IDS_GREETING 102
#define IDS_COMMANDS 103
#define IDS_SETTINGS_SECTION 104
