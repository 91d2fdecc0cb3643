/* The Windows resource-compiler definitions (window, dialog and control
   styles, IDOK and IDCANCEL) for the program's resource script, which lives
   with the portable user interface and so does not include system headers
   itself. */
#ifndef QEV_PLATFORM_WIN32_RESOURCE_CONSTANTS_H
#define QEV_PLATFORM_WIN32_RESOURCE_CONSTANTS_H

#include <winresrc.h>

#endif
