/*
 * The public header as a C host's compiler sees it: compiled as C99 with
 * -pedantic in every configuration.  It must declare everything a host
 * needs, with pointer types that fit the functions, export names that are
 * string literals, and on 32-bit x86 the host's 40-byte project header.
 */
#include <stddef.h>
#include <string.h>

#include "min_lumo.h"

/* C99 has no static_assert: a negative array size stops the compile. */
#define HEADER_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]

/* Sized by its initializer: a short list would otherwise pass as zeros. */
static const int32_t acceptedSizes[] = MIN_LUMO_STRUCT_SIZES;
HEADER_CHECK(one_size_per_record, sizeof acceptedSizes / sizeof acceptedSizes[0] == MIN_LUMO_STRUCT_SIZE_COUNT);

#if defined(__i386__) || defined(_M_IX86)
HEADER_CHECK(project_header_is_40_bytes, sizeof(ProjectHeader) == 40);
HEADER_CHECK(counts_and_arrays_alternate, offsetof(ProjectHeader, stations) == 12
                                              && offsetof(ProjectHeader, controls) == 36);
#endif

/* Uses what the header offers once each, so that the compiler checks it. */
int32_t Header_In_C(ProjectHeader* project, char* buffer);
int32_t Header_In_C(ProjectHeader* project, char* buffer)
{
    /* Adjacent literals concatenate: each name must be a string literal. */
    static const char names[] = MIN_LUMO_NAME_MIN_LUMO MIN_LUMO_NAME_FIX_BASELINE_DIRECTION
        MIN_LUMO_NAME_GET_ERROR_MESSAGE MIN_LUMO_DECORATED_NAME_MIN_LUMO
        MIN_LUMO_DECORATED_NAME_FIX_BASELINE_DIRECTION MIN_LUMO_DECORATED_NAME_GET_ERROR_MESSAGE
        MIN_LUMO_PLAIN_NAME_MIN_LUMO MIN_LUMO_PLAIN_NAME_FIX_BASELINE_DIRECTION
        MIN_LUMO_PLAIN_NAME_GET_ERROR_MESSAGE;
    /* An incompatible pointer type would be a constraint violation. */
    DLL_Min_Lumo_Function minimise = DLL_Min_Lumo;
    DLL_Fix_Baseline_Direction_Function orient = DLL_Fix_Baseline_Direction;
    Get_Error_Message_Function message = Get_Error_Message;
    char copy[MIN_LUMO_MESSAGE_CAPACITY];
    memcpy(copy, names, sizeof copy < sizeof names ? sizeof copy : sizeof names);
    return minimise(acceptedSizes, project) + orient(project) + message(buffer) + copy[0];
}
