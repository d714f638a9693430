// The host's user-interface library and the framework's modal message box.
#pragma once

#include "adesk.h"

#define MB_OK 0x00000000u
#define IDOK 1

// Prepares the host's UI library for a module that uses it.
ACCORE_PORT void InitAcUiDLL();
// Shows a modal message box and returns the button pressed.
ACCORE_PORT int AfxMessageBox(const wchar_t* lpszText, unsigned int nType = MB_OK, unsigned int nIDHelp = 0);
