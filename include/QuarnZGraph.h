/* The functions a relay-test host calls in QuarnZGraph. */
#ifndef QUARNZGRAPH_H
#define QUARNZGRAPH_H

#include <stdint.h>

#ifdef _WIN32
#include <wchar.h>
typedef wchar_t QZCHAR;
#define QZ_API __declspec(dllimport)
/* The C calling convention, also for hosts built with another default. */
#define QZ_CALL __cdecl
#else
#ifndef __cplusplus
#include <uchar.h>
#endif
typedef char16_t QZCHAR;
#define QZ_API
#define QZ_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Once after loading: finds the template database beside the host. */
QZ_API void QZ_CALL my_dll_Init(void);
/* Loads the zone file (or none when null), runs the zone settings dialog and
   writes the zone parameter file on OK.  1 when the user confirmed, else 0. */
QZ_API int32_t QZ_CALL my_dll_ZoneSet(const QZCHAR* zoneFile);
/* Writes the path of the zone parameter file last written, or an empty
   string, into a caller-owned buffer.  1 when a path was written. */
QZ_API int32_t QZ_CALL my_dll_GetZoneFileName(QZCHAR* buffer);
/* Before unloading: closes the database and empties the lists. */
QZ_API void QZ_CALL my_dll_Release(void);

/* Automation (not called by a relay-test host): the user's actions in the
   dialogs of the following my_dll_ZoneSet calls come from this session
   script (docs/session-scripts.md); 1 when it parses, else 0 with the error
   on standard error.  With null: ends the session; 1 when every line was
   played and every check held, else 0 (the errors went to standard error). */
QZ_API int32_t QZ_CALL quarnz_PlaySession(const QZCHAR* scriptText);

#ifdef __cplusplus
}
#endif

#endif
