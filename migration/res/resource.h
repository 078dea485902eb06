// Resource ids of TavrinMigration (TavrinMigration.rc).
#pragma once

// Dialog template; its hidden button is IDOK (1)
#define IDD_TAVRINMIGRATION_DIALOG  102

// Program icon (16, 32 and 48 pixels)
#define IDR_MAINFRAME               128

// Logo banner, 286 x 58 pixels, 24 bits per pixel
#define IDB_LOGO                    130

// The "Scanning ZEFO KR" label
#define IDC_SCAN_LABEL              1003

// The logo picture control has no id of its own
#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif
