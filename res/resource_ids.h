// Resource identifiers shared by the .rc files and the code.
#pragma once

#define IDI_LUMOVA 1
#define IDB_PREVIEW 101
