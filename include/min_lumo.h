/*
 * min_lumo: network minimisation and baseline orientation for a GNSS
 * post-processing host.  The host loads the library at run time and calls the
 * three functions below with pointers into its own project memory.
 *
 * This header compiles as C and as C++.
 */
#ifndef MIN_LUMO_H
#define MIN_LUMO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The three entry points use __stdcall on 32-bit x86 (Windows and Linux i386
 * alike) and the platform's default convention elsewhere. */
#if defined(_WIN32) && defined(_M_IX86) || defined(_WIN32) && defined(__i386__)
#  define MIN_LUMO_CALL __stdcall
#elif defined(__i386__)
#  define MIN_LUMO_CALL __attribute__((stdcall))
#else
#  define MIN_LUMO_CALL
#endif

/* On Windows the module-definition file names the exports; elsewhere the
 * library is built with hidden visibility and only these are made visible. */
#if !defined(_WIN32) && defined(__GNUC__)
#  define MIN_LUMO_API __attribute__((visibility("default")))
#else
#  define MIN_LUMO_API
#endif

/* Record types of the host project.  Their layout is fixed byte by byte
 * (see the README); the host hands arrays of them as raw memory. */
struct SourceRecord;
struct StationRecord;
struct BaselineRecord;
struct ObservationRecord;
struct ControlRecord;

/* The host's project header: five arrays and their record counts.  40 bytes
 * on 32-bit targets; natural alignment elsewhere. */
typedef struct ProjectHeader {
    int32_t sourceCount;
    struct SourceRecord* sources;
    int32_t stationCount;
    struct StationRecord* stations;
    int32_t baselineCount;
    struct BaselineRecord* baselines;
    int32_t observationCount;
    struct ObservationRecord* observations;
    int32_t controlCount;
    struct ControlRecord* controls;
} ProjectHeader;

/* The structure-size handshake of DLL_Min_Lumo: the six values this library
 * version accepts, in order.  Values 3 to 6 are the strides of the source,
 * observation, baseline and control records.  MIN_LUMO_STRUCT_SIZES
 * initialises the array a host passes:
 *     static const int32_t sizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES; */
#define MIN_LUMO_STRUCT_SIZE_COUNT 6
#define MIN_LUMO_STRUCT_SIZES {280, 5416, 2708, 2680, 1584, 84}

/* The names under which the module exports the three entry points: on
 * Windows the decorated __stdcall names (for GetProcAddress), elsewhere the
 * plain names (for dlsym).  MIN_LUMO_NAME_* is the right one for the
 * platform being compiled. */
#define MIN_LUMO_DECORATED_NAME_MIN_LUMO "_DLL_Min_Lumo@8"
#define MIN_LUMO_DECORATED_NAME_FIX_BASELINE_DIRECTION "_DLL_Fix_Baseline_Direction@4"
#define MIN_LUMO_DECORATED_NAME_GET_ERROR_MESSAGE "_Get_Error_Message@4"
#define MIN_LUMO_PLAIN_NAME_MIN_LUMO "DLL_Min_Lumo"
#define MIN_LUMO_PLAIN_NAME_FIX_BASELINE_DIRECTION "DLL_Fix_Baseline_Direction"
#define MIN_LUMO_PLAIN_NAME_GET_ERROR_MESSAGE "Get_Error_Message"
#ifdef _WIN32
#  define MIN_LUMO_NAME_MIN_LUMO MIN_LUMO_DECORATED_NAME_MIN_LUMO
#  define MIN_LUMO_NAME_FIX_BASELINE_DIRECTION MIN_LUMO_DECORATED_NAME_FIX_BASELINE_DIRECTION
#  define MIN_LUMO_NAME_GET_ERROR_MESSAGE MIN_LUMO_DECORATED_NAME_GET_ERROR_MESSAGE
#else
#  define MIN_LUMO_NAME_MIN_LUMO MIN_LUMO_PLAIN_NAME_MIN_LUMO
#  define MIN_LUMO_NAME_FIX_BASELINE_DIRECTION MIN_LUMO_PLAIN_NAME_FIX_BASELINE_DIRECTION
#  define MIN_LUMO_NAME_GET_ERROR_MESSAGE MIN_LUMO_PLAIN_NAME_GET_ERROR_MESSAGE
#endif

/* Size of the library's message buffer; a caller's buffer of this size always
 * holds what Get_Error_Message copies. */
#define MIN_LUMO_MESSAGE_CAPACITY 512

/* Groups the observations into time-networks and marks the redundant ones
 * (removed = 1, solutionStatus = -1).  Returns 0 on success, 1 on failure with
 * a message for Get_Error_Message. */
MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Min_Lumo(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT],
                                                ProjectHeader* project);

/* Levels the stations outward from the active control stations and reverses
 * the baselines that point towards them.  Always returns 0. */
MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Fix_Baseline_Direction(ProjectHeader* project);

/* Copies the last failure message, terminating zero included, into buffer
 * and returns the number of bytes copied. */
MIN_LUMO_API int32_t MIN_LUMO_CALL Get_Error_Message(char* buffer);

/* Pointer types for hosts that load the library at run time. */
typedef int32_t(MIN_LUMO_CALL* DLL_Min_Lumo_Function)(const int32_t*, ProjectHeader*);
typedef int32_t(MIN_LUMO_CALL* DLL_Fix_Baseline_Direction_Function)(ProjectHeader*);
typedef int32_t(MIN_LUMO_CALL* Get_Error_Message_Function)(char*);

#ifdef __cplusplus
}
#endif

#endif /* MIN_LUMO_H */
