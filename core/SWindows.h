#pragma once
// The one way our code includes the Windows headers. Several framework operations share
// their names with Windows' A/W macros (SDisk::DeleteFile, SDisk::GetTempFileName, ...);
// the macros are removed here so that those names mean the framework's operations, and the
// system functions are called by their explicit A names.
#include <windows.h>

#undef DeleteFile
#undef GetTempFileName
#undef GetTempPath
#undef CreateDirectory
#undef FindResource
#undef GetCommandLine
#undef CreateWindow
#undef SendMessage
#undef PostMessage
#undef GetWindowText
#undef SetWindowText
#undef MessageBox
#undef DrawText
#undef LoadIcon
#undef LoadCursor
#undef GetObject
#undef CreateFont
